#include "app/startarguments.h"

#include <QTest>

class TestStartArguments : public QObject
{
    Q_OBJECT

private slots:
    void words_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("uninstall");
        const QString program = QStringLiteral("/usr/bin/quillane-reminder");
        QTest::newRow("plain") << QStringList{program} << false << false;
        QTest::newRow("silent") << QStringList{program, "SILENTMODE"} << true << false;
        QTest::newRow("uninstall") << QStringList{program, "UNINSTALL"} << false << true;
        QTest::newRow("lower case does not count") << QStringList{program, "uninstall", "silentmode"} << false << false;
        QTest::newRow("anywhere in the text") << QStringList{program, "--x=UNINSTALLED"} << false << true;
        QTest::newRow("across the joining comma") << QStringList{program, "SILENT", "MODE"} << false << false;
        QTest::newRow("in the program path") << QStringList{"/opt/UNINSTALL/quillane-reminder"} << false << true;
    }

    void words()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, silent);
        QFETCH(bool, uninstall);
        QCOMPARE(StartArguments::isSilentStart(arguments), silent);
        QCOMPARE(StartArguments::isUninstallStart(arguments), uninstall);
    }
};

QTEST_APPLESS_MAIN(TestStartArguments)
#include "tst_startarguments.moc"
