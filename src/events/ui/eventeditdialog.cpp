#include "events/ui/eventeditdialog.h"

#include "core/colorcontrast.h"
#include "core/log.h"
#include "events/abstractcommonevent.h"
#include "events/ui/eventform.h"
#include "store/calendarinfo.h"
#include "widgets/dateedit.h"
#include "widgets/dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

EventEditDialog::EventEditDialog(AbstractCommonEvent *event, QWidget *parent, Exec exec)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_event(event), m_exec(std::move(exec))
{
    setObjectName(QStringLiteral("EventEditDialog"));
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    QWidget *formWidget = event->eventWidget(this);
    m_form = qobject_cast<EventForm *>(formWidget);
    QR_ASSERT(m_form);
    if (formWidget) {
        resize(formWidget->sizeHint());
        layout->addWidget(formWidget);
    }
    const CustomTypeInfo &type = event->customTypeMetaInfo();
    setWindowTitle(type.isValid() ? type.name : (formWidget ? formWidget->windowTitle() : QString()));

    m_errorLabel = new QLabel(this);
    m_errorLabel->setObjectName(QStringLiteral("errorLabel"));
    m_errorLabel->setTextFormat(Qt::PlainText);
    m_errorLabel->setWordWrap(true);
    QPalette palette = m_errorLabel->palette();
    // Red, as near as reads on the window's own colour (pure red is too dark on a dark theme).
    palette.setColor(QPalette::WindowText,
                     ColorContrast::readableColour(QColor(255, 0, 0), {palette.color(QPalette::Window)}));
    m_errorLabel->setPalette(palette);
    layout->addWidget(m_errorLabel);
    layout->addSpacing(7);

    m_calendarBox = new QComboBox(this);
    m_calendarBox->setObjectName(QStringLiteral("calendarBox"));
    const QList<CalendarInfo> calendars = CalendarsProvider::calendars();
    QR_ASSERT(!calendars.isEmpty());
    for (const CalendarInfo &calendar : calendars)
        m_calendarBox->addItem(calendar.name, calendar.id);
    // An event without a known calendar is shown in the default one, where the store puts it.
    int current = m_calendarBox->findData(event->calendarId());
    if (current < 0)
        current = m_calendarBox->findData(CalendarsProvider::defaultCalendarId());
    m_calendarBox->setCurrentIndex(qMax(0, current));
    if (m_form)
        m_form->setCalendarBox(m_calendarBox);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_calendarBox);
    bottom->addStretch();
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
    setFixedSize(sizeHint());
}

bool EventEditDialog::run()
{
    QString errorText;
    for (;;) {
        m_errorLabel->setText(errorText);
        m_errorLabel->setVisible(!errorText.isEmpty());
        const int result = m_exec ? m_exec(*this) : Dialog::execWindowModal(this);
        if (result != QDialog::Accepted)
            return false;
        errorText.clear();
        // A date field whose text is no date says so under it; the form is not taken with another date.
        if (!DateEdit::readAll(this))
            continue;
        if (m_event->acceptEditor(errorText))
            return true;
        // The message makes the dialog taller; it keeps a size that shows it.
        setFixedSize(sizeHint());
    }
}
