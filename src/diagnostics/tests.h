#pragma once

#include "core/tagprovider.h"
#include "core/undoobject.h"
#include "eventtypes/ieventtypesstorage.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QTime>

// Built-in self-checks of the core formats and rules, for developers: each routine records its
// failures in the shared output, and run() writes the verdicts to "tests.txt" under the data root.
class Tests : public TagProvider, public UndoProxy
{
public:
    Tests();

    // Runs every routine in a fixed order and writes the output file.
    void run();
    // True while no routine of this process has failed.
    bool result() const { return s_allTestsPassed; }

    QString decodeTag(const QString &tag, int number) override;

    void testAppVersion();
    void testSimpleParser();
    void testSimpleParserFromFile();
    void testPeriod();
    void testBackCompartability();
    void testOccurrence();
    void testBackup();
    void testTypesTree();
    void testImportCsv();

    // A routine as the runner calls it; the names are those printed in the output.
    using Routine = void (Tests::*)();
    struct NamedRoutine
    {
        const char *name;
        Routine routine;
    };
    static const QList<NamedRoutine> &routines();

    // Sets the verdict of one routine around its call, as the runner does.
    bool runOne(Routine routine);

    // Records a failure: the entries go to the output and the running routine fails.
    static void recordFailure(const QStringList &entries);
    static void checkExpressionImpl(bool condition, const char *text);
    template <typename A, typename B> static void checkEqualImpl(const A &first, const B &second)
    {
        if (first == second)
            return;
        QString text;
        QTextStream stream(&text);
        stream << "Error: values not equal:\n" << first << "\n" << second;
        stream.flush();
        recordFailure({text});
    }

    static QStringList s_testOutput;
    static bool s_testPassed;
    static bool s_allTestsPassed;
    static QByteArray s_testDataPath;
    static int s_nDays;
    // The settings branch that the settings check writes into, apart from the program's own.
    static const QByteArray s_settingsPrefix;
};

// The check forms keep the condition's source text.
#define checkExpression(condition) Tests::checkExpressionImpl(bool(condition), #condition)
#define checkEqual(first, second) Tests::checkEqualImpl((first), (second))

// Lists kept as files of Latin-1 entries separated by "\r".
void stringListToFile(const QByteArray &fileName, const QStringList &list);
QStringList stringListFromFile(const QByteArray &fileName);
// Records every entry that differs, and a difference in length.
void compareLists(const QStringList &list1, const QStringList &list2);

// Records where one level of the event-types tree (the top level for an invalid index) differs from its
// description: a type's name, or a folder's name, "=" and its children's names joined by ",".
void compareEventTypesStorageValues(IEventTypesStorage *storage, const IEventTypesStorage::Index &index,
                                    const QStringList &master);
void compareEventTypesStorageValues(IEventTypesStorage *storage, const QStringList &master);

QTextStream &operator<<(QTextStream &stream, const QDate &date);
QTextStream &operator<<(QTextStream &stream, const QTime &time);
QTextStream &operator<<(QTextStream &stream, const QList<QDate> &dates);
QTextStream &operator<<(QTextStream &stream, const QStringList &list);
