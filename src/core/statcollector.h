#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

class QSettings;

// Usage statistics: named values kept in the settings store across runs ("persistent") or known for this run
// only, with a readable dump file rewritten after every change.
class StatCollector
{
public:
    static void init(QSettings *settings, const QString &dumpPath);
    static bool isFirstStart();

    static void setInt(const QByteArray &key, bool persistent, int value);
    static void addInt(const QByteArray &key, bool persistent, int delta);
    static void setString(const QByteArray &key, bool persistent, const QString &value);
    // Counts one use of a feature; a use flag stored as the bool true counts as one earlier use.
    static void incrementCounter(const QByteArray &key);

    // Every value as text; a per-run value wins over a persistent one, a later type over an earlier one.
    static QMap<QByteArray, QString> collect();
    static QString toText();

    // While held, persistent values wait in memory for the settings store: every change of the store
    // is written with four waits for the disk, which a start makes after its first idle moment.
    static void holdStore();
    static void releaseStore();

    static void load();
    static void save();
    static void writeFile();
    static void removeFile();

    // Tests only: forget all values and the settings store, as a new process would start.
    static void reset();

    // While one lives, changes do not write the dump each; the last one to go writes it once, if
    // anything changed. Each write waits for the disk, and a start sets a dozen values.
    class WriteBatch
    {
    public:
        WriteBatch();
        ~WriteBatch();
        WriteBatch(const WriteBatch &) = delete;
        WriteBatch &operator=(const WriteBatch &) = delete;
    };
};
