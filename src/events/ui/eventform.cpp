#include "events/ui/eventform.h"

#include "core/log.h"
#include "widgets/photobox.h"
#include "widgets/remindinbox.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

EventForm::EventForm(AbstractCommonEvent *event, QWidget *parent) : QWidget(parent), m_event(event)
{
    QR_ASSERT(event);
}

bool EventForm::accept(QString &errorText)
{
    if (!m_event) {
        errorText = tr("The event no longer exists.");
        return false;
    }
    if (!check(errorText))
        return false;
    // Every setter would announce itself, and each announcement saves the whole events file and
    // rescans the events: the form's values are one change, announced once when all are set.
    const Period period = m_event->period();
    const Occurrence occurrence = m_event->occurrence();
    {
        const QSignalBlocker quiet(m_event.data());
        m_event->acceptCommonEditorValues(editorValues());
        apply();
    }
    m_event->notifyDataChanged();
    if (m_event && (m_event->period() != period || m_event->occurrence() != occurrence))
        m_event->notifyPeriodChanged();
    return true;
}

AbstractCommonEvent::EditorValues EventForm::editorValues() const
{
    AbstractCommonEvent::EditorValues values;
    values.calendarId = m_event->calendarId();
    if (m_calendarBox && m_calendarBox->currentIndex() >= 0)
        values.calendarId = m_calendarBox->currentData().toByteArray();
    if (m_photoViewer && m_photoViewer->photoBox()->isDirty()) {
        PhotoBox *box = m_photoViewer->photoBox();
        values.photoChanged = true;
        values.photoIsDefault = box->isDefault();
        values.photo = box->pixmap();
    }
    return values;
}

QLineEdit *EventForm::textField(QWidget *parent, const char *name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(300);
    return edit;
}

RemindInBox *EventForm::remindBox(QWidget *parent, const char *name, const char *key)
{
    auto *box = new RemindInBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setMinimumSize(15, 0);
    box->setProperty("defaultPropertyKey", QString::fromLatin1(key));
    return box;
}

PhotoBoxWidget *EventForm::addPhotoColumn(QWidget *host, QLayout *fields, int spacing)
{
    auto *viewer = new PhotoBoxWidget(host);
    viewer->setObjectName(QStringLiteral("photoViewer"));
    viewer->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    viewer->setMinimumSize(128, 146);
    viewer->setCursor(Qt::PointingHandCursor);
    auto *column = new QVBoxLayout;
    column->setSpacing(0);
    column->addWidget(viewer);
    column->addStretch();

    auto *row = new QHBoxLayout(host);
    if (spacing >= 0)
        row->setSpacing(spacing);
    row->setContentsMargins(0, 0, 0, 0);
    row->addLayout(fields, 1);
    row->addLayout(column);
    return viewer;
}

void EventForm::initPhotoBox(PhotoBoxWidget *viewer, IDefaultPhotoProvider *provider)
{
    m_photoViewer = viewer;
    viewer->setPhotoSize(QSize(AbstractCommonEvent::s_photoSize, AbstractCommonEvent::s_photoSize));
    PhotoBox *box = viewer->photoBox();
    box->setDefault(!m_event->hasStoredPhoto());
    box->setDefaultPhotoProvider(provider ? provider : m_event.data());
    if (!provider) {
        // The box keeps a plain pointer to its provider; an event that goes away is taken from it.
        connect(m_event, &QObject::destroyed, box, [box] { box->setDefaultPhotoProvider(nullptr); });
    }
    if (!box->isDefault())
        box->setPhoto(m_event->photo(false));
}

void EventForm::showByField(const QByteArray &field, std::initializer_list<QWidget *> widgets) const
{
    if (!hasCustomType())
        return;
    const bool visible = m_event->isFieldVisible(field);
    for (QWidget *w : widgets)
        w->setVisible(visible);
}

void EventForm::showTextsFromStart()
{
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        edit->setCursorPosition(0);
}
