#include "app/applicationask.h"
#include "app/savereporter.h"

#include <QTranslator>
#include <QtTest>

namespace {

class RecordingAsk : public IApplicationAsk
{
public:
    void information(const QString &title, const QString &) override { m_said << "info " + title; }
    void warning(const QString &title, const QString &) override { m_said << "warning " + title; }
    bool question(const QString &, const QString &) override { return false; }
    QStringList m_said;
};

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
        RecordingAsk ask;
        SaveReporter reports(ask);
        for (const QChar step : steps) {
            if (step == 'f')
                reports.onSaveFailed("/data/events.dat", "disk full");
            else if (step == 'a')
                reports.onSaveFailed("/data/pixmaps.dat", "disk full");
            else
                reports.onSaved("/data/events.dat");
        }
        QCOMPARE(ask.m_said, said);
    }

    // The texts moved out of the application object keep its translation context.
    void textsInTheApplicationContext()
    {
        ApplicationContextTranslator translator;
        QCoreApplication::installTranslator(&translator);
        RecordingAsk ask;
        SaveReporter reports(ask);
        reports.onSaveFailed("/data/events.dat", "disk full");
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(ask.m_said, QStringList{"warning DATA ERROR"});
    }
};

QTEST_MAIN(TestSaveReporter)
#include "tst_savereporter.moc"
