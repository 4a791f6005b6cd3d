#include "events/ui/holidayeventeditor.h"

#include "core/log.h"
#include "events/holidayevent.h"
#include "widgets/occurrencecontrol.h"
#include "widgets/photobox.h"
#include "widgets/remindinbox.h"
#include "widgets/dateedit.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

HolidayEventEditor::HolidayEventEditor(HolidayEvent *event, QWidget *parent) : EventForm(event, parent)
{
    setObjectName(QStringLiteral("HolidayEventEditor"));
    setWindowTitle(tr("Holiday"));
    // Wide enough for the form's rows and the photo at any font.
    setMinimumSize(436, 150);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setVerticalSpacing(10);
    captionLineEdit = textField(this, "captionLineEdit");
    form->addRow(new QLabel(tr("Name"), this), captionLineEdit);
    commentLabel = new QLabel(tr("Comment"), this);
    commentLineEdit = textField(this, "commentLineEdit");
    form->addRow(commentLabel, commentLineEdit);
    dateEdit = new DateEdit(this);
    dateEdit->setObjectName(QStringLiteral("dateEdit"));
    dateEdit->setCalendarPopup(true);
    auto *dateRow = new QHBoxLayout;
    dateRow->addWidget(dateEdit);
    dateRow->addSpacing(30);
    dateRow->addStretch();
    form->addRow(new QLabel(tr("Date"), this), dateRow);
    recurrenceLabel = new QLabel(tr("Recurrence"), this);
    occurrenceControl = new OccurrenceControl(this);
    occurrenceControl->setObjectName(QStringLiteral("occurrenceControl"));
    occurrenceControl->setWordWrap(true);
    form->addRow(recurrenceLabel, occurrenceControl);
    daysToWatchSpinBox = remindBox(this, "daysToWatchSpinBox");
    auto *remindRow = new QHBoxLayout;
    remindRow->addWidget(daysToWatchSpinBox);
    remindRow->addStretch();
    form->addRow(new QLabel(tr("Remind in"), this), remindRow);
    photoViewer = addPhotoColumn(this, form);

    occurrenceControl->setOccurrence(event->occurrence());
    captionLineEdit->setText(event->caption());
    dateEdit->setDate(event->period().beginDate());
    commentLineEdit->setText(event->comment());
    daysToWatchSpinBox->setValue(event->daysToWatch());
    connect(dateEdit, &QDateEdit::dateChanged, occurrenceControl, &OccurrenceControl::setStartDate);
    initPhotoBox(photoViewer);
    showByField("recurrenceKey", {occurrenceControl, recurrenceLabel});
    showByField("commentField", {commentLabel, commentLineEdit});
    showTextsFromStart();
}

bool HolidayEventEditor::check(QString &errorText)
{
    if (captionLineEdit->text().isEmpty()) {
        errorText = tr("Holiday name cannot be empty");
        return false;
    }
    return true;
}

void HolidayEventEditor::apply()
{
    AbstractCommonEvent *e = event();
    e->setCaption(captionLineEdit->text());
    e->setPeriod(Period(dateEdit->date()));
    e->setComment(commentLineEdit->text());
    e->setOccurrence(occurrenceControl->occurrence());
    e->setDaysToWatch(daysToWatchSpinBox->value());
}
