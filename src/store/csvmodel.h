#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <memory>

class QIODevice;
class QTextStream;

namespace CsvModelPrivate {
struct Data;
}

// A table of text cells over comma-separated text, read line by line: quotes may hide
// separators but a field never spans lines. Quotes stay in the stored text until a
// cell is read.
class CsvModel : public QAbstractTableModel
{
public:
    explicit CsvModel(QObject *parent = nullptr);
    CsvModel(QTextStream &stream, QObject *parent, bool withHeader = false, QChar separator = QLatin1Char(','));
    CsvModel(QIODevice *device, QObject *parent, bool withHeader = false, QChar separator = QLatin1Char(','));
    CsvModel(const QString &fileName, QObject *parent, bool withHeader = false, QChar separator = QLatin1Char(','));
    ~CsvModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool insertColumns(int column, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeColumns(int column, int count, const QModelIndex &parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // A cell's text as data() reads it, without a copy; valid until the model changes. Empty
    // outside the table.
    QStringView cellText(int row, int column) const;

    using QAbstractTableModel::setHeaderData;
    void setHeaderData(const QStringList &names);

    void setSource(QTextStream &stream, bool withHeader, QChar separator);
    void setSource(QIODevice *device, bool withHeader, QChar separator);
    void setSource(const QString &fileName, bool withHeader, QChar separator);

    // Every cell is written in double quotes, as Latin-1; the device is closed after. False when not all was
    // written; a named file is replaced only when complete.
    bool toCSV(QIODevice *device, bool withHeader, QChar separator) const;
    bool toCSV(const QString &fileName, bool withHeader, QChar separator) const;

    // Joins the fields of a stored row; a separator found in the input is stored as this.
    static constexpr QChar kFieldMark = QChar(0x0001);

private:
    QByteArray csvText(bool withHeader, QChar separator) const;

    std::unique_ptr<CsvModelPrivate::Data> d;
};
