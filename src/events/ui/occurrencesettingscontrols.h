#pragma once

#include <QCoreApplication>
#include <QDate>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>

#include "events/ui/changablewidget.h"

class AbstractOccurrence;
class AbstractMultipleOccurence;
class OccurrenceMonthly;
class OccurrenceWeekly;
class QAbstractButton;
class QHBoxLayout;

// The settings rows each rule kind offers to the occurrence editor (weekdays, monthly mode, end
// date), and reading them back into a rule. The model knows no widgets, so its kinds are served here.
class OccurrenceSettingsControls
{
    Q_DECLARE_TR_FUNCTIONS(OccurrenceSettingsControls)

public:
    using Row = QPair<QString, ChangableWidget *>;

    OccurrenceSettingsControls() = default;
    // The kind's own row goes with the rows' owner at once; the end-date row stays with its parent.
    ~OccurrenceSettingsControls();
    OccurrenceSettingsControls(const OccurrenceSettingsControls &) = delete;
    OccurrenceSettingsControls &operator=(const OccurrenceSettingsControls &) = delete;

    // Labelled rows in display order; rows made by an earlier call are deleted later.
    QList<Row> createControl(const AbstractOccurrence *rule, QWidget *parent);
    // Reads the rows of the last createControl into the rule: the kind's own row, then the end date.
    void applySettingsFromControls(AbstractOccurrence *rule) const;
    // False, said under the end-date field, while its text is no date or its date is before the start.
    bool endDateFits() const;

    static void updateMonthlyControlsState(QWidget *settingsWidget, const QDate &startDate);

private:
    ChangableWidget *endDateControl(const AbstractMultipleOccurence *rule, QWidget *parent);
    ChangableWidget *weeklyControl(const OccurrenceWeekly *rule, QWidget *parent);
    ChangableWidget *monthlyControl(const OccurrenceMonthly *rule, QWidget *parent);
    static void createButtonGroup(ChangableWidget *parent, const QString &name, const QStringList &texts,
                                  QHBoxLayout *row, int checked, bool shown);
    void applyEndDate(AbstractMultipleOccurence *rule) const;

    QPointer<ChangableWidget> m_control;
    QPointer<ChangableWidget> m_endDateControl;
};
