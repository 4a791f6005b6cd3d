#include "events/ui/eventuihooks.h"

#include "events/abstractcommonevent.h"
#include "events/birthdayevent.h"
#include "events/holidayevent.h"
#include "events/notspecifiedevent.h"
#include "events/taskevent.h"
#include "events/weddingevent.h"
#include "events/ui/birthdayeventeditor.h"
#include "events/ui/eventeditdialog.h"
#include "events/ui/eventinfowidget.h"
#include "events/ui/holidayeventeditor.h"
#include "events/ui/notspeceventeditor.h"
#include "events/ui/taskeventeditor.h"
#include "events/ui/weddingeventeditor.h"

#include <QLayout>
#include <memory>
#include <QPixmap>

// Outside any namespace, as the resource macro needs.
static void initFormResources()
{
    Q_INIT_RESOURCE(forms);
}

EventForm *makeEventForm(AbstractCommonEvent *event, QWidget *parent)
{
    static const bool s_resources = (initFormResources(), true);
    Q_UNUSED(s_resources);
    if (auto *e = qobject_cast<BirthdayEvent *>(event))
        return new BirthdayEventEditor(e, parent);
    if (auto *e = qobject_cast<NotSpecifiedEvent *>(event))
        return new NotSpecEventEditor(e, parent);
    if (auto *e = qobject_cast<HolidayEvent *>(event))
        return new HolidayEventEditor(e, parent);
    if (auto *e = qobject_cast<WeddingEvent *>(event))
        return new WeddingEventEditor(e, parent);
    if (auto *e = qobject_cast<TaskEvent *>(event))
        return new TaskEventEditor(e, parent);
    return nullptr;
}

QPixmap renderEditorPixmap(AbstractCommonEvent *event)
{
    std::unique_ptr<EventForm> form(makeEventForm(event, nullptr));
    if (!form)
        return QPixmap();
    form->ensurePolished();
    if (form->layout())
        form->layout()->activate();
    form->resize(form->size().expandedTo(form->sizeHint()));
    return form->grab();
}

namespace {

constexpr EventType s_formKinds[] = {EventTypeNotSpecified, EventTypeBirthday, EventTypeWedding, EventTypeHoliday,
                                     EventTypeTask};

} // namespace

void installEventUiHooks(std::function<int(EventEditDialog &)> runEditDialog)
{
    const auto maker = [](AbstractCommonEvent *event, QWidget *parent) -> IEventForm * {
        return makeEventForm(event, parent);
    };
    for (EventType type : s_formKinds)
        AbstractCommonEvent::setFormMaker(type, maker);
    AbstractCommonEvent::setInfoWidgetMaker(makeEventInfoWidget);
    AbstractCommonEvent::setEditDialogRunner([runEditDialog](AbstractCommonEvent *event, QWidget *parent) {
        EventEditDialog dialog(event, parent, runEditDialog);
        return dialog.run();
    });
    AbstractCommonEvent::setEditorPixmapMaker(renderEditorPixmap);
}

void removeEventUiHooks()
{
    for (EventType type : s_formKinds)
        AbstractCommonEvent::setFormMaker(type, {});
    AbstractCommonEvent::setInfoWidgetMaker({});
    AbstractCommonEvent::setEditDialogRunner({});
    AbstractCommonEvent::setEditorPixmapMaker({});
}
