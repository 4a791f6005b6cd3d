#include "events/ui/taskeventeditor.h"

#include "core/log.h"
#include "events/taskevent.h"
#include "widgets/occurrencecontrol.h"
#include "widgets/periodcontrol.h"
#include "widgets/photobox.h"
#include "widgets/remindinbox.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TaskEventEditor::TaskEventEditor(TaskEvent *event, QWidget *parent) : EventForm(event, parent)
{
    setObjectName(QStringLiteral("TaskEventEditor"));
    setWindowTitle(tr("Task Event"));
    resize(544, 199);
    setMinimumWidth(544);

    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(10);
    grid->setHorizontalSpacing(10);
    captionLineEdit = textField(this, "captionLineEdit");
    grid->addWidget(new QLabel(tr("Subject"), this), 0, 0);
    grid->addWidget(captionLineEdit, 0, 1);
    periodControl = new PeriodControl(this);
    periodControl->setObjectName(QStringLiteral("periodControl"));
    periodControl->setMinimumSize(342, 44);
    grid->addWidget(periodControl, 1, 1);
    recurrenceLabel = new QLabel(tr("Recurrence"), this);
    occurrenceControl = new OccurrenceControl(this);
    occurrenceControl->setObjectName(QStringLiteral("occurrenceControl"));
    occurrenceControl->setWordWrap(true);
    grid->addWidget(recurrenceLabel, 2, 0);
    grid->addWidget(occurrenceControl, 2, 1);
    daysToWatchSpinBox = remindBox(this, "daysToWatchSpinBox");
    auto *remindRow = new QHBoxLayout;
    remindRow->addWidget(daysToWatchSpinBox);
    remindRow->addStretch();
    grid->addWidget(new QLabel(tr("Remind in"), this), 3, 0);
    grid->addLayout(remindRow, 3, 1);
    commentLabel = new QLabel(tr("Comment"), this);
    commentLineEdit = textField(this, "commentLineEdit");
    grid->addWidget(commentLabel, 4, 0);
    grid->addWidget(commentLineEdit, 4, 1);
    auto *left = new QVBoxLayout;
    left->setSpacing(0);
    left->addLayout(grid);
    left->addStretch();
    photoViewer = addPhotoColumn(this, left);

    captionLineEdit->setText(event->caption());
    commentLineEdit->setText(event->comment());
    occurrenceControl->setOccurrence(event->occurrence());
    daysToWatchSpinBox->setValue(event->daysToWatch());
    periodControl->setPeriod(event->period());
    connect(periodControl, &PeriodControl::beginDateChanged, occurrenceControl, &OccurrenceControl::setStartDate);
    initPhotoBox(photoViewer);
    // Tasks carry no times.
    periodControl->setTimeSwitch(false);
    periodControl->setTimeSwitchVisible(false);
    if (hasCustomType()) {
        showByField("commentField", {commentLabel, commentLineEdit});
        periodControl->setPeriodSwitchVisible(event->isFieldVisible("periodBoxField"));
        periodControl->setPeriodSwitch(event->fieldDefaultValue("startDateField").toBool());
        showByField("recurrenceField", {occurrenceControl, recurrenceLabel});
    }
    showTextsFromStart();
}

bool TaskEventEditor::check(QString &errorText)
{
    if (captionLineEdit->text().isEmpty()) {
        errorText = tr("Subject cannot be empty");
        return false;
    }
    return true;
}

void TaskEventEditor::apply()
{
    AbstractCommonEvent *e = event();
    e->setCaption(captionLineEdit->text());
    e->setPeriod(periodControl->period());
    e->setComment(commentLineEdit->text());
    e->setOccurrence(occurrenceControl->occurrence());
    e->setDaysToWatch(daysToWatchSpinBox->value());
}
