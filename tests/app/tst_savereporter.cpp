#include "app/savereporter.h"
#include "core/usermessages.h"

#include <QTranslator>
#include <QtTest>

namespace {

// What was told, as "info <title>" or "warning <title>".
QStringList toldTitles()
{
    QStringList lines;
    for (const Common::UserMessages::Message &m : Common::UserMessages::told())
        lines << (m.icon == Common::UserMessages::Warning ? "warning " : "info ") + m.title;
    return lines;
}

// Translates only the application's context, as the installed translation files do.
class ApplicationContextTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "Application") != 0)
            return QString();
        return QString::fromLatin1(source).toUpper();
    }
};

} // namespace

class TestSaveReporter : public QObject
{
    Q_OBJECT

private slots:
    // Each step: f = a save of the file failed, s = it was saved; a = another file failed.
    void toldOncePerFailure_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("said");
        QTest::newRow("failure told once") << "ff" << QStringList{"warning Data Error"};
        QTest::newRow("saved again told")
            << "fsf" << QStringList{"warning Data Error", "info Data Saved", "warning Data Error"};
        QTest::newRow("save without failure silent") << "ss" << QStringList();
        QTest::newRow("each file on its own")
            << "fas" << QStringList{"warning Data Error", "warning Data Error", "info Data Saved"};
    }

    void toldOncePerFailure()
    {
        QFETCH(QString, steps);
        QFETCH(QStringList, said);
        Common::UserMessages::reset();
        SaveReporter reports;
        for (const QChar step : steps) {
            if (step == 'f')
                reports.onSaveFailed("/data/events.dat", "disk full");
            else if (step == 'a')
                reports.onSaveFailed("/data/pixmaps.dat", "disk full");
            else
                reports.onSaved("/data/events.dat");
        }
        QCOMPARE(toldTitles(), said);
    }

    // The texts moved out of the application object keep its translation context.
    void textsInTheApplicationContext()
    {
        ApplicationContextTranslator translator;
        QCoreApplication::installTranslator(&translator);
        Common::UserMessages::reset();
        SaveReporter reports;
        reports.onSaveFailed("/data/events.dat", "disk full");
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(toldTitles(), QStringList{"warning DATA ERROR"});
    }
};

QTEST_MAIN(TestSaveReporter)
#include "tst_savereporter.moc"
