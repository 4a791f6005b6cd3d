#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class QSettings;
class SaveReporter;

// The user's settings file: every change is written at once, and a write that did not go through is
// reported as any other data file's. The reminder table, its last look and the readings shown, far larger
// than every other setting and changed far more often, lie in a file of their own beside it, so that
// neither write carries the other's bytes.
class UserSettings
{
    Q_DECLARE_TR_FUNCTIONS(Application)

public:
    // Identity and state of a file on disk; equal while nothing replaced or changed it.
    struct FileSignature
    {
        qint64 inode = -1;
        qint64 size = -1;
        qint64 modifiedNs = -1;
        bool operator!=(const FileSignature &o) const
        {
            return inode != o.inode || size != o.size || modifiedNs != o.modifiedNs;
        }
    };

    // Opens the file after checking every settings file the store may read.
    explicit UserSettings(SaveReporter &reports);
    ~UserSettings();

    QSettings *settings() const { return m_settings.get(); }
    QVariant value(const QByteArray &key, const QVariant &defaultValue) const;
    void setValue(const QByteArray &key, const QVariant &value);
    // One replacement of the file for all of them.
    void setValues(const QList<QPair<QByteArray, QVariant>> &values);
    void remove(const QByteArray &key, bool withDottedChildren);

    // The reminder table's own file beside the settings file at `settingsFile`.
    static QString tableFileFor(const QString &settingsFile);

private:
    bool isTableKey(const QByteArray &key) const;
    void readTable() const;
    // Writes the table's file now with what it holds; a settings file that still holds its keys loses them.
    void writeTable();
    // The later of the look in the table's file and one an older settings file holds.
    QVariant lastLook() const;
    // Writes the settings now and tells whether that worked; `before` is the file ahead of the change.
    void sync(const FileSignature &before);

    SaveReporter &m_reports;
    std::unique_ptr<QSettings> m_settings;
    QString m_tableFile;
    mutable bool m_tableRead = false;
    // Whether the table's file held it; else a settings file from before still may.
    mutable bool m_tableInFile = false;
    // The table, and the last look and the readings shown by their keys, each kept as its stream: as values they are
    // thousands of small pieces, made anew in the memory a burst of windows took, and keep it from going back.
    mutable QByteArray m_table;
    mutable QMap<QString, QByteArray> m_items;
};
