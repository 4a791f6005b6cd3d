#include "apptestenv.h"
#include "app/settingsdialog.h"
#include "core/clock.h"
#include "core/properties.h"
#include "events/notspecifiedevent.h"
#include "events/period.h"
#include "store/eventsmanager.h"
#include "testhelpers.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>

// The settings window as the application opens it, and what its changes do at once.
class TestApplicationSettings : public QObject
{
    Q_OBJECT

private:
    static void press(SettingsDialog *dialog, QDialogButtonBox::StandardButton which)
    {
        QPushButton *button = dialog->buttonBox->button(which);
        QVERIFY(button->isEnabled());
        button->click();
        QCoreApplication::processEvents(); // changes that wait for both values of a pair
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QStandardPaths::setTestModeEnabled(false);
    }

    void trayEntryOpensOneWindowAndRaisesIt()
    {
        AppTestEnv env;
        Application *app = env.start();
        QVERIFY(!app->raiseSettingsDialog());
        QAction *settings = app->trayMenu()->actions().at(5);
        QCOMPARE(settings->text(), QStringLiteral("&Settings"));
        settings->trigger();
        QCoreApplication::processEvents(); // menu entries run queued
        SettingsDialog *dialog = app->settingsDialog();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(app->raiseSettingsDialog());
        press(dialog, QDialogButtonBox::Cancel);
        QVERIFY(!app->raiseSettingsDialog());
        app->showSettings();
        QCOMPARE(app->settingsDialog(), dialog);
        QVERIFY(dialog->isVisible());
    }

    void autorunChangeRewritesTheAutostartFileWithoutBar()
    {
        AppTestEnv env;
        env.realAutostart = true;
        env.appSettings()->setValue(QStringLiteral("Properties/creepingLineVisibilityOption"), 0);
        Application *app = env.start();
        QVERIFY(!app->creepingLine());
        const QString entry = QDir(env.configFolder()).filePath(QStringLiteral("autostart/quillane-reminder.desktop"));
        QVERIFY(QFile::exists(entry)); // written on the first start
        app->showSettings();
        SettingsDialog *dialog = app->settingsDialog();
        QVERIFY(dialog->m_autorunCheckBox->isChecked());
        dialog->m_autorunCheckBox->click();
        press(dialog, QDialogButtonBox::Ok);
        QVERIFY(!QFile::exists(entry));
        app->showSettings();
        dialog->m_autorunCheckBox->click();
        press(dialog, QDialogButtonBox::Apply);
        QVERIFY(QFile::exists(entry));
        QVERIFY(!app->creepingLine());
    }

    void visibilityChangeShowsAndRemovesTheBar()
    {
        AppTestEnv env;
        env.appSettings()->setValue(QStringLiteral("Properties/creepingLineVisibilityOption"), 0);
        Application *app = env.start();
        QVERIFY(!app->creepingLine());
        env.bar->m_coming = true;
        app->showSettings();
        SettingsDialog *dialog = app->settingsDialog();
        dialog->m_creepingLineModeCombo->setCurrentIndex(1);
        emit dialog->m_creepingLineModeCombo->activated(1);
        press(dialog, QDialogButtonBox::Apply);
        QVERIFY(app->creepingLine());
        dialog->m_creepingLineModeCombo->setCurrentIndex(0);
        emit dialog->m_creepingLineModeCombo->activated(0);
        press(dialog, QDialogButtonBox::Apply);
        env.processDeletes();
        QVERIFY(!app->creepingLine());
    }

    void expiredEventsAreRemovedWithTheDaysChosenTogether()
    {
        AppTestEnv env;
        Common::Clock::pin(QDateTime(QDate(2026, 3, 20), QTime(10, 0)));
        Application *app = env.start();
        auto event = std::make_shared<NotSpecifiedEvent>();
        event->setPeriod(Period(QDate(2026, 3, 10))); // ten days ago
        app->eventsManager()->addEvent(event);
        app->showSettings();
        SettingsDialog *dialog = app->settingsDialog();
        dialog->m_removeExpiredEvents->click();
        dialog->m_removeExpiredEventsDays->setValue(30);
        press(dialog, QDialogButtonBox::Apply);
        // The flag arrives before the days: the event must not be judged by the old 0 days.
        QCOMPARE(app->eventsManager()->count(), 1);
        dialog->m_removeExpiredEventsDays->setValue(5);
        press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(app->eventsManager()->count(), 0);
        Common::Clock::unpin();
    }
};

QTEST_APPLESS_MAIN(TestApplicationSettings)
#include "tst_applicationsettings.moc"
