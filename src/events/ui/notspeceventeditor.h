#pragma once

#include "events/ui/eventform.h"

class NotSpecifiedEvent;
class OccurrenceControl;
class PeriodControl;
class PhotoBoxWidget;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QToolButton;
class RemindInBox;

// The appointment's form: a "Description" tab (caption, period, recurrence, location, comment,
// photo) and a "Reminder" tab (running-line switch and days, reminder switch with days or minutes,
// the sound with its play button).
class NotSpecEventEditor : public EventForm
{
    Q_OBJECT

public:
    NotSpecEventEditor(NotSpecifiedEvent *event, QWidget *parent);

    // The absolute paths of the program's wave files, as the application lists them.
    static QStringList sounds();
    // The list's name of a wave file: its base name with the first letter upper-cased.
    static QString soundName(const QString &path);

    QTabWidget *tabWidget;
    QLabel *prefixLabel;
    QLineEdit *captionLineEdit;
    QLabel *postfixLabel;
    PeriodControl *periodControl;
    QLabel *recurrenceLabel;
    OccurrenceControl *occurrenceControl;
    QLabel *locationLabel;
    QLineEdit *locationEdit;
    QLabel *commentLabel;
    QLineEdit *commentLineEdit;
    PhotoBoxWidget *photoViewer;
    QCheckBox *creepingLineCheckBox;
    RemindInBox *daysToWatchSpinBox;
    QCheckBox *notificationReminderCheckBox;
    QWidget *notificationEditors;
    QWidget *notificationDaysWidget;
    RemindInBox *notificationDays;
    QWidget *notificationMinutesWidget;
    RemindInBox *notificationMinutes;
    QWidget *soundWidget;
    QComboBox *soundComboBox;
    QToolButton *playButton;

public slots:
    void updateNotifyWidgetsVisibility();
    void onSoundChanged(int index);
    void playSound();

protected:
    bool check(QString &errorText) override;
    void apply() override;

private:
    void build();
    QWidget *buildDescriptionTab();
    QWidget *buildReminderTab();
    void fill();
    void fillSounds(const QString &current);

    NotSpecifiedEvent *m_appointment;
};
