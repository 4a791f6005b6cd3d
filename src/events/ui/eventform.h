#pragma once

#include "core/settingkeys.h"
#include "events/abstractcommonevent.h"

#include "widgets/photobox.h"

#include <QComboBox>
#include <QPointer>
#include <QWidget>

class QLayout;
class QLineEdit;
class RemindInBox;

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

    // A one-line text field of the forms' usual length.
    static QLineEdit *textField(QWidget *parent, const char *name);
    // A days box whose "set as default" value is kept under the setting `key`.
    static RemindInBox *remindBox(QWidget *parent, const char *name, const char *key = Setting::DaysToWatch);
    // The photo box in a column right of `fields`, the two filling `host` edge to edge; a negative
    // spacing keeps the style's.
    static PhotoBoxWidget *addPhotoColumn(QWidget *host, QLayout *fields, int spacing = -1);
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
