#pragma once

#include "events/ui/eventform.h"

class BirthdayEvent;
class PhotoBoxWidget;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class RemindInBox;

// The birthday's form: the person, day and month, birth year or age, gender, days of warning,
// comment and photo. Year and age follow each other; the day list has the chosen month's days.
class BirthdayEventEditor : public EventForm, public IDefaultPhotoProvider
{
    Q_OBJECT

public:
    BirthdayEventEditor(BirthdayEvent *event, QWidget *parent);

    // The year a person of `age` was born in when the birthday is day.month, as of today.
    static int birthYearForAge(int day, int month, int age);
    // "1" to the number of days of the month; 1852 (no year given) is a leap year.
    static QStringList daysOfMonth(int year, int month);

    // The custom type's picture, else the picture of the gender the buttons show.
    QIcon defaultPhoto() const override;

    QLineEdit *personName;
    QLabel *prefixLabel;
    QLabel *postfixLabel;
    QComboBox *monthComboBox;
    QComboBox *dayComboBox;
    QFrame *ageFrame;
    QSpinBox *yearSpinBox;
    QSpinBox *ageSpinBox;
    QGroupBox *genderBox;
    QRadioButton *maleButton;
    QRadioButton *femaleButton;
    RemindInBox *daysToWatchSpinBox;
    QLabel *commentLabel;
    QLineEdit *commentLineEdit;
    PhotoBoxWidget *photoViewer;

public slots:
    void updateDayComboBox(int month);
    void onAgeSpinBoxChanged(int age);
    void onYearSpinBoxChanged(int year);
    void updateAge();

protected:
    bool check(QString &errorText) override;
    void apply() override;

private:
    void build();
    void fill();
    int typedDay() const;

    BirthdayEvent *m_birthday;
    // Set while one of year and age is being set from the other, so the pair settles at once.
    bool m_linking = false;
};
