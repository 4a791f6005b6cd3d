#include "core/settingkeys.h"

#include <QtTest>

// Users' stores hold these spellings and were written with these defaults: neither may drift.
class TestSettingKeys : public QObject
{
    Q_OBJECT

private slots:
    void keepsStoredSpellingAndDefault_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QVariant>("defaultValue");
        QTest::addColumn<QVariant>("storedDefault");
        const auto row = [](const char *key, const char *stored, const QVariant &value = QVariant(),
                            const QVariant &storedValue = QVariant()) {
            QTest::newRow(stored) << QByteArray(key) << QByteArray(stored) << value << storedValue;
        };
        row(Setting::PropertiesGroup, "Properties/");
        row(Setting::DaysToWatch, "daysToWatch", Setting::DaysToWatchDefault, QVariant(15));
        row(Setting::NotifyMinutes, "notifyMinutes", Setting::NotifyMinutesDefault, QVariant(15));
        row(Setting::NotifyDays, "notifyDays", Setting::NotifyDaysDefault, QVariant(0));
        row(Setting::ShowAppointmentInMovingLine, "showAppointmentInMovingLine",
            Setting::ShowAppointmentInMovingLineDefault, QVariant(true));
        row(Setting::ShowAppointmentReminder, "showAppointmentReminder", Setting::ShowAppointmentReminderDefault,
            QVariant(true));
        row(Setting::ExitWhenMovingLineIsHidden, "exitWhenMovingLineIsHidden",
            Setting::ExitWhenMovingLineIsHiddenDefault, QVariant(false));
        row(Setting::ReminderWidgetDefaultMinutes, "reminderWidgetDefaultMinutes",
            Setting::ReminderWidgetDefaultMinutesDefault, QVariant(15));
        row(Setting::AppointmentSoundPath, "appointmentSoundPath");
        row(Setting::CreepingLineVisibilityOption, "creepingLineVisibilityOption",
            Setting::CreepingLineVisibilityOptionDefault, QVariant(2));
        row(Setting::StartIfNoEvents, "startIfNoEvents", Setting::StartIfNoEventsDefault, QVariant(true));
        row(Setting::AppAutorun, "appAutorun", Setting::AppAutorunDefault, QVariant(true));
        row(Setting::RemoveExpiredEvents, "removeExpiredEvents", Setting::RemoveExpiredEventsDefault, QVariant(false));
        row(Setting::RemoveExpiredEventsDays, "removeExpiredEventsDays", Setting::RemoveExpiredEventsDaysDefault,
            QVariant(0));
        row(Setting::Locale, "locale");
        row(Setting::PanelPosition, "panelPosition", Setting::PanelPositionDefault, QVariant(1));
        row(Setting::PanelOnTop, "panelOnTop", Setting::PanelOnTopDefault, QVariant(false));
        row(Setting::MonitorNumber, "monitorNumber", Setting::MonitorNumberDefault, QVariant(-1));
        row(Setting::TransparentForMouseEvents, "transparentForMouseEvents", Setting::TransparentForMouseEventsDefault,
            QVariant(false));
        row(Setting::AdjustBackgroundToWallpaper, "adjustBackgroundToWallpaper",
            Setting::AdjustBackgroundToWallpaperDefault, QVariant(true));
        row(Setting::PanelBackgroundColor1, "s_panelBackgroundColor1");
        row(Setting::PanelBackgroundColor2, "s_panelBackgroundColor2");
        row(Setting::PanelBackgroundGradient, "panelBackgroundGradient");
        row(Setting::FirstDayOfWeek, "firstDayOfWeek");
        row(Setting::MovingTextFont, "movingTextFont");
        row(Setting::MovingTextColor, "movingTextColor");
        row(Setting::RemoveTextDayXfromY, "removeTextDayXfromY", Setting::RemoveTextDayXfromYDefault, QVariant(false));
        row(Setting::RemoveTextToday, "removeTextToday", Setting::RemoveTextTodayDefault, QVariant(false));
        row(Setting::RemoveDuplicatingWhen, "removeDuplicatingWhen", Setting::RemoveDuplicatingWhenDefault,
            QVariant(false));
        row(Setting::MovingLineSpeed, "movingLineSpeed", Setting::MovingLineSpeedDefault, QVariant(1));
        row(Setting::HotExitArea, "hotExitArea", Setting::HotExitAreaDefault, QVariant(false));
        row(Setting::ExitOnLeftButtonClick, "exitOnLeftButtonClick", Setting::ExitOnLeftButtonClickDefault,
            QVariant(false));
        row(Setting::MovingTextDirection, "movingTextDirection", Setting::MovingTextDirectionDefault, QVariant(0));
        row(Setting::VerticalPause, "verticalPause", Setting::VerticalPauseDefault, QVariant(1000));
        row(Setting::PermanentScroll, "permanentScroll", Setting::PermanentScrollDefault, QVariant(false));
        row(Setting::EditorCurrentView, "editorCurrentView", Setting::EditorCurrentViewDefault, QVariant(0));
        row(Setting::EditorFilterPanel, "editorFilterPanel", Setting::EditorFilterPanelDefault, QVariant(false));
        row(Setting::EditorSplitterGeometry, "editorSplitterGeometry");
        row(Setting::CalendarsTypesSplitter, "calendarsTypesSplitterKey");
        row(Setting::EditorGeometry, "EditorGeometry");
        row(Setting::ReportDialogGeometry, "ReportDialog");
        row(Setting::CustomTypeWizardGeometry, "CustomTypeWizard");
        row(Setting::WidgetInfoDialogGeometry, "WidgetInfoDialog");
        row(Setting::AboutDialogGeometry, "aboutdialog");
        row(Setting::GadgetTheme, "theme");
        row(Setting::ApplyThemeToAll, "applyThemeToAll", Setting::ApplyThemeToAllDefault, QVariant(false));
        row(Setting::WebHost, "webHost");
        row(Setting::ReportName, "report.name");
        row(Setting::ReportEmail, "report.email");
        row(Setting::AutostartEntryWritten, "autostartEntryWritten", Setting::AutostartEntryWrittenDefault,
            QVariant(false));
        row(Setting::Reminders, "reminder");
        row(Setting::ReminderLastLook, "reminderLastLook");
        row(Setting::UpdateDontRemindVersion, "UpdateDontRemindVersion");
        row(Setting::StatGroup, "stat");
        row(Setting::Uid, "uid");
    }

    void keepsStoredSpellingAndDefault()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, stored);
        QFETCH(QVariant, defaultValue);
        QFETCH(QVariant, storedDefault);
        QCOMPARE(key, stored);
        QCOMPARE(defaultValue, storedDefault);
        QCOMPARE(defaultValue.typeId(), storedDefault.typeId());
    }
};

QTEST_GUILESS_MAIN(TestSettingKeys)
#include "tst_settingkeys.moc"
