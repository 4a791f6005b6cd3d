#include "store/csvmodel.h"

#include "core/safefile.h"

#include <QFile>
#include <QTextStream>

namespace CsvModelPrivate {

struct Data
{
    QStringList rows;
    // Where each row's field marks stand, found once when the row is stored, so that a cell is
    // found without walking the row from its start.
    QList<QList<qsizetype>> marks;
    QStringList header;
    int columnCount = 0;
};

QList<qsizetype> marksOf(const QString &row)
{
    QList<qsizetype> marks;
    const QChar *chars = row.constData();
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (chars[i] == CsvModel::kFieldMark)
            marks.append(i);
    }
    return marks;
}

bool isTextRole(int role)
{
    return role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::UserRole;
}

QStringView cellOf(const QString &row, const QList<qsizetype> &marks, int column)
{
    if (column < 0 || column > marks.size())
        return QStringView();
    const qsizetype start = column == 0 ? 0 : marks.at(column - 1) + 1;
    const qsizetype end = column < marks.size() ? marks.at(column) : row.size();
    return QStringView(row).mid(start, end - start);
}

} // namespace CsvModelPrivate

using namespace CsvModelPrivate;

CsvModel::CsvModel(QObject *parent) : QAbstractTableModel(parent), d(std::make_unique<Data>()) {}

CsvModel::CsvModel(QTextStream &stream, QObject *parent, bool withHeader, QChar separator) : CsvModel(parent)
{
    setSource(stream, withHeader, separator);
}

CsvModel::CsvModel(QIODevice *device, QObject *parent, bool withHeader, QChar separator) : CsvModel(parent)
{
    setSource(device, withHeader, separator);
}

CsvModel::CsvModel(const QString &fileName, QObject *parent, bool withHeader, QChar separator) : CsvModel(parent)
{
    setSource(fileName, withHeader, separator);
}

CsvModel::~CsvModel() = default;

int CsvModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(d->rows.size());
}

int CsvModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : d->columnCount;
}

QVariant CsvModel::data(const QModelIndex &index, int role) const
{
    if (!isTextRole(role) || !index.isValid() || index.parent().isValid() || index.row() >= d->rows.size())
        return QVariant();
    return cellText(index.row(), index.column()).toString();
}

QStringView CsvModel::cellText(int row, int column) const
{
    if (row < 0 || row >= d->rows.size())
        return QStringView();
    const QStringView text = cellOf(d->rows.at(row), d->marks.at(row), column);
    if (text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        return text.size() < 2 ? QStringView() : text.mid(1, text.size() - 2);
    return text;
}

bool CsvModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!isTextRole(role) || !index.isValid() || index.parent().isValid() || index.row() < 0 ||
        index.row() >= d->rows.size() || index.column() < 0 || index.column() >= d->columnCount)
        return false;
    QStringList fields = d->rows.at(index.row()).split(kFieldMark);
    while (fields.size() <= index.column())
        fields.append(QString());
    fields[index.column()] = value.toString();
    d->rows[index.row()] = fields.join(kFieldMark);
    d->marks[index.row()] = marksOf(d->rows.at(index.row()));
    emit dataChanged(index, index);
    return true;
}

QVariant CsvModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < d->header.size() && isTextRole(role))
        return d->header.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool CsvModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count < 1)
        return false;
    row = qMin(row, int(d->rows.size()));
    beginInsertRows(QModelIndex(), row, row + count - 1);
    d->rows.insert(row, count, QString());
    d->marks.insert(row, count, QList<qsizetype>());
    endInsertRows();
    return true;
}

bool CsvModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || row >= d->rows.size() || count < 1)
        return false;
    count = qMin(count, int(d->rows.size()) - row);
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    d->rows.remove(row, count);
    d->marks.remove(row, count);
    endRemoveRows();
    return true;
}

bool CsvModel::insertColumns(int column, int count, const QModelIndex &parent)
{
    if (parent.isValid() || column < 0 || count < 1)
        return false;
    column = qMin(column, d->columnCount);
    beginInsertColumns(QModelIndex(), column, column + count - 1);
    if (column < d->columnCount) {
        for (qsizetype r = 0; r < d->rows.size(); ++r) {
            QString &row = d->rows[r];
            QStringList fields = row.split(kFieldMark);
            // A short row has nothing at the new position: its cells there read empty anyway.
            if (fields.size() <= column)
                continue;
            for (int i = 0; i < count; ++i)
                fields.insert(column, QString());
            row = fields.join(kFieldMark);
            d->marks[r] = marksOf(row);
        }
    }
    // The header may name fewer columns than the table has; pad it before inserting.
    while (d->header.size() < column)
        d->header.append(QString());
    for (int i = 0; i < count; ++i)
        d->header.insert(column, QString());
    d->columnCount += count;
    endInsertColumns();
    return true;
}

bool CsvModel::removeColumns(int column, int count, const QModelIndex &parent)
{
    if (parent.isValid() || column < 0 || column >= d->columnCount || count < 1)
        return false;
    count = qMin(count, d->columnCount - column);
    beginRemoveColumns(QModelIndex(), column, column + count - 1);
    for (qsizetype r = 0; r < d->rows.size(); ++r) {
        QString &row = d->rows[r];
        QStringList fields = row.split(kFieldMark);
        if (fields.size() <= column)
            continue;
        fields.remove(column, qMin<qsizetype>(count, fields.size() - column));
        row = fields.join(kFieldMark);
        d->marks[r] = marksOf(row);
    }
    if (d->header.size() > column)
        d->header.remove(column, qMin<qsizetype>(count, d->header.size() - column));
    d->columnCount -= count;
    endRemoveColumns();
    return true;
}

Qt::ItemFlags CsvModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags base = QAbstractTableModel::flags(index);
    return index.isValid() ? base | Qt::ItemIsEditable : base;
}

void CsvModel::setHeaderData(const QStringList &names)
{
    d->header = names;
    emit headerDataChanged(Qt::Horizontal, 0, qMax(0, int(names.size()) - 1));
}

void CsvModel::setSource(QTextStream &stream, bool withHeader, QChar separator)
{
    beginResetModel();
    d->columnCount = withHeader ? 0 : int(d->header.size());
    d->rows.clear();
    d->marks.clear();
    bool headerTaken = false;
    QString line;
    while (!stream.atEnd()) {
        if (!stream.readLineInto(&line))
            break;
        line.remove(QLatin1Char('\n'));
        line.remove(QLatin1Char('\r'));
        bool quoted = false;
        QList<qsizetype> marks;
        QChar *chars = line.data();
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (chars[i] == QLatin1Char('"')) {
                if (i == 0 || chars[i - 1] != QLatin1Char('\\'))
                    quoted = !quoted;
            } else if (chars[i] == separator && !quoted) {
                chars[i] = kFieldMark;
                marks.append(i);
            } else if (chars[i] == kFieldMark) {
                marks.append(i);
            }
        }
        d->columnCount = qMax(d->columnCount, int(marks.size()) + 1);
        if (withHeader && !headerTaken) {
            d->header = line.split(kFieldMark);
            headerTaken = true;
        } else {
            d->rows.append(line);
            d->marks.append(std::move(marks));
        }
    }
    endResetModel();
}

void CsvModel::setSource(QIODevice *device, bool withHeader, QChar separator)
{
    if (!device)
        return;
    if (!device->isOpen())
        device->open(QIODevice::ReadOnly | QIODevice::Text);
    QTextStream stream(device);
    setSource(stream, withHeader, separator);
    device->close();
}

void CsvModel::setSource(const QString &fileName, bool withHeader, QChar separator)
{
    QFile file(fileName);
    setSource(&file, withHeader, separator);
}

QByteArray CsvModel::csvText(bool withHeader, QChar separator) const
{
    const auto quotedLine = [&](const auto &cellAt) {
        QStringList cells;
        for (int c = 0; c < d->columnCount; ++c)
            cells << QLatin1Char('"') + cellAt(c) + QLatin1Char('"');
        return (cells.join(separator) + QLatin1Char('\n')).toLatin1();
    };
    QByteArray text;
    if (withHeader)
        text += quotedLine([this](int c) { return d->header.value(c); });
    for (qsizetype r = 0; r < d->rows.size(); ++r) {
        const QString &row = d->rows.at(r);
        const QList<qsizetype> &marks = d->marks.at(r);
        text += quotedLine([&row, &marks](int c) { return cellOf(row, marks, c).toString(); });
    }
    return text;
}

bool CsvModel::toCSV(QIODevice *device, bool withHeader, QChar separator) const
{
    if (!device)
        return false;
    if (!device->isOpen() && !device->open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray text = csvText(withHeader, separator);
    // A short write is a failure too: the device took only part of the text.
    const bool ok = device->write(text) == text.size();
    device->close();
    return ok;
}

bool CsvModel::toCSV(const QString &fileName, bool withHeader, QChar separator) const
{
    // Replaced only when the whole text is on disk, so a failed write keeps the old file.
    return Common::writeFileAtomically(fileName, csvText(withHeader, separator));
}
