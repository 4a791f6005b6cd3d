#pragma once

// Every key the program stores its settings under, spelled once. The spellings are what users' stores
// already hold, so none may change. A key registered as a property keeps its default beside it; a
// default that hangs on an upper layer's enum is its int value, checked where the enum is known, and a
// default worked out at run time (a font, the locale's first day) is made where it is registered.
namespace Setting {
// The group every property is stored under.
inline constexpr char PropertiesGroup[] = "Properties/";

// Properties (stored under "Properties/<key>").
inline constexpr char DaysToWatch[] = "daysToWatch";
inline constexpr int DaysToWatchDefault = 15;
inline constexpr char NotifyMinutes[] = "notifyMinutes";
inline constexpr int NotifyMinutesDefault = 15;
inline constexpr char NotifyDays[] = "notifyDays";
inline constexpr int NotifyDaysDefault = 0;
inline constexpr char ShowAppointmentInMovingLine[] = "showAppointmentInMovingLine";
inline constexpr bool ShowAppointmentInMovingLineDefault = true;
inline constexpr char ShowAppointmentReminder[] = "showAppointmentReminder";
inline constexpr bool ShowAppointmentReminderDefault = true;
inline constexpr char ExitWhenMovingLineIsHidden[] = "exitWhenMovingLineIsHidden";
inline constexpr bool ExitWhenMovingLineIsHiddenDefault = false;
inline constexpr char ReminderWidgetDefaultMinutes[] = "reminderWidgetDefaultMinutes";
inline constexpr int ReminderWidgetDefaultMinutesDefault = 15;
inline constexpr char AppointmentSoundPath[] = "appointmentSoundPath"; // default: empty string
inline constexpr char CreepingLineVisibilityOption[] = "creepingLineVisibilityOption";
inline constexpr int CreepingLineVisibilityOptionDefault = 2; // BarVisibility::Always
// Read once and dropped: an old switch turned into a visibility option.
inline constexpr char StartIfNoEvents[] = "startIfNoEvents";
inline constexpr bool StartIfNoEventsDefault = true;
inline constexpr char AppAutorun[] = "appAutorun";
inline constexpr bool AppAutorunDefault = true;
inline constexpr char RemoveExpiredEvents[] = "removeExpiredEvents";
inline constexpr bool RemoveExpiredEventsDefault = false;
inline constexpr char RemoveExpiredEventsDays[] = "removeExpiredEventsDays";
inline constexpr int RemoveExpiredEventsDaysDefault = 0;
inline constexpr char Locale[] = "locale"; // default: none (the system's language)

// The bar.
inline constexpr char PanelPosition[] = "panelPosition";
inline constexpr int PanelPositionDefault = 1; // BarPlacement::Bottom
inline constexpr char PanelOnTop[] = "panelOnTop";
inline constexpr bool PanelOnTopDefault = false;
inline constexpr char MonitorNumber[] = "monitorNumber";
inline constexpr int MonitorNumberDefault = -1;
inline constexpr char TransparentForMouseEvents[] = "transparentForMouseEvents";
inline constexpr bool TransparentForMouseEventsDefault = false;
inline constexpr char AdjustBackgroundToWallpaper[] = "adjustBackgroundToWallpaper";
inline constexpr bool AdjustBackgroundToWallpaperDefault = true;
inline constexpr char PanelBackgroundColor1[] = "s_panelBackgroundColor1";   // default: invalid colour
inline constexpr char PanelBackgroundColor2[] = "s_panelBackgroundColor2";   // default: invalid colour
inline constexpr char PanelBackgroundGradient[] = "panelBackgroundGradient"; // default: empty
inline constexpr char FirstDayOfWeek[] = "firstDayOfWeek";                   // default: the locale's, else Monday
inline constexpr char MovingTextFont[] = "movingTextFont";                   // default: the application font, enlarged
inline constexpr char MovingTextColor[] = "movingTextColor";                 // default: black
inline constexpr char RemoveTextDayXfromY[] = "removeTextDayXfromY";
inline constexpr bool RemoveTextDayXfromYDefault = false;
inline constexpr char RemoveTextToday[] = "removeTextToday";
inline constexpr bool RemoveTextTodayDefault = false;
inline constexpr char RemoveDuplicatingWhen[] = "removeDuplicatingWhen";
inline constexpr bool RemoveDuplicatingWhenDefault = false;
inline constexpr char MovingLineSpeed[] = "movingLineSpeed";
inline constexpr int MovingLineSpeedDefault = 1;
inline constexpr char HotExitArea[] = "hotExitArea";
inline constexpr bool HotExitAreaDefault = false;
inline constexpr char ExitOnLeftButtonClick[] = "exitOnLeftButtonClick";
inline constexpr bool ExitOnLeftButtonClickDefault = false;
inline constexpr char MovingTextDirection[] = "movingTextDirection";
inline constexpr int MovingTextDirectionDefault = 0; // MovingView::Horizontal
inline constexpr char VerticalPause[] = "verticalPause";
inline constexpr int VerticalPauseDefault = 1000;
inline constexpr char PermanentScroll[] = "permanentScroll";
inline constexpr bool PermanentScrollDefault = false;

// The editor.
inline constexpr char EditorCurrentView[] = "editorCurrentView";
inline constexpr int EditorCurrentViewDefault = 0;
inline constexpr char EditorFilterPanel[] = "editorFilterPanel";
inline constexpr bool EditorFilterPanelDefault = false;
inline constexpr char EditorSplitterGeometry[] = "editorSplitterGeometry";    // default: empty
inline constexpr char CalendarsTypesSplitter[] = "calendarsTypesSplitterKey"; // default: empty

// Window geometries (default: empty, the window's own size).
inline constexpr char EditorGeometry[] = "EditorGeometry";
inline constexpr char ReportDialogGeometry[] = "ReportDialog";
inline constexpr char CustomTypeWizardGeometry[] = "CustomTypeWizard";
inline constexpr char WidgetInfoDialogGeometry[] = "WidgetInfoDialog";
inline constexpr char AboutDialogGeometry[] = "aboutdialog";

// Gadgets.
inline constexpr char GadgetTheme[] = "theme"; // default: the first theme
inline constexpr char ApplyThemeToAll[] = "applyThemeToAll";
inline constexpr bool ApplyThemeToAllDefault = false;

// Plain settings, outside the properties.
inline constexpr char WebHost[] = "webHost";
inline constexpr char ReportName[] = "report.name";
inline constexpr char ReportEmail[] = "report.email";
inline constexpr char AutostartEntryWritten[] = "autostartEntryWritten";
inline constexpr bool AutostartEntryWrittenDefault = false;
inline constexpr char Reminders[] = "reminder";
inline constexpr char ReminderLastLook[] = "reminderLastLook";
inline constexpr char ReminderShown[] = "reminderShown";
inline constexpr char UpdateDontRemindVersion[] = "UpdateDontRemindVersion";
// The group of the statistics counters.
inline constexpr char StatGroup[] = "stat";
// The install's id, kept in a store of the organisation's own.
inline constexpr char Uid[] = "uid";
} // namespace Setting
