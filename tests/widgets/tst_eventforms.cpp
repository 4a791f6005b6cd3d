#include "app/processhooks.h"
#include "core/clock.h"
#include "core/properties.h"
#include "core/storage.h"
#include "editor/printtabledialog.h"
#include "events/birthdayevent.h"
#include "events/eventsfactory.h"
#include "events/holidayevent.h"
#include "events/notspecifiedevent.h"
#include "events/taskevent.h"
#include "events/ui/birthdayeventeditor.h"
#include "events/ui/eventeditdialog.h"
#include "events/ui/eventuihooks.h"
#include "events/ui/notspeceventeditor.h"
#include "events/weddingevent.h"
#include "fakeapplication.h"
#include "shots.h"
#include "store/calendarinfo.h"
#include "store/eventsmanager.h"
#include "testhelpers.h"
#include "widgets/dateedit.h"
#include "widgets/occurrenceeditor.h"
#include "widgets/periodcontrol.h"
#include "widgets/photobox.h"
#include "widgets/remindinbox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

using EventPtr = std::shared_ptr<AbstractCommonEvent>;
Q_DECLARE_METATYPE(EventPtr)

namespace {

const QString s_longName = QStringLiteral("Gülşen Øvergård-Łukasiewicz");
const QString s_comment = QStringLiteral("Торт из кондитерской на углу — и цветы 🌷, не забыть открытку");

QVariantMap stored(const AbstractCommonEvent &e)
{
    return e.saveToVariant().toMap();
}

void flatten(const QVariant &value, const QString &path, QMap<QString, QString> *out)
{
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            flatten(it.value(), path + QLatin1Char('/') + it.key(), out);
    } else if (value.typeId() == QMetaType::QVariantList) {
        const QVariantList list = value.toList();
        for (int i = 0; i < list.size(); ++i)
            flatten(list.at(i), path + QLatin1Char('/') + QString::number(i), out);
    } else {
        out->insert(path, value.toString() + QLatin1Char(' ') + QLatin1String(value.typeName()));
    }
}

// The keys whose values differ, for a readable failure message.
QByteArray differences(const QVariantMap &a, const QVariantMap &b)
{
    QMap<QString, QString> fa, fb;
    flatten(a, QString(), &fa);
    flatten(b, QString(), &fb);
    QStringList lines;
    QStringList keys = fa.keys() + fb.keys();
    keys.removeDuplicates();
    for (const QString &key : keys)
        if (fa.value(key) != fb.value(key))
            lines << key + QStringLiteral(": ") + fa.value(key) + QStringLiteral(" -> ") + fb.value(key);
    return lines.join(QLatin1Char('\n')).toUtf8();
}

#define COMPARE_MAPS(actual, expected) QVERIFY2((actual) == (expected), differences((expected), (actual)).constData())

// Sample events of every kind, as a user would have them.
EventPtr appointment(const Period &period, const QString &sound = QString())
{
    auto e = std::make_shared<NotSpecifiedEvent>();
    e->setCaption(QStringLiteral("Zahnarzt Dr. Müller, Praxis im zweiten Stock"));
    e->setPeriod(period);
    e->setOccurrence(Occurrence(period.beginDate(), IOccurrence::Weekly));
    e->setComment(s_comment);
    e->setLocation(QStringLiteral("Hauptstraße 12, Göttingen"));
    e->setDaysToWatch(3);
    e->setNotifyMinutes(45);
    e->setNotifyDays(2);
    e->setSoundPath(sound);
    return e;
}

EventPtr birthday()
{
    auto e = std::make_shared<BirthdayEvent>();
    e->setPersonName(s_longName);
    e->setPeriod(Period(QDate(1990, 2, 28)));
    e->setOccurrence(Occurrence(QDate(1990, 2, 28), IOccurrence::Yearly));
    e->setGenderId(1);
    e->setComment(s_comment);
    e->setDaysToWatch(7);
    return e;
}

EventPtr wedding()
{
    auto e = std::make_shared<WeddingEvent>();
    e->setPersonOneName(QStringLiteral("Zoë"));
    e->setPersonTwoName(QStringLiteral("Ígor Sánchez-Ñúñez"));
    e->setPeriod(Period(QDate(2015, 6, 20)));
    e->setOccurrence(Occurrence(QDate(2015, 6, 20), IOccurrence::Yearly));
    e->setComment(s_comment);
    e->setDaysToWatch(10);
    return e;
}

EventPtr holiday()
{
    auto e = std::make_shared<HolidayEvent>();
    e->setCaption(QStringLiteral("Día de los Muertos"));
    e->setPeriod(Period(QDate(2026, 11, 2)));
    Occurrence monthly(QDate(2026, 11, 2), IOccurrence::Monthly);
    monthly.setStep(2);
    e->setOccurrence(monthly);
    e->setComment(s_comment);
    e->setDaysToWatch(4);
    return e;
}

EventPtr task()
{
    auto e = std::make_shared<TaskEvent>();
    e->setCaption(QStringLiteral("Steuererklärung abgeben"));
    e->setPeriod(Period(QDate(2026, 3, 12), QDate(2026, 3, 14)));
    e->setOccurrence(Occurrence(QDate(2026, 3, 12), IOccurrence::Yearly));
    e->setComment(s_comment);
    e->setDaysToWatch(5);
    return e;
}

CustomTypeInfo customType(const AbstractCommonEvent &e, const QByteArray &hiddenField)
{
    CustomTypeInfo info = e.defaultCustomTypeMetaInfo();
    info.id = "{custom-type}";
    info.name = QStringLiteral("Geburtstag im Büro");
    info.baseType = e.type();
    info.fieldsVisibility.insert(hiddenField, false);
    return info;
}

template <typename T> T *child(QWidget *form, const char *name)
{
    T *found = form->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

} // namespace

// The kinds' edit forms, the common edit dialog and the information frame.
class TestEventForms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void formRoundTripsEvent_data();
    void formRoundTripsEvent();
    void emptyNameIsRefused_data();
    void emptyNameIsRefused();
    void customTypeHidesField_data();
    void customTypeHidesField();
    void twoDigitYearIsNearToday();

    void birthdayDayListFollowsMonth_data();
    void birthdayDayListFollowsMonth();
    void birthdayAgeAndYearFollowEachOther_data();
    void birthdayAgeAndYearFollowEachOther();
    void birthdayTypedDay_data();
    void birthdayTypedDay();
    void birthdayDefaultPhotoFollowsButtons();

    void appointmentSoundIsMatched_data();
    void appointmentSoundIsMatched();
    void appointmentNotifyRowFollowsTime();
    void appointmentTabFollowsTheForm();

    void formOutlivesEvent();
    void editDialogKeepsOpenOnError();
    void editDialogTakesCalendar();
    void infoFrameEscapesMarkup();
    void eventPixmapIsFormPicture();
    void dateProblemTakesNoWidth_data();
    void dateProblemTakesNoWidth();
    void dialogShots();

private:
    std::unique_ptr<FakeApplication> m_app;
    std::unique_ptr<ProcessHooks> m_hooks;
    std::unique_ptr<Properties> m_properties;
    std::unique_ptr<Storage> m_storage;
    std::unique_ptr<EventsManager> m_events;
    std::unique_ptr<CalendarsProvider> m_calendars;
    QTemporaryDir m_soundDir;
    QStringList m_sounds;
};

void TestEventForms::initTestCase()
{
    TestHelpers::isolateEnvironment();
    // The data functions make events too; every test runs on the same pinned day.
    Common::Clock::pin(QDateTime(QDate(2026, 12, 6), QTime(9, 30)));
    m_hooks = std::make_unique<ProcessHooks>();
    m_sounds = {QStringLiteral("/opt/quillane/sounds/bell.wav"), QStringLiteral("/opt/quillane/sounds/chime.wav")};
}

void TestEventForms::init()
{
    Common::Clock::pin(QDateTime(QDate(2026, 12, 6), QTime(9, 30)));
    m_app = std::make_unique<FakeApplication>();
    m_app->m_sounds = m_sounds;
    const QDir data(m_app->dataLocation());
    m_properties = std::make_unique<Properties>(nullptr, data.filePath("prop.dat"));
    for (const char *id : {"daysToWatch", "notifyDays", "notifyMinutes"})
        m_properties->addProperty(id, 1);
    m_properties->addProperty("appointmentSoundPath", QString());
    m_properties->addProperty("showAppointmentInMovingLine", true);
    m_properties->addProperty("showAppointmentReminder", true);
    for (const char *id : {"removeTextToday", "removeTextDayXfromY"})
        m_properties->addProperty(id, false);
    m_app->m_properties = m_properties.get();
    m_storage = std::make_unique<Storage>(data.filePath("pixmaps.dat"));
    m_app->m_storage = m_storage.get();
    m_events = std::make_unique<EventsManager>(data.filePath("events.dat"));
    m_events->addCalendar(CalendarInfo(QByteArray("{home}"), QStringLiteral("Zuhause")));
    m_events->addCalendar(CalendarInfo(QByteArray("{work}"), QStringLiteral("Büro")));
    m_calendars = std::make_unique<CalendarsProvider>(m_events.get());
}

void TestEventForms::cleanup()
{
    m_hooks->runEditDialog = {};
    m_calendars.reset();
    m_events.reset();
    m_app->m_storage = nullptr;
    m_app->m_properties = nullptr;
    m_storage.reset();
    m_properties.reset();
    m_app.reset();
    Common::Clock::pin(QDateTime(QDate(2026, 12, 6), QTime(9, 30)));
}

void TestEventForms::cleanupTestCase()
{
    m_hooks.reset();
    Common::Clock::unpin();
}

void TestEventForms::formRoundTripsEvent_data()
{
    QTest::addColumn<EventPtr>("event");
    const Period midnight(QDate(2026, 12, 31), QTime(23, 30), QDate(2027, 1, 1), QTime(0, 30));
    QTest::newRow("appointment across midnight") << appointment(midnight, m_sounds.at(1));
    QTest::newRow("appointment whole day") << appointment(Period(QDate(2026, 5, 1)));
    QTest::newRow("birthday on 28 February") << birthday();
    QTest::newRow("wedding") << wedding();
    QTest::newRow("holiday every second month") << holiday();
    QTest::newRow("task of three days") << task();
}

void TestEventForms::formRoundTripsEvent()
{
    QFETCH(EventPtr, event);
    const QVariantMap before = stored(*event);
    std::unique_ptr<QWidget> form(event->eventWidget(nullptr));
    QVERIFY(form);
    QSignalSpy changed(event.get(), &AbstractCommonEvent::dataChanged);
    QString error;
    QVERIFY2(event->acceptEditor(error), qPrintable(error));
    QVERIFY(error.isEmpty());
    COMPARE_MAPS(stored(*event), before);
    QVERIFY(!changed.isEmpty());
}

void TestEventForms::emptyNameIsRefused_data()
{
    QTest::addColumn<EventPtr>("event");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("message");
    QTest::newRow("appointment") << appointment(Period(QDate(2026, 5, 1))) << QStringList{"captionLineEdit"}
                                 << "Caption cannot be empty";
    QTest::newRow("birthday") << birthday() << QStringList{"personName"} << "Please enter person's name";
    QTest::newRow("wedding") << wedding() << QStringList{"personOneName", "personTwoName"} << "Names cannot be empty!";
    QTest::newRow("holiday") << holiday() << QStringList{"captionLineEdit"} << "Holiday name cannot be empty";
    QTest::newRow("task") << task() << QStringList{"captionLineEdit"} << "Subject cannot be empty";
}

void TestEventForms::emptyNameIsRefused()
{
    QFETCH(EventPtr, event);
    QFETCH(QStringList, fields);
    QFETCH(QString, message);
    const QVariantMap before = stored(*event);
    std::unique_ptr<QWidget> form(event->eventWidget(nullptr));
    child<QLineEdit>(form.get(), "commentLineEdit")->setText(QStringLiteral("changed"));
    for (const QString &field : fields)
        child<QLineEdit>(form.get(), field.toLatin1().constData())->clear();
    QSignalSpy changed(event.get(), &AbstractCommonEvent::dataChanged);
    QString error;
    QVERIFY(!event->acceptEditor(error));
    QCOMPARE(error, message);
    COMPARE_MAPS(stored(*event), before);
    QCOMPARE(changed.count(), 0);
}

void TestEventForms::customTypeHidesField_data()
{
    QTest::addColumn<EventPtr>("event");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("widget");
    QTest::newRow("birthday gender") << birthday() << QByteArray("genderField") << "genderBox";
    QTest::newRow("birthday year") << birthday() << QByteArray("yearField") << "ageFrame";
    QTest::newRow("appointment location")
        << appointment(Period(QDate(2026, 5, 1))) << QByteArray("locationField") << "locationEdit";
    QTest::newRow("appointment recurrence")
        << appointment(Period(QDate(2026, 5, 1))) << QByteArray("recurrenceField") << "occurrenceControl";
    QTest::newRow("wedding yearly") << wedding() << QByteArray("remindEveryYearField") << "remindCheckBox";
    QTest::newRow("holiday recurrence") << holiday() << QByteArray("recurrenceKey") << "occurrenceControl";
    QTest::newRow("task comment") << task() << QByteArray("commentField") << "commentLineEdit";
}

void TestEventForms::customTypeHidesField()
{
    QFETCH(EventPtr, event);
    QFETCH(QByteArray, field);
    QFETCH(QString, widget);
    {
        std::unique_ptr<QWidget> form(event->eventWidget(nullptr));
        QVERIFY(!child<QWidget>(form.get(), widget.toLatin1().constData())->isHidden());
    }
    event->setCustomTypeMetaInfo(customType(*event, field));
    const QVariantMap before = stored(*event);
    // The wizard previews a custom type's form through the same maker.
    std::unique_ptr<QWidget> form(makeEventForm(event.get(), nullptr));
    QVERIFY(child<QWidget>(form.get(), widget.toLatin1().constData())->isHidden());
    QVERIFY(!child<QWidget>(form.get(), "photoViewer")->isHidden());

    // A hidden field keeps what the event held.
    QString error;
    QVERIFY(static_cast<EventForm *>(form.get())->accept(error));
    QVariantMap after = stored(*event);
    if (event->type() == EventTypeNotSpecified) {
        // The custom type's switch defaults apply when its form opens.
        after.remove("abstract");
        QVariantMap beforeOwn = before;
        beforeOwn.remove("abstract");
        COMPARE_MAPS(after, beforeOwn);
    } else if (event->type() == EventTypeTask) {
        QCOMPARE(after.value("comment"), before.value("comment"));
    } else {
        COMPARE_MAPS(after, before);
    }
}

void TestEventForms::twoDigitYearIsNearToday()
{
    QFocusEvent leave(QEvent::FocusOut); // as a click on OK takes the focus
    // Typed as a user does, separators too: Qt moves on after "3" and "15" by itself.
    for (const auto &[locale, typed, byReturn, shown] :
         {std::tuple("en_US", "3/15/27\r", true, "3/15/2027"), std::tuple("de_DE", "15.03.27", false, "15.03.2027")}) {
        QLocale::setDefault(QLocale(locale));
        QWidget owner; // every kind of window with a date field
        for (const EventPtr &event : {appointment(Period(QDate(2026, 5, 1))), wedding(), holiday()})
            event->eventWidget(&owner);
        new OccurrenceEditor(Occurrence(QDate(1960, 1, 1), IOccurrence::Daily), &owner);
        new PrintTableDialog(&owner, m_events.get(), {});
        QLocale::setDefault(QLocale::system());
        for (QDateEdit *edit : owner.findChildren<QDateEdit *>()) {
            edit->setEnabled(true); // the repetition's end waits for its check box
            edit->setDate(QDate(1970, 1, 2));
            edit->setSelectedSection(edit->sectionAt(0));
            QTest::keyClicks(edit, typed);
            if (!byReturn)
                QApplication::sendEvent(edit, &leave);
            QCOMPARE(edit->text(), QString(shown));
            QCOMPARE(edit->date(), QDate(2027, 3, 15));
        }
    }
}

void TestEventForms::birthdayDayListFollowsMonth_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("fromMonth");
    QTest::addColumn<int>("fromDay");
    QTest::addColumn<int>("toMonth");
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("day");
    QTest::newRow("31 March to April") << 1990 << 3 << 31 << 4 << 30 << "1";
    QTest::newRow("29 February, year not given, to 2023") << 1852 << 2 << 29 << 2 << 28 << "1";
    QTest::newRow("29 February, year not given, to 2024") << 1852 << 2 << 29 << 2 << 29 << "29";
    QTest::newRow("30 January to February 2023") << 2023 << 1 << 30 << 2 << 28 << "1";
    QTest::newRow("15 May to June") << 1990 << 5 << 15 << 6 << 30 << "15";
}

void TestEventForms::birthdayDayListFollowsMonth()
{
    QFETCH(int, year);
    QFETCH(int, fromMonth);
    QFETCH(int, fromDay);
    QFETCH(int, toMonth);
    QFETCH(int, days);
    QFETCH(QString, day);
    BirthdayEvent event;
    event.setPersonName(s_longName);
    event.setPeriod(Period(QDate(year, fromMonth, fromDay)));
    BirthdayEventEditor form(&event, nullptr);
    QCOMPARE(form.dayComboBox->currentText(), QString::number(fromDay));
    if (toMonth != fromMonth)
        form.monthComboBox->setCurrentIndex(toMonth - 1);
    else // the same month in another year: the user types the year
        form.yearSpinBox->setValue(day == "29" ? 2024 : 2023);
    QCOMPARE(form.dayComboBox->count(), days);
    QCOMPARE(form.dayComboBox->currentText(), day);
}

void TestEventForms::birthdayAgeAndYearFollowEachOther_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("age");
    QTest::addColumn<int>("year");
    // Today is pinned to 6 December 2026.
    QTest::newRow("birthday passed this year") << 5 << 10 << 30 << 1996;
    QTest::newRow("birthday still to come") << 12 << 25 << 30 << 1995;
    QTest::newRow("birthday today") << 12 << 6 << 1 << 2025;
    QTest::newRow("age not known") << 5 << 10 << -1 << 1852;
}

void TestEventForms::birthdayAgeAndYearFollowEachOther()
{
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(int, age);
    QFETCH(int, year);
    BirthdayEvent event;
    event.setPeriod(Period(QDate(1852, month, day)));
    BirthdayEventEditor form(&event, nullptr);
    QCOMPARE(form.ageSpinBox->value(), -1);
    QCOMPARE(form.yearSpinBox->value(), 1852);

    form.ageSpinBox->setValue(age == -1 ? 40 : age);
    form.ageSpinBox->setValue(age);
    QCOMPARE(form.yearSpinBox->value(), year);
    QCOMPARE(form.ageSpinBox->value(), age);
    // And back: the year typed gives the age.
    form.yearSpinBox->setValue(1970);
    form.yearSpinBox->setValue(year);
    QCOMPARE(form.ageSpinBox->value(), age);
}

void TestEventForms::birthdayTypedDay_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("storedDay");
    QTest::newRow("30 April") << 4 << "30" << 30;
    QTest::newRow("31 April") << 4 << "31" << 0;
    QTest::newRow("3 January") << 1 << "3" << 3;
    QTest::newRow("32 January") << 1 << "32" << 0;
    QTest::newRow("nothing typed") << 1 << "" << 0;
}

void TestEventForms::birthdayTypedDay()
{
    QFETCH(int, month);
    QFETCH(QString, typed);
    QFETCH(int, storedDay);
    auto event = birthday();
    const QVariantMap before = stored(*event);
    std::unique_ptr<QWidget> widget(event->eventWidget(nullptr));
    auto *form = static_cast<BirthdayEventEditor *>(widget.get());
    form->monthComboBox->setCurrentIndex(month - 1);
    const int items = form->dayComboBox->count();
    QLineEdit *edit = form->dayComboBox->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, typed);
    QTest::keyClick(edit, Qt::Key_Return);
    // No typed day ever becomes an item of the list.
    QCOMPARE(form->dayComboBox->count(), items);

    QString error;
    const bool accepted = event->acceptEditor(error);
    QCOMPARE(accepted, storedDay != 0);
    if (accepted) {
        QCOMPARE(event->period().beginDate(), QDate(1990, month, storedDay));
    } else {
        QCOMPARE(error, QString("Please choose a day from 1 to %1").arg(items));
        COMPARE_MAPS(stored(*event), before);
    }
}

void TestEventForms::birthdayDefaultPhotoFollowsButtons()
{
    auto event = birthday();
    std::unique_ptr<QWidget> widget(event->eventWidget(nullptr));
    auto *form = static_cast<BirthdayEventEditor *>(widget.get());
    PhotoBox *box = form->photoViewer->photoBox();
    const QImage female = box->pixmap().toImage();
    form->maleButton->setChecked(true);
    QVERIFY(box->isDefault());
    QCOMPARE(box->pixmap().toImage(), BirthdayEvent::maleIcon().pixmap(128).toImage());
    QVERIFY(box->pixmap().toImage() != female);
    // Without a form the event answers by its stored gender.
    widget.reset();
    QCOMPARE(event->defaultPhoto().pixmap(128).toImage(), BirthdayEvent::femaleIcon().pixmap(128).toImage());
}

void TestEventForms::appointmentSoundIsMatched_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("taken");
    QTest::addColumn<bool>("playable");
    const QString other = m_soundDir.filePath("Ring.wav");
    QFile file(other);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QTest::newRow("no sound") << QString() << "No Sound" << QString() << false;
    QTest::newRow("one of the program's") << m_sounds.at(1) << "Chime" << m_sounds.at(1) << true;
    QTest::newRow("moved program, other case") << "/usr/share/old/sounds/BELL.WAV"
                                               << "Bell" << m_sounds.at(0) << true;
    QTest::newRow("user's own file") << other << "Ring" << other << true;
    QTest::newRow("file gone") << "/nowhere/gone.wav"
                               << "No Sound" << QString() << false;
}

void TestEventForms::appointmentSoundIsMatched()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(QString, taken);
    QFETCH(bool, playable);
    auto event = appointment(Period(QDate(2026, 5, 1)), stored);
    std::unique_ptr<QWidget> widget(event->eventWidget(nullptr));
    auto *form = static_cast<NotSpecEventEditor *>(widget.get());
    QCOMPARE(form->soundComboBox->currentText(), shown);
    QCOMPARE(form->playButton->isEnabled(), playable);
    if (playable) {
        form->playButton->click();
        QCOMPARE(m_app->m_playedSounds, QStringList{taken});
    }
    QString error;
    QVERIFY(event->acceptEditor(error));
    QCOMPARE(event->soundPath(), taken);
}

void TestEventForms::appointmentNotifyRowFollowsTime()
{
    auto event = appointment(Period(QDate(2026, 5, 1), QTime(10, 0)));
    std::unique_ptr<QWidget> widget(event->eventWidget(nullptr));
    auto *form = static_cast<NotSpecEventEditor *>(widget.get());
    // The reminder tab is not the current one, so only the widgets' own state counts.
    QVERIFY(!form->notificationMinutesWidget->isHidden());
    QVERIFY(form->notificationDaysWidget->isHidden());
    QCOMPARE(form->notificationMinutes->spinBox()->maximum(), 40320);
    form->periodControl->setTimeSwitch(false);
    QVERIFY(form->notificationMinutesWidget->isHidden());
    QVERIFY(!form->notificationDaysWidget->isHidden());
    form->notificationReminderCheckBox->setChecked(false);
    QVERIFY(!form->soundComboBox->isEnabledTo(form));
    QVERIFY(!form->notificationDays->isEnabledTo(form));
}

void TestEventForms::appointmentTabFollowsTheForm()
{
    auto event = appointment(Period(QDate(2026, 5, 1), QTime(10, 0), QDate(2026, 5, 2), QTime(11, 0)));
    EventEditDialog dialog(event.get(), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QApplication::setActiveWindow(&dialog);
    dialog.findChild<NotSpecEventEditor *>()->captionLineEdit->setFocus();
    QStringList order;
    // A date or time field takes Tab for its own sections first.
    for (int i = 0; i < 25 && QApplication::focusWidget(); ++i) {
        if (order.isEmpty() || order.last() != QApplication::focusWidget()->objectName())
            order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    const QStringList visual{"captionLineEdit", "dateEdit",     "timeEdit",          "dateToEdit",   "timeToEdit",
                             "periodCheckBox",  "timeCheckBox", "occurrenceControl", "locationEdit", "commentLineEdit"};
    QCOMPARE(order.mid(0, visual.size()), visual);
}

void TestEventForms::formOutlivesEvent()
{
    auto event = birthday();
    std::unique_ptr<EventForm> form(makeEventForm(event.get(), nullptr));
    event.reset();
    QString error;
    QVERIFY(!form->accept(error));
    QVERIFY(!error.isEmpty());
    // The photo box asks the form, never the event that is gone.
    static_cast<BirthdayEventEditor *>(form.get())->maleButton->setChecked(true);
}

void TestEventForms::editDialogKeepsOpenOnError()
{
    auto event = holiday();
    const QVariantMap before = stored(*event);
    QStringList errors;
    QByteArray shownCalendar;
    int runs = 0;
    m_hooks->runEditDialog = [&](EventEditDialog &dialog) {
        errors << dialog.errorLabel()->text();
        shownCalendar = dialog.calendarBox()->currentData().toByteArray();
        ++runs;
        if (runs == 1) {
            child<QLineEdit>(dialog.form(), "captionLineEdit")->clear();
            return int(QDialog::Accepted);
        }
        return int(QDialog::Rejected);
    };
    QVERIFY(!event->editDialog(nullptr));
    QCOMPARE(runs, 2);
    QCOMPARE(errors, (QStringList{QString(), "Holiday name cannot be empty"}));
    // An event of no calendar is shown in the default one.
    QCOMPARE(shownCalendar, CalendarsProvider::defaultCalendarId());
    COMPARE_MAPS(stored(*event), before);
}

void TestEventForms::editDialogTakesCalendar()
{
    auto event = task();
    event->setCalendarId("{home}", true);
    Common::Clock::pin(QDateTime(QDate(2026, 12, 7), QTime(8, 0)));
    QString shownCalendar, title;
    m_hooks->runEditDialog = [&](EventEditDialog &dialog) {
        shownCalendar = dialog.calendarBox()->currentText();
        title = dialog.windowTitle();
        dialog.calendarBox()->setCurrentIndex(dialog.calendarBox()->findData(QByteArray("{work}")));
        return int(QDialog::Accepted);
    };
    QVERIFY(event->editDialog(nullptr));
    QCOMPARE(shownCalendar, QStringLiteral("Zuhause"));
    QCOMPARE(title, QStringLiteral("Task Event"));
    QCOMPARE(event->calendarId(), QByteArray("{work}"));
    QCOMPARE(event->lastModified(), QDateTime(QDate(2026, 12, 7), QTime(8, 0)));
}

void TestEventForms::infoFrameEscapesMarkup()
{
    auto event = std::static_pointer_cast<NotSpecifiedEvent>(appointment(Period(QDate(2026, 5, 1))));
    event->setComment(QStringLiteral("a<b & <i>Hallo</i> — see https://example.org/ü"));
    event->setLocation(QStringLiteral("   "));
    std::unique_ptr<QWidget> frame(event->infoWidget());
    QVERIFY(frame);
    QString comment;
    int rows = 0;
    for (QLabel *label : frame->findChildren<QLabel *>(QStringLiteral("infoValue"))) {
        ++rows;
        QCOMPARE(label->textFormat(), Qt::RichText);
        QVERIFY2(!label->text().contains("<i>"), qPrintable(label->text()));
        if (label->text().contains("Hallo"))
            comment = label->text();
    }
    QStringList names, values;
    event->infoRows(names, values, false);
    QCOMPARE(rows, values.count() - 1); // the blank location is dropped
    QCOMPARE(comment, AbstractCommonEvent::markupLinks(event->comment()));
    QVERIFY(comment.startsWith("a&lt;b &amp; &lt;i&gt;Hallo"));
    QVERIFY(comment.contains("<a href=\"https://example.org/"));
    TestHelpers::saveShot(frame.get(), QStringLiteral("eventinfo"));
}

void TestEventForms::eventPixmapIsFormPicture()
{
    const QPixmap first = EventsFactory::eventPixmap(EventTypeHoliday);
    QVERIFY(!first.isNull());
    QVERIFY(first.width() >= 436);
    QCOMPARE(EventsFactory::eventPixmap(EventTypeHoliday).cacheKey(), first.cacheKey());
}

void TestEventForms::dateProblemTakesNoWidth_data()
{
    QTest::addColumn<EventPtr>("event"); // none: the repetition editor
    QTest::addColumn<int>("pointSize");  // 0: the usual font
    QTest::addColumn<QString>("problem");
    const QString problem = QStringLiteral("No such date: type one as 12/9/2026");
    const QString french =
        QStringLiteral("Avant le début, 15/03/2027 : tapez une date de fin qui vient après le début");
    QTest::newRow("appointment") << appointment(Period(QDate(2026, 5, 1), QTime(9, 0))) << 0 << problem;
    QTest::newRow("wedding") << wedding() << 0 << problem;
    QTest::newRow("holiday") << holiday() << 0 << problem;
    QTest::newRow("task") << task() << 0 << problem;
    QTest::newRow("task, larger font") << task() << 16 << french;
    QTest::newRow("repetition, larger font") << EventPtr() << 16 << french;
    QTest::newRow("repetition chosen, larger font") << EventPtr() << 16 << french;
}

void TestEventForms::dateProblemTakesNoWidth()
{
    QFETCH(EventPtr, event);
    QFETCH(int, pointSize);
    QFETCH(QString, problem);
    const bool chosen = QByteArray(QTest::currentDataTag()).contains("chosen"); // after the editor shows
    const QFont usual = QApplication::font();
    QFont font = usual;
    if (pointSize > 0)
        font.setPointSize(pointSize);
    QApplication::setFont(font);
    const auto restoreFont = qScopeGuard([&] { QApplication::setFont(usual); });
    std::unique_ptr<QDialog> dialog;
    if (event)
        dialog = std::make_unique<EventEditDialog>(event.get(), nullptr);
    else if (chosen)
        dialog = std::make_unique<OccurrenceEditor>(Occurrence(QDate(2027, 3, 15), IOccurrence::Once));
    else
        dialog = std::make_unique<OccurrenceEditor>(Occurrence::fromRRule({2027, 3, 15}, "FREQ=DAILY;UNTIL=20270320"));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    if (chosen)
        dialog->findChild<QComboBox *>("repeatComboBox")->setCurrentIndex(IOccurrence::Daily);
    if (auto *end = dialog->findChild<QCheckBox *>("endDateCheckBox"); end && !end->isChecked())
        end->click();
    auto *edit = dialog->findChild<DateEdit *>();
    QTRY_VERIFY(edit->isVisible() && dialog->height() >= dialog->heightForWidth(dialog->width())); // rows whole
    const QSize size = dialog->size();
    TestHelpers::saveShot(dialog.get(), QTest::currentDataTag());
    const auto heights = [&] {
        QList<int> all;
        for (const QWidget *field : dialog->findChildren<QWidget *>()) {
            if (field->isVisible() &&
                (qobject_cast<const QAbstractSpinBox *>(field) || qobject_cast<const QLineEdit *>(field)))
                all.append(field->height());
        }
        return all;
    };
    const QList<int> fieldHeights = heights();
    edit->setProblem(problem);
    QCOMPARE(dialog->width(), size.width());
    QVERIFY(dialog->height() > size.height());
    // Every line of the message shows, and no field gives up height for it.
    const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
    QLabel *line = *std::find_if(labels.cbegin(), labels.cend(), [&](QLabel *l) { return l->text() == problem; });
    QTRY_VERIFY(line->height() >= line->heightForWidth(line->width()));
    QVERIFY(dialog->rect().contains(QRect(line->mapTo(dialog.get(), QPoint()), line->size())));
    const QList<int> shownHeights = heights();
    for (qsizetype i = 0; i < fieldHeights.size(); ++i)
        QVERIFY(shownHeights.at(i) >= fieldHeights.at(i));
    edit->setProblem(QString());
    QTRY_COMPARE(dialog->size(), size);
}

void TestEventForms::dialogShots()
{
    if (qEnvironmentVariableIsEmpty("QR_SHOTS_DIR"))
        QSKIP("QR_SHOTS_DIR is not set");
    const Period timed(QDate(2026, 12, 31), QTime(23, 30), QDate(2027, 1, 1), QTime(0, 30));
    const QList<QPair<QString, EventPtr>> events = {{"editdialog-appointment", appointment(timed, m_sounds.at(0))},
                                                    {"editdialog-birthday", birthday()},
                                                    {"editdialog-wedding", wedding()},
                                                    {"editdialog-holiday", holiday()},
                                                    {"editdialog-task", task()}};
    for (const auto &[name, event] : events) {
        EventEditDialog dialog(event.get(), nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::qWait(20); // the set-as-default buttons appear once the event loop turns
        TestHelpers::saveShot(&dialog, name);
        if (auto *date = dialog.findChild<DateEdit *>()) {
            date->setProblem(QStringLiteral("No such date: type one as 12/9/2026"));
            QTest::qWait(20);
            TestHelpers::saveShot(&dialog, name + QStringLiteral("-problem"));
            date->setProblem(QString());
        }
        if (auto *form = dialog.findChild<NotSpecEventEditor *>()) {
            form->tabWidget->setCurrentIndex(1);
            TestHelpers::saveShot(&dialog, name + QStringLiteral("-reminder"));
        }
    }
}

QTEST_MAIN(TestEventForms)
#include "tst_eventforms.moc"
