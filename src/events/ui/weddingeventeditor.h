#pragma once

#include "events/ui/eventform.h"

class PhotoBoxWidget;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class RemindInBox;
class WeddingEvent;

// The wedding day's form: the two names between the prefix and postfix words, the date, days of
// warning, whether it recurs every year, comment and photo.
class WeddingEventEditor : public EventForm
{
    Q_OBJECT

public:
    WeddingEventEditor(WeddingEvent *event, QWidget *parent);

    QLabel *prefixLabel;
    QLineEdit *personOneName;
    QLineEdit *personTwoName;
    QLabel *postfixLabel;
    QDateEdit *dateEdit;
    RemindInBox *daysToWatchSpinBox;
    QCheckBox *remindCheckBox;
    QLabel *commentLabel;
    QLineEdit *commentLineEdit;
    PhotoBoxWidget *photoViewer;

protected:
    bool check(QString &errorText) override;
    void apply() override;

private:
    WeddingEvent *m_wedding;
};
