#include "events/ui/occurrencemonthlycontrolvisibilitychecker.h"

#include "events/ui/occurrencesettingscontrols.h"

#include <QWidget>

OccurrenceMonthlyControlVisibilityChecker::OccurrenceMonthlyControlVisibilityChecker(QWidget *settingsWidget,
                                                                                     const QDate &startDate)
    : QObject(settingsWidget), m_settingsWidget(settingsWidget), m_startDate(startDate)
{
}

void OccurrenceMonthlyControlVisibilityChecker::emitCheckVisibility()
{
    OccurrenceSettingsControls::updateMonthlyControlsState(m_settingsWidget, m_startDate);
}
