#pragma once

#include <QDialog>

#include <functional>

class AbstractCommonEvent;
class EventForm;
class QComboBox;
class QLabel;

// The common edit dialog around a kind's form: the form, a red error line, the calendar choice and
// OK/Cancel. OK that the form refuses keeps the dialog open with the form's message.
class EventEditDialog : public QDialog
{
    Q_OBJECT

public:
    // Runs the dialog once; tests answer through it so no modal loop starts. Empty: exec().
    using Exec = std::function<int(EventEditDialog &dialog)>;

    EventEditDialog(AbstractCommonEvent *event, QWidget *parent, Exec exec = {});

    // Shows the dialog until the user cancels, or accepts values the form can take.
    bool run();

    EventForm *form() const { return m_form; }
    QLabel *errorLabel() const { return m_errorLabel; }
    QComboBox *calendarBox() const { return m_calendarBox; }

private:
    AbstractCommonEvent *m_event;
    Exec m_exec;
    EventForm *m_form = nullptr;
    QLabel *m_errorLabel;
    QComboBox *m_calendarBox;
};
