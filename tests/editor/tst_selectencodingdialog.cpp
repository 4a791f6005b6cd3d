#include "editor/selectencodingdialog.h"
#include "editortestenv.h"
#include "shots.h"
#include "testhelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QTextCodec>
#include <QtTest>

namespace {

const QString kCyrillic = QString::fromUtf8("Дата;Событие\n12.04.2026;День рождения Ивана Петровича\n");

QByteArray encoded(const QString &text, const char *codec)
{
    return QTextCodec::codecForName(codec)->fromUnicode(text);
}

bool okEnabled(const SelectEncodingDialog &dialog)
{
    return dialog.buttonBox()->button(QDialogButtonBox::Ok)->isEnabled();
}

struct Env : EditorTestEnv
{
    Env() : provider(manager.get()) { work = addCalendar("Arbeit"); }
    CalendarsProvider provider;
    QByteArray work;
};

} // namespace

class TestSelectEncodingDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void decodes_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("encoding");
        QTest::newRow("windows-1251") << encoded(kCyrillic, "windows-1251") << QByteArray("windows-1251");
        QTest::newRow("KOI8-R") << encoded(kCyrillic, "KOI8-R") << QByteArray("KOI8-R");
        // A byte-order mark decides over the chosen encoding.
        QTest::newRow("UTF-8 mark over 1251")
            << QByteArray("\xEF\xBB\xBF") + kCyrillic.toUtf8() << QByteArray("windows-1251");
        QTest::newRow("UTF-16LE mark over 1251")
            << encoded(kCyrillic, "UTF-16LE").prepend("\xFF\xFE") << QByteArray("windows-1251");
    }

    void decodes()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, encoding);
        QCOMPARE(SelectEncodingDialog::decode(data, encoding), kCyrillic);
    }

    void unknownEncodingFallsBackToLocale()
    {
        QCOMPARE(SelectEncodingDialog::decode("plain", "no-such-codec"), QString("plain"));
    }

    void proposesCalendarName_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("ok");
        QTest::newRow("plain") << "Termine 2026.csv"
                               << "Termine 2026" << true;
        QTest::newRow("several dots") << "party.backup.ics"
                                      << "party" << true;
        // Nothing to propose: OK waits for a name.
        QTest::newRow("dot first") << ".ics"
                                   << "" << false;
    }

    void proposesCalendarName()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, name);
        QFETCH(bool, ok);
        Env env;
        SelectEncodingDialog dialog(nullptr, true);
        dialog.setFileName(env.dir.filePath(fileName));
        QCOMPARE(dialog.calendarName()->text(), name);
        QCOMPARE(okEnabled(dialog), ok);
        QCOMPARE(dialog.calendar().name, name);
        QVERIFY(dialog.calendar().id.isEmpty());
    }

    void okFollowsCalendarChoice()
    {
        Env env;
        SelectEncodingDialog dialog(nullptr, false);
        dialog.setFileName(env.dir.filePath(".evt"));
        QVERIFY(!okEnabled(dialog));
        dialog.existingCalendarButton()->click();
        QVERIFY(okEnabled(dialog));
        QVERIFY(!dialog.calendarName()->isEnabled());
        QVERIFY(dialog.calendars()->isEnabled());
        dialog.newCalendarButton()->click();
        QVERIFY(!okEnabled(dialog));
        dialog.calendarName()->setText("Urlaub");
        QVERIFY(okEnabled(dialog));
    }

    void startsOnDefaultCalendar()
    {
        Env env;
        env.manager->setDefaultCalendar(env.work);
        SelectEncodingDialog dialog(nullptr, false);
        QCOMPARE(dialog.calendars()->count(), 2);
        QCOMPARE(dialog.calendars()->currentText(), QString("Arbeit"));
        dialog.existingCalendarButton()->click();
        QCOMPARE(dialog.calendar().id, env.work);
        QVERIFY(dialog.calendar().name.isEmpty());
    }

    void showsListAndRestoresSize()
    {
        Env env;
        SelectEncodingDialog dialog(nullptr, true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QSize opened = dialog.size();
        QVERIFY(!dialog.encodingBox()->isVisible());
        QCOMPARE(dialog.encodingLabel()->text(), dialog.encodingsBox()->itemText(0));
        dialog.autoEncodingCheckBox()->click();
        QVERIFY(dialog.encodingBox()->isVisible());
        QVERIFY(dialog.height() > opened.height());
        dialog.autoEncodingCheckBox()->click();
        QVERIFY(!dialog.encodingBox()->isVisible());
        QCOMPARE(dialog.size(), opened);
    }

    void previewFollowsEncoding()
    {
        Env env;
        const QString file = env.dir.filePath("Geburtstage.csv");
        TestHelpers::writeFile(file, encoded(kCyrillic, "windows-1251"));
        SelectEncodingDialog dialog(nullptr, true);
        dialog.setFileName(file);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // Not UTF-8: the list is open on the guess, for the user to confirm.
        QVERIFY(!dialog.autoEncodingCheckBox()->isChecked());
        QVERIFY(dialog.encodingBox()->isVisible());
        QVERIFY(!dialog.encodingCertain());
        QCOMPARE(dialog.encodingsBox()->currentText(), QString("windows-1251"));
        QCOMPARE(dialog.encodingLabel()->text(), QString("windows-1251"));
        QCOMPARE(dialog.textBrowser()->toPlainText().trimmed(), kCyrillic.trimmed());
        QCOMPARE(dialog.encoding(), QByteArray("windows-1251"));
        TestHelpers::saveShot(&dialog, "selectencodingdialog");
        // The file changed on disk: the next choice reads it again.
        TestHelpers::writeFile(file, encoded(kCyrillic, "KOI8-R"));
        dialog.encodingsBox()->setCurrentIndex(dialog.encodingsBox()->findText("KOI8-R"));
        QCOMPARE(dialog.textBrowser()->toPlainText().trimmed(), kCyrillic.trimmed());
    }

    // One stray byte in UTF-8: offered as UTF-8, unsure, with the place shown.
    void strayByteShowsWhereUtf8Breaks()
    {
        Env env;
        const QString file = env.dir.filePath("Geburtstage.csv");
        TestHelpers::writeFile(file, kCyrillic.toUtf8() + "01.05.2026,Mai\xFF\n");
        SelectEncodingDialog dialog(nullptr, true);
        dialog.setFileName(file);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.encoding(), QByteArray("UTF-8"));
        QVERIFY(!dialog.encodingCertain());
        QVERIFY(dialog.keepsUndecodable());
        QCOMPARE(dialog.firstUndecodableLine(), int(kCyrillic.count(QLatin1Char('\n'))) + 1);
        QVERIFY(dialog.guessLabel()->text().contains(QStringLiteral("from line")));
        QVERIFY(dialog.textBrowser()->textCursor().position() > 0);
        TestHelpers::saveShot(&dialog, "selectencodingdialog_stray_byte");
    }

    // The registry moves codecs in use to the front; the default must not follow them.
    void previewShowsWholeLinesOfTheStart_data()
    {
        QTest::addColumn<QByteArray>("encoding");
        QTest::newRow("UTF-8") << QByteArray("UTF-8");
        QTest::newRow("UTF-16LE") << QByteArray("UTF-16LE");
    }

    void previewShowsWholeLinesOfTheStart()
    {
        QFETCH(QByteArray, encoding);
        Env env;
        QString text;
        for (int i = 0; text.size() < 3 * SelectEncodingDialog::previewBytes; ++i)
            text += QString::fromUtf8("%1;Ёлка у Ивана\n").arg(i);
        const QString file = env.dir.filePath("big.csv");
        TestHelpers::writeFile(file, encoded(text, encoding.constData()));
        SelectEncodingDialog dialog(nullptr, true);
        dialog.setFileName(file);
        dialog.encodingsBox()->setCurrentIndex(dialog.encodingsBox()->findText(QString::fromLatin1(encoding)));
        const QString shown = dialog.textBrowser()->toPlainText().trimmed();
        QVERIFY(shown.size() > 1000);
        QVERIFY(shown.size() < SelectEncodingDialog::previewBytes);
        QCOMPARE(shown, text.left(shown.size()));
        QCOMPARE(text.at(shown.size()), QChar('\n'));
    }

    void hiddenEncodingNamesUtf8EvenAfterOtherCodecs()
    {
        Env env;
        QVERIFY(QTextCodec::codecForName("windows-1251"));
        QVERIFY(QTextCodec::codecForName("KOI8-R"));
        SelectEncodingDialog dialog(nullptr, false);
        QVERIFY(dialog.encodingsWidget()->isHidden());
        QCOMPARE(dialog.encoding(), QByteArray("UTF-8"));
        QCOMPARE(dialog.encodingsBox()->findText("UTF-8", Qt::MatchFixedString), 0);
        QCOMPARE(SelectEncodingDialog::encodingNames().count("UTF-8"), 1);
    }
};

QTEST_MAIN(TestSelectEncodingDialog)
#include "tst_selectencodingdialog.moc"
