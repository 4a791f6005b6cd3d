#pragma once

#include "events/ui/eventform.h"

class HolidayEvent;
class OccurrenceControl;
class PhotoBoxWidget;
class QDateEdit;
class QLabel;
class QLineEdit;
class RemindInBox;

// The holiday's form: name, comment, date, any recurrence, days of warning and photo.
class HolidayEventEditor : public EventForm
{
    Q_OBJECT

public:
    HolidayEventEditor(HolidayEvent *event, QWidget *parent);

    QLineEdit *captionLineEdit;
    QLabel *commentLabel;
    QLineEdit *commentLineEdit;
    QDateEdit *dateEdit;
    QLabel *recurrenceLabel;
    OccurrenceControl *occurrenceControl;
    RemindInBox *daysToWatchSpinBox;
    PhotoBoxWidget *photoViewer;

protected:
    bool check(QString &errorText) override;
    void apply() override;
};
