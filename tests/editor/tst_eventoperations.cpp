#include "eventtypestestutils.h"
#include "app/processhooks.h"
#include "core/undoobject.h"
#include "editor/eventoperations.h"
#include "editortestenv.h"
#include "events/ui/eventeditdialog.h"
#include "events/ui/notspeceventeditor.h"
#include "testhelpers.h"
#include "widgets/periodcontrol.h"

#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QUndoStack>
#include <QtTest>

namespace {

// Events in two calendars, the event types with one custom type, the real edit dialogs and the undo stack.
struct EventsEnv : EditorTestEnv
{
    EventsEnv() : files(typesDir.path()), calendars(manager.get())
    {
        properties->addProperty("appointmentSoundPath", QString());
        app.m_undoObject = &undoObject;
        undoObject.clearUndoStack();
        files.storage->insertCustomType(IEventTypesStorage::Index(), 0, makeCustomType("c1", "Zahnarzttermin", 0));
        app.m_eventTypesStorage = files.storage.get();
        family = addCalendar("Family");
        addIn(family, 0, "Dentist", Period(QDate(2026, 3, 11)));
    }
    ~EventsEnv()
    {
        undoObject.clearUndoStack();
        app.m_eventTypesStorage = nullptr;
        app.m_undoObject = nullptr;
    }

    QByteArray fileBytes() const
    {
        QFile file(dir.filePath("events.dat"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    ProcessHooks hooks;
    QTemporaryDir typesDir;
    TypesFiles files;
    CalendarsProvider calendars;
    UndoObject undoObject;
    UndoProxy undo{&undoObject};
    QByteArray family;
};

// The dialog's answer: OK with that caption typed, or Cancel.
void answerDialog(EventsEnv &env, bool accept, const QString &caption)
{
    env.hooks.runEditDialog = [accept, caption, runs = 0](EventEditDialog &dialog) mutable {
        // A form that refuses the values brings the dialog back: answer that with Cancel.
        if (++runs > 1 || !accept)
            return int(QDialog::Rejected);
        if (auto *edit = dialog.form()->findChild<QLineEdit *>(QStringLiteral("captionLineEdit")))
            edit->setText(caption);
        return int(QDialog::Accepted);
    };
}

} // namespace

// Making and editing single events through the kinds' edit dialogs: what a new event starts
// with, and one undo step per accepted dialog.
class TestEventOperations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        // The events file names the program version; undo reads it back with this one.
        QCoreApplication::setApplicationVersion("3.3.0");
    }

    void newEventStartsWith_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<bool>("expectFamily");
        QTest::newRow("no day, no calendar chosen") << QDate() << QStringList() << false;
        QTest::newRow("a day from the day menu") << QDate(2026, 4, 2) << QStringList() << false;
        QTest::newRow("the calendar chosen in the panel") << QDate() << QStringList{"family"} << true;
        QTest::newRow("the first of several chosen") << QDate(2026, 4, 2) << QStringList{"family", "default"} << true;
    }

    void newEventStartsWith()
    {
        QFETCH(QDate, day);
        QFETCH(QStringList, selected);
        QFETCH(bool, expectFamily);
        EventsEnv env;
        QList<QByteArray> ids;
        for (const QString &name : selected)
            ids << (name == "family" ? env.family : env.manager->defaultCalendarId());
        for (const QByteArray &typeId : {QByteArray("1"), QByteArray("c1")}) {
            IEventType *type = env.files.storage->typeById(typeId);
            QVERIFY(type);
            const Period typesOwn = type->createEvent()->period();
            const AbstractCommonEventPtr event =
                EventOperations::newEvent(*type, day, ids, env.manager->defaultCalendarId(), 7);
            QVERIFY(event);
            QCOMPARE(event->daysToWatch(), 7);
            QCOMPARE(event->period().beginDate(), day.isValid() ? day : typesOwn.beginDate());
            if (day.isValid()) {
                QVERIFY(!event->period().hasTime());
                QVERIFY(event->period().hasNoEnd());
            }
            QCOMPARE(event->calendarId(), expectFamily ? env.family : env.manager->defaultCalendarId());
            QCOMPARE(event->customTypeMetaInfo().isValid(), typeId == "c1");
            QCOMPARE(env.manager->count(), 1);
        }
    }

    void addingThroughTheDialog_data()
    {
        QTest::addColumn<QByteArray>("typeId");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("undoText");
        QTest::newRow("built-in kind") << QByteArray("0") << true << "New " + EventsFactory::eventName(0) + " Event";
        QTest::newRow("custom type, named after it") << QByteArray("c1") << true << "New Zahnarzttermin Event";
        QTest::newRow("cancelled") << QByteArray("0") << false << QString();
    }

    void addingThroughTheDialog()
    {
        QFETCH(QByteArray, typeId);
        QFETCH(bool, accept);
        QFETCH(QString, undoText);
        EventsEnv env;
        const QByteArray before = env.fileBytes();
        answerDialog(env, accept, "Kontrolle – Dr. Ødegård");
        const AbstractCommonEventPtr event = EventOperations::newEvent(
            *env.files.storage->typeById(typeId), QDate(2026, 4, 2), {env.family}, env.manager->defaultCalendarId(), 3);
        QCOMPARE(EventOperations(env.manager.get(), &env.undo).addThroughDialog(event, nullptr), accept);
        QUndoStack *stack = UndoObject::undoStack();
        QCOMPARE(stack->count(), accept ? 1 : 0);
        QCOMPARE(env.manager->count(), accept ? 2 : 1);
        if (!accept) {
            QCOMPARE(env.fileBytes(), before);
            return;
        }
        QCOMPARE(stack->undoText(), undoText);
        const AbstractCommonEventPtr added = env.manager->eventByIndex(1);
        QCOMPARE(added->caption(), QString("Kontrolle – Dr. Ødegård"));
        QCOMPARE(added->calendarId(), env.family);
        stack->undo();
        QCOMPARE(env.manager->count(), 1);
        QCOMPARE(env.fileBytes(), before);
        stack->redo();
        QCOMPARE(env.manager->count(), 2);
        QCOMPARE(env.manager->eventByIndex(1)->caption(), QString("Kontrolle – Dr. Ødegård"));
    }

    void editingThroughTheDialog_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("accepted: one step") << true;
        QTest::newRow("cancelled: nothing") << false;
    }

    void editingThroughTheDialog()
    {
        QFETCH(bool, accept);
        EventsEnv env;
        const QByteArray before = env.fileBytes();
        answerDialog(env, accept, "Dentist at 10");
        QCOMPARE(EventOperations(env.manager.get(), &env.undo).editThroughDialog(0, nullptr), accept);
        QUndoStack *stack = UndoObject::undoStack();
        QCOMPARE(stack->count(), accept ? 1 : 0);
        QCOMPARE(env.manager->eventByIndex(0)->caption(), accept ? QString("Dentist at 10") : QString("Dentist"));
        if (!accept) {
            QCOMPARE(env.fileBytes(), before);
            return;
        }
        QCOMPARE(stack->undoText(), QString("Edit Event"));
        const QByteArray after = env.fileBytes();
        stack->undo();
        QCOMPARE(env.manager->eventByIndex(0)->caption(), QString("Dentist"));
        QCOMPARE(env.fileBytes(), before);
        stack->redo();
        QCOMPARE(env.manager->eventByIndex(0)->caption(), QString("Dentist at 10"));
        QCOMPARE(env.fileBytes(), after);
    }

    // An accepted dialog sets many fields; the manager hears of it once: one save, one change,
    // and a layout change only when the period moved.
    void anAcceptedDialogIsOneChange_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QDate>("day");
        QTest::newRow("caption") << "Dentist at 10" << QDate();
        QTest::newRow("caption and day") << "Dentist at 10" << QDate(2026, 3, 12);
        QTest::newRow("nothing but OK") << "Dentist" << QDate();
    }

    void anAcceptedDialogIsOneChange()
    {
        QFETCH(QString, caption);
        QFETCH(QDate, day);
        EventsEnv env;
        env.hooks.runEditDialog = [caption, day](EventEditDialog &dialog) {
            if (auto *edit = dialog.form()->findChild<QLineEdit *>(QStringLiteral("captionLineEdit")))
                edit->setText(caption);
            auto *period = dialog.form()->findChild<PeriodControl *>(QStringLiteral("periodControl"));
            if (period && day.isValid())
                period->setPeriod(Period(day));
            return int(QDialog::Accepted);
        };
        QSignalSpy saved(env.manager.get(), &EventsManager::saved);
        QSignalSpy changed(env.manager.get(), &EventsManager::eventChanged);
        QSignalSpy layout(env.manager.get(), &EventsManager::layoutChanged);
        QVERIFY(EventOperations(env.manager.get(), &env.undo).editThroughDialog(0, nullptr));
        const AbstractCommonEventPtr event = env.manager->eventByIndex(0);
        QCOMPARE(event->caption(), caption);
        QCOMPARE(event->period().beginDate(), day.isValid() ? day : QDate(2026, 3, 11));
        QCOMPARE(saved.count(), 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(layout.count(), 0); // a new date too: every view takes the row's change in alone
        QVERIFY(env.fileBytes().contains(caption.toUtf8()));
    }

    void editingAnIndexOutOfRangeDoesNothing()
    {
        TestHelpers::expectFailedChecks();
        EventsEnv env;
        answerDialog(env, true, "x");
        EventOperations ops(env.manager.get(), &env.undo);
        QVERIFY(!ops.editThroughDialog(5, nullptr));
        QVERIFY(!ops.editThroughDialog(-1, nullptr));
        QCOMPARE(UndoObject::undoStack()->count(), 0);
    }
};

QTEST_MAIN(TestEventOperations)
#include "tst_eventoperations.moc"
