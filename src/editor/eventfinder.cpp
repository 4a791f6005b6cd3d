#include "editor/eventfinder.h"

#include "core/dateconversions.h"
#include "core/log.h"

#include <QAbstractItemModel>
#include <QRegularExpression>

namespace EventFinder {

QModelIndex nextCell(const QModelIndex &current)
{
    const QAbstractItemModel *model = current.model();
    if (!model)
        return QModelIndex();
    const int rows = model->rowCount(current.parent());
    const int columns = model->columnCount(current.parent());
    int row = current.row() + 1;
    int column = current.column();
    if (row >= rows) {
        row = 0;
        ++column;
        if (column >= columns)
            column = 0;
    }
    return model->index(row, column, current.parent());
}

QModelIndex wrapAroundFind(QModelIndex &current, const Finder &finder)
{
    const QAbstractItemModel *model = current.model();
    if (!model || model->rowCount(current.parent()) == 0)
        return QModelIndex();
    current = nextCell(current);
    const QModelIndex begin = model->index(0, 0, current.parent());
    const QModelIndex end =
        model->index(model->rowCount(current.parent()) - 1, model->columnCount(current.parent()) - 1, current.parent());
    QR_ASSERT(begin.isValid());
    QR_ASSERT(end.isValid());
    QR_ASSERT(current.isValid());
    const QModelIndex found = finder(current, end);
    return found.isValid() ? found : finder(begin, current);
}

QString cellText(const QVariant &value, const QLocale &locale)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return locale.toString(value.toDate(), QLocale::ShortFormat);
    case QMetaType::QString:
        return value.toString();
    default:
        return QString();
    }
}

QModelIndex findInTable(const QModelIndex &from, const QModelIndex &to, const QString &text, const QLocale &locale)
{
    const QAbstractItemModel *model = from.model();
    if (!model || text.isEmpty())
        return QModelIndex();
    const qint64 rows = model->rowCount(from.parent());
    if (rows == 0)
        return QModelIndex();
    const qint64 first = from.column() * rows + from.row();
    const qint64 last = to.column() * rows + to.row();
    for (qint64 position = first; position <= last; ++position) {
        const QModelIndex cell = model->index(int(position % rows), int(position / rows), from.parent());
        if (cellText(cell.data(Qt::DisplayRole), locale).contains(text, Qt::CaseInsensitive))
            return cell;
    }
    return QModelIndex();
}

QModelIndex findInList(const QModelIndex &from, const QModelIndex &to, const QString &text, const QLocale &locale,
                       int dateRole)
{
    const QAbstractItemModel *model = from.model();
    if (!model || text.isEmpty())
        return QModelIndex();
    for (int row = from.row(); row <= to.row(); ++row) {
        const QModelIndex cell = model->index(row, 0, from.parent());
        if (cell.data(Qt::DisplayRole).toString().contains(text, Qt::CaseInsensitive))
            return cell;
        const QDate next = cell.data(dateRole).toDate();
        if (next.isValid() && locale.toString(next, QLocale::ShortFormat).contains(text, Qt::CaseInsensitive))
            return cell;
    }
    return QModelIndex();
}

QDate parseDate(const QString &text, const QLocale &locale, const QDate &today)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return QDate();
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    if (format.contains(twoDigitYear)) {
        QString fourDigits = format;
        fourDigits.replace(twoDigitYear, QStringLiteral("yyyy"));
        const QDate date = locale.toDate(typed, fourDigits);
        // "1/2/26" read with "yyyy" gives the year 26; only take a year typed with four digits.
        if (date.isValid() && date.year() >= 1000)
            return date;
        QDate shortYear = locale.toDate(typed, format);
        if (!shortYear.isValid())
            return QDate();
        // Qt reads "yy" as 1900 to 1999; the year goes where every date field puts it.
        shortYear.setDate(yearNear(shortYear.year() % 100, today.year()), shortYear.month(), shortYear.day());
        return shortYear;
    }
    return locale.toDate(typed, format);
}

} // namespace EventFinder
