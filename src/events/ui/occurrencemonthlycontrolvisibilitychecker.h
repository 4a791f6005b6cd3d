#pragma once

#include <QDate>
#include <QObject>

class QWidget;

// Shows the "4th"/"Last" choice of a monthly settings widget only while it names two different
// rules: by weekday, started on a fourth weekday that is also the month's last.
class OccurrenceMonthlyControlVisibilityChecker : public QObject
{
    Q_OBJECT

public:
    OccurrenceMonthlyControlVisibilityChecker(QWidget *settingsWidget, const QDate &startDate);

public slots:
    void emitCheckVisibility();

private:
    QWidget *m_settingsWidget;
    QDate m_startDate;
};
