#pragma once

#include "events/abstractcommonevent.h"

#include "widgets/photobox.h"

#include <QComboBox>
#include <QPointer>
#include <QWidget>

// Base of the kinds' edit forms. Accepting runs in a fixed order: the kind checks its fields
// (nothing changes on a refusal), then the photo and calendar are taken, then the kind's fields.
// The form reaches its event through a guarded pointer: an event that is gone is never touched.
class EventForm : public QWidget, public IEventForm
{
    Q_OBJECT

public:
    EventForm(AbstractCommonEvent *event, QWidget *parent);

    QWidget *widget() override { return this; }
    QObject *object() override { return this; }
    bool accept(QString &errorText) override;

    AbstractCommonEvent *event() const { return m_event; }
    // The edit dialog's calendar choice; without one the event keeps its calendar.
    void setCalendarBox(QComboBox *box) { m_calendarBox = box; }
    PhotoBoxWidget *photoViewer() const { return m_photoViewer; }

protected:
    // The event handler stays reachable beside the event() accessor.
    using QWidget::event;
    // False with a message when the form holds something that cannot be taken.
    virtual bool check(QString &errorText) = 0;
    // Writes the form's own fields into the event.
    virtual void apply() = 0;

    // Sizes the photo box and shows the event's photo, or its default picture from `provider`.
    void initPhotoBox(PhotoBoxWidget *viewer, IDefaultPhotoProvider *provider = nullptr);
    // Shows the widgets when the event's custom type shows the field; built-in types show all.
    void showByField(const QByteArray &field, std::initializer_list<QWidget *> widgets) const;
    // Long texts show from their start, not scrolled to the cursor at their end.
    void showTextsFromStart();
    bool hasCustomType() const { return m_event && m_event->customTypeMetaInfo().isValid(); }

private:
    AbstractCommonEvent::EditorValues editorValues() const;

    QPointer<AbstractCommonEvent> m_event;
    QPointer<PhotoBoxWidget> m_photoViewer;
    QPointer<QComboBox> m_calendarBox;
};
