#pragma once

#include "events/ui/eventform.h"

class OccurrenceControl;
class PeriodControl;
class PhotoBoxWidget;
class QLabel;
class QLineEdit;
class RemindInBox;
class TaskEvent;

// The task's form: subject, period without times, recurrence, days of warning, comment and photo.
class TaskEventEditor : public EventForm
{
    Q_OBJECT

public:
    TaskEventEditor(TaskEvent *event, QWidget *parent);

    QLineEdit *captionLineEdit;
    PeriodControl *periodControl;
    QLabel *recurrenceLabel;
    OccurrenceControl *occurrenceControl;
    RemindInBox *daysToWatchSpinBox;
    QLabel *commentLabel;
    QLineEdit *commentLineEdit;
    PhotoBoxWidget *photoViewer;

protected:
    bool check(QString &errorText) override;
    void apply() override;
};
