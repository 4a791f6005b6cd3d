#pragma once

#include "events/period.h"

#include <QWidget>

class QCheckBox;
class QDateEdit;
class QTimeEdit;

// Edits a period: the begin date, optionally an end ("Period") and times of day ("Time").
// It keeps the end from going before the begin while the user edits.
class PeriodControl : public QWidget
{
    Q_OBJECT

public:
    explicit PeriodControl(QWidget *parent = nullptr);

    Period period() const;
    void setPeriod(const Period &period);

    void setPeriodSwitchVisible(bool visible);
    void setTimeSwitchVisible(bool visible);
    void setPeriodSwitch(bool on);
    void setTimeSwitch(bool on);

    // What the control's edits stand for. An end that lies before the begin never makes it into
    // the period: it is dropped and the period has no end.
    static Period buildPeriod(const QDate &beginDate, const QTime &beginTime, const QDate &endDate,
                              const QTime &endTime, bool withEnd, bool withTime);

signals:
    void beginDateChanged(QDate date);
    void endDateChanged(QDate date);
    void beginTimeChanged(QTime time);
    void endTimeChanged(QTime time);
    void periodSwitchChanged(bool on);
    void timeSwitchChanged(bool on);

private slots:
    void onTimeCheckBoxChanged(int state);
    void onPeriodCheckBoxChanged(int state);
    void onBeginDateChanged(QDate d);
    void onBeginTimeChanged(QTime t);
    void onEndDateChanged(QDate d);
    void onEndTimeChanged(QTime t);

private:
    void checkEndDate(const QDate &end);
    void checkEndTime(const QTime &end);

    QDateEdit *m_dateEdit;
    QTimeEdit *m_timeEdit;
    QWidget *m_period2;
    QDateEdit *m_dateToEdit;
    QTimeEdit *m_timeToEdit;
    QCheckBox *m_periodCheckBox;
    QCheckBox *m_timeCheckBox;
};
