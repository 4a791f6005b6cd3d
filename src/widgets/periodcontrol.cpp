#include "widgets/periodcontrol.h"

#include "core/iapplication.h"
#include "core/log.h"
#include "widgets/timeedit.h"
#include "widgets/dateedit.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpacerItem>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

template <typename Edit> Edit *makeEdit(QWidget *parent, const char *name)
{
    auto *edit = new Edit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Fixed);
    edit->setMinimumWidth(80);
    edit->setMaximumWidth(160);
    return edit;
}

} // namespace

PeriodControl::PeriodControl(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PeriodControl"));
    setWindowTitle(QStringLiteral("Form"));
    resize(342, 44);
    setMinimumSize(342, 44);

    auto *outer = new QHBoxLayout(this);
    outer->setObjectName(QStringLiteral("horizontalLayout_3"));
    outer->setSpacing(0);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *column = new QVBoxLayout;
    column->setObjectName(QStringLiteral("verticalLayout"));
    column->setSpacing(0);
    // The column takes the width, so a line under the fields (a date's problem) has room; its rows
    // keep their fields to the left.
    outer->addLayout(column, 1);
    outer->addItem(new QSpacerItem(0, 10, QSizePolicy::Expanding, QSizePolicy::Minimum));

    auto *editsRow = new QHBoxLayout;
    editsRow->setObjectName(QStringLiteral("horizontalLayout_2"));
    editsRow->setSpacing(6);
    column->addLayout(editsRow);

    auto *period1 = new QWidget(this);
    period1->setObjectName(QStringLiteral("period1"));
    auto *beginRow = new QHBoxLayout(period1);
    beginRow->setObjectName(QStringLiteral("horizontalLayout_10"));
    beginRow->setContentsMargins(0, 0, 0, 0);
    m_dateEdit = makeEdit<DateEdit>(period1, "dateEdit");
    m_dateEdit->setCalendarPopup(true);
    m_timeEdit = makeEdit<TimeEdit>(period1, "timeEdit");
    beginRow->addWidget(m_dateEdit);
    beginRow->addWidget(m_timeEdit);

    m_period2 = new QWidget(this);
    m_period2->setObjectName(QStringLiteral("period2"));
    auto *endRow = new QHBoxLayout(m_period2);
    endRow->setObjectName(QStringLiteral("horizontalLayout_6"));
    endRow->setContentsMargins(0, 0, 0, 0);
    auto *dash = new QLabel(QStringLiteral("-"), m_period2);
    dash->setObjectName(QStringLiteral("label_3"));
    m_dateToEdit = makeEdit<DateEdit>(m_period2, "dateToEdit");
    m_dateToEdit->setCalendarPopup(true);
    m_timeToEdit = makeEdit<TimeEdit>(m_period2, "timeToEdit");
    endRow->addWidget(dash);
    endRow->addWidget(m_dateToEdit);
    endRow->addWidget(m_timeToEdit);

    editsRow->addWidget(period1);
    editsRow->addWidget(m_period2);
    editsRow->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));

    auto *bottomBox = new QFrame(this);
    bottomBox->setObjectName(QStringLiteral("bottomBox"));
    bottomBox->setFrameShape(QFrame::NoFrame);
    auto *switches = new QHBoxLayout(bottomBox);
    switches->setObjectName(QStringLiteral("horizontalLayout_7"));
    switches->setContentsMargins(2, 0, 0, 0);
    m_periodCheckBox = new QCheckBox(tr("Period"), bottomBox);
    m_periodCheckBox->setObjectName(QStringLiteral("periodCheckBox"));
    m_periodCheckBox->setChecked(true);
    m_timeCheckBox = new QCheckBox(tr("Time"), bottomBox);
    m_timeCheckBox->setObjectName(QStringLiteral("timeCheckBox"));
    m_timeCheckBox->setChecked(true);
    switches->addWidget(m_periodCheckBox);
    switches->addWidget(m_timeCheckBox);
    switches->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    column->addWidget(bottomBox);

    // The end widgets show only with "Period", the time edits only with "Time".
    connect(m_periodCheckBox, &QCheckBox::toggled, m_period2, &QWidget::setVisible);
    connect(m_timeCheckBox, &QCheckBox::toggled, m_timeToEdit, &QWidget::setVisible);
    connect(m_timeCheckBox, &QCheckBox::toggled, m_timeEdit, &QWidget::setVisible);

    connect(m_dateEdit, &QDateEdit::dateChanged, this, &PeriodControl::onBeginDateChanged);
    connect(m_timeEdit, &QTimeEdit::timeChanged, this, &PeriodControl::onBeginTimeChanged);
    connect(m_dateToEdit, &QDateEdit::dateChanged, this, &PeriodControl::onEndDateChanged);
    connect(m_timeToEdit, &QTimeEdit::timeChanged, this, &PeriodControl::onEndTimeChanged);
    connect(m_periodCheckBox, &QCheckBox::stateChanged, this, &PeriodControl::onPeriodCheckBoxChanged);
    connect(m_timeCheckBox, &QCheckBox::stateChanged, this, &PeriodControl::onTimeCheckBoxChanged);

    IApplication *app = IApplication::instance();
    const QString timeFormat = app ? app->timeFormat() : QStringLiteral("h:mm");
    m_timeEdit->setDisplayFormat(timeFormat);
    m_timeToEdit->setDisplayFormat(timeFormat);
}

Period PeriodControl::buildPeriod(const QDate &beginDate, const QTime &beginTime, const QDate &endDate,
                                  const QTime &endTime, bool withEnd, bool withTime)
{
    // Wall-clock values are compared as entered: on a daylight-saving day a time in the skipped
    // hour is still a distinct time of the event, not the same instant as the hour after it.
    const bool endAfterBegin =
        withTime ? (endDate > beginDate || (endDate == beginDate && endTime > beginTime)) : endDate > beginDate;
    if (withEnd && endAfterBegin) {
        if (withTime)
            return Period(beginDate, beginTime, endDate, endTime);
        return Period(beginDate, endDate);
    }
    if (withTime)
        return Period(beginDate, beginTime);
    return Period(beginDate);
}

Period PeriodControl::period() const
{
    return buildPeriod(m_dateEdit->date(), m_timeEdit->time(), m_dateToEdit->date(), m_timeToEdit->time(),
                       m_periodCheckBox->isChecked(), m_timeCheckBox->isChecked());
}

void PeriodControl::setPeriod(const Period &period)
{
    m_dateEdit->setDate(period.beginDate());
    m_timeEdit->setTime(period.beginTime());
    m_dateToEdit->setDate(period.endDate());
    m_timeToEdit->setTime(period.endTime());
    m_timeCheckBox->setChecked(period.hasTime());
    m_periodCheckBox->setChecked(!period.hasNoEnd());
}

void PeriodControl::setPeriodSwitchVisible(bool visible)
{
    m_periodCheckBox->setVisible(visible);
}

void PeriodControl::setTimeSwitchVisible(bool visible)
{
    m_timeCheckBox->setVisible(visible);
}

void PeriodControl::setPeriodSwitch(bool on)
{
    m_periodCheckBox->setChecked(on);
}

void PeriodControl::setTimeSwitch(bool on)
{
    m_timeCheckBox->setChecked(on);
}

void PeriodControl::checkEndDate(const QDate &end)
{
    if (end < m_dateEdit->date())
        m_dateToEdit->setDate(m_dateEdit->date());
    if (m_timeCheckBox->isChecked())
        checkEndTime(m_timeToEdit->time());
}

void PeriodControl::checkEndTime(const QTime &end)
{
    if (m_dateEdit->date() == m_dateToEdit->date() && end < m_timeEdit->time())
        m_timeToEdit->setTime(m_timeEdit->time());
}

void PeriodControl::onTimeCheckBoxChanged(int state)
{
    emit timeSwitchChanged(state == Qt::Checked);
    if (m_periodCheckBox->isChecked())
        checkEndTime(m_timeToEdit->time());
}

void PeriodControl::onPeriodCheckBoxChanged(int state)
{
    emit periodSwitchChanged(state == Qt::Checked);
    if (state == Qt::Checked)
        checkEndDate(m_dateToEdit->date());
}

void PeriodControl::onBeginDateChanged(QDate d)
{
    if (m_periodCheckBox->isChecked())
        checkEndDate(m_dateToEdit->date());
    emit beginDateChanged(d);
}

void PeriodControl::onBeginTimeChanged(QTime t)
{
    if (m_periodCheckBox->isChecked())
        checkEndTime(m_timeToEdit->time());
    emit beginTimeChanged(t);
}

void PeriodControl::onEndDateChanged(QDate d)
{
    checkEndDate(d);
    emit endDateChanged(d);
}

void PeriodControl::onEndTimeChanged(QTime t)
{
    checkEndTime(t);
    emit endTimeChanged(t);
}
