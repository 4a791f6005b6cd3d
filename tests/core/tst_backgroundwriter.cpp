#include "core/backgroundwriter.h"
#include "core/datafileguard.h"
#include "core/safefile.h"
#include "core/usermessages.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <future>
#include <memory>

using Common::BackgroundWriter;

class TestBackgroundWriter : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    static QByteArray read(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // Holds the writer on a first job until the returned promise is set.
    std::shared_ptr<std::promise<void>> holdWriter(QObject *context)
    {
        auto gate = std::make_shared<std::promise<void>>();
        std::shared_future<void> open = gate->get_future().share();
        BackgroundWriter::write(
            path("gate"),
            [open] {
                open.wait();
                return QByteArray("gate");
            },
            context, [](bool, const QString &) {});
        return gate;
    }

private slots:
    void answersInOrderAndKeepsOnlyTheNewestQueuedText()
    {
        QObject context;
        QStringList answers;
        const auto gate = holdWriter(&context);
        bool firstMade = false;
        BackgroundWriter::write(
            path("a"),
            [&firstMade] {
                firstMade = true;
                return QByteArray("old");
            },
            &context, [&](bool ok, const QString &) { answers << QStringLiteral("a1:%1").arg(ok); });
        BackgroundWriter::write(
            path("b"), [] { return QByteArray("b"); }, &context,
            [&](bool ok, const QString &) { answers << QStringLiteral("b:%1").arg(ok); });
        BackgroundWriter::write(
            path("a"), [] { return QByteArray("new"); }, &context,
            [&](bool ok, const QString &) { answers << QStringLiteral("a2:%1").arg(ok); });
        QVERIFY(BackgroundWriter::isBusy(path("a")));
        gate->set_value();
        BackgroundWriter::waitFor(path("b"));
        QTRY_COMPARE(answers, (QStringList{"a1:1", "a2:1", "b:1"}));
        QVERIFY(!firstMade);
        QCOMPARE(read(path("a")), QByteArray("new"));
        QCOMPARE(read(path("b")), QByteArray("b"));
    }

    void tellsAFailure()
    {
        QObject context;
        bool answered = false;
        QString error;
        // A folder that cannot be made: a file stands in its place.
        QFile blocker(path("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString file = path("blocker/file");
        BackgroundWriter::write(
            file, [] { return QByteArray("x"); }, &context,
            [&](bool ok, const QString &why) {
                answered = !ok;
                error = why;
            });
        BackgroundWriter::waitFor(file);
        QTRY_VERIFY(answered);
        QVERIFY(!error.isEmpty());
    }

    void answersNoContextThatEndedMeanwhile()
    {
        auto context = std::make_unique<QObject>();
        bool answered = false;
        const auto gate = holdWriter(context.get());
        BackgroundWriter::write(
            path("c"), [] { return QByteArray("c"); }, context.get(), [&](bool, const QString &) { answered = true; });
        context.reset();
        gate->set_value();
        BackgroundWriter::waitFor(path("c"));
        QCoreApplication::processEvents();
        QVERIFY(!answered);
        QCOMPARE(read(path("c")), QByteArray("c"));
    }

    // Another program writes the file after the text was made, a moment before it takes the file's name. One that
    // rewrites it in place empties it first and writes while it holds it, here only once the save is done.
    void keepsAVersionWrittenJustBeforeTheRename_data()
    {
        QTest::addColumn<bool>("canSwap");
        QTest::addColumn<bool>("held");
        QTest::newRow("swapped in") << true << false;
        QTest::newRow("renamed, where the file system cannot swap") << false << false;
        QTest::newRow("emptied, beside an empty copy") << true << true;
        QTest::newRow("emptied, beside an empty copy, renamed") << false << true;
    }

    void keepsAVersionWrittenJustBeforeTheRename()
    {
        QFETCH(bool, canSwap);
        QFETCH(bool, held);
        Common::DataFileGuard::reset();
        Common::UserMessages::reset();
        const QString file = path(QStringLiteral("raced%1%2.dat").arg(canSwap).arg(held));
        QVERIFY(Common::writeFileAtomically(file, "read"));
        QVERIFY(!held || Common::writeFileAtomically(file + ".bak", ""));
        Common::DataFileGuard::watch(file, "read");
        QFile outside(file);
        Common::setReplaceHookForTests(
            [&] { QVERIFY(outside.open(QIODevice::WriteOnly) && (held || outside.write("them") == 4)); }, canSwap);
        const auto unhook = qScopeGuard([] { Common::setReplaceHookForTests(nullptr); });
        QObject context;
        BackgroundWriter::write(
            file, [] { return QByteArray("ours"); }, &context, [](bool, const QString &) {});
        BackgroundWriter::waitFor(file);
        QVERIFY(!held || outside.write("them") == 4);
        outside.close();
        QCoreApplication::processEvents();
        QCOMPARE(read(file), QByteArray("ours"));
        QCOMPARE(read(file + (held ? ".bak1" : ".bak")), QByteArray("them"));
        QCOMPARE(QDir(m_dir.path()).entryList({"*.qr-tmp-*"}, QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(Common::UserMessages::toldLines().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestBackgroundWriter)
#include "tst_backgroundwriter.moc"
