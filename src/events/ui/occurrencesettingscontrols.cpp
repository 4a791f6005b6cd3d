#include "events/ui/occurrencesettingscontrols.h"

#include "core/clock.h"
#include "core/log.h"
#include "events/occurrencerules.h"
#include "events/ui/enddatechecker.h"
#include "events/ui/occurrencemonthlycontrolvisibilitychecker.h"
#include "widgets/dateedit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLocale>
#include <QRadioButton>
#include <QVBoxLayout>

OccurrenceSettingsControls::~OccurrenceSettingsControls()
{
    delete m_control.data();
}

QList<OccurrenceSettingsControls::Row> OccurrenceSettingsControls::createControl(const AbstractOccurrence *rule,
                                                                                 QWidget *parent)
{
    if (m_control)
        m_control->deleteLater();
    if (m_endDateControl)
        m_endDateControl->deleteLater();
    m_control.clear();
    m_endDateControl.clear();

    QList<Row> rows;
    if (!rule)
        return rows;
    if (auto *weekly = dynamic_cast<const OccurrenceWeekly *>(rule)) {
        m_control = weeklyControl(weekly, parent);
        rows << Row(QCoreApplication::translate("OccurrenceWeekly", "Repeat on:"), m_control.data());
    } else if (auto *monthly = dynamic_cast<const OccurrenceMonthly *>(rule)) {
        m_control = monthlyControl(monthly, parent);
        rows << Row(QCoreApplication::translate("OccurrenceMonthly", "Repeat by:"), m_control.data());
    }
    if (auto *multiple = dynamic_cast<const AbstractMultipleOccurence *>(rule)) {
        m_endDateControl = endDateControl(multiple, parent);
        rows << Row(QCoreApplication::translate("AbstractMultipleOccurence", "End Date:"), m_endDateControl.data());
    }
    return rows;
}

ChangableWidget *OccurrenceSettingsControls::endDateControl(const AbstractMultipleOccurence *rule, QWidget *parent)
{
    auto *row = new ChangableWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *checkBox = new QCheckBox(row);
    checkBox->setObjectName(QStringLiteral("endDateCheckBox"));
    const bool hasEnd = rule->endDate().isValid();
    checkBox->setChecked(hasEnd);
    auto *dateEdit = new DateEdit(row);
    dateEdit->setObjectName(QStringLiteral("endDateEdit"));
    dateEdit->setCalendarPopup(true);
    // Without an end the field offers today, or the start when that is later: a tick alone must not
    // make an end before the start.
    dateEdit->setDate(hasEnd ? rule->endDate() : qMax(Common::Clock::today(), rule->startDate()));
    dateEdit->setEnabled(hasEnd);
    layout->addWidget(checkBox);
    layout->addWidget(dateEdit);
    layout->addStretch();

    QObject::connect(checkBox, &QCheckBox::clicked, dateEdit, &QWidget::setEnabled);
    QObject::connect(checkBox, &QCheckBox::clicked, row, &ChangableWidget::changed);
    QObject::connect(dateEdit, &QDateEdit::dateChanged, row, &ChangableWidget::changed);
    auto *checker = new EndDateChecker(dateEdit, rule->startDate());
    QObject::connect(checkBox, &QCheckBox::clicked, checker, &EndDateChecker::checkEndDate);
    return row;
}

ChangableWidget *OccurrenceSettingsControls::weeklyControl(const OccurrenceWeekly *rule, QWidget *parent)
{
    auto *row = new ChangableWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const QLocale locale = QLocale::system();
    const int startDay = rule->startDate().dayOfWeek();
    // Monday first whatever the locale's first weekday, matching the stored bit order.
    for (int day = 1; day <= 7; ++day) {
        auto *checkBox = new QCheckBox(locale.dayName(day, QLocale::LongFormat).left(1), row);
        checkBox->setProperty("day", day);
        checkBox->setToolTip(locale.dayName(day, QLocale::LongFormat));
        checkBox->setChecked(rule->days() & OccurrenceWeekly::dayBit(day));
        if (day == startDay) {
            // The start date's weekday is always part of the rule.
            QR_ASSERT(checkBox->isChecked());
            checkBox->setChecked(true);
            checkBox->setEnabled(false);
        }
        QObject::connect(checkBox, &QCheckBox::stateChanged, row, &ChangableWidget::changed);
        layout->addWidget(checkBox);
    }
    layout->addStretch();
    return row;
}

void OccurrenceSettingsControls::createButtonGroup(ChangableWidget *parent, const QString &name,
                                                   const QStringList &texts, QHBoxLayout *row, int checked, bool shown)
{
    auto *group = new QButtonGroup(parent);
    group->setObjectName(name);
    for (int i = 0; i < texts.size(); ++i) {
        auto *button = new QRadioButton(texts.at(i), parent);
        button->setProperty("data", i);
        button->setCheckable(true);
        button->setVisible(shown);
        button->setChecked(i == checked);
        row->addWidget(button);
        group->addButton(button);
    }
    QR_ASSERT(checked == -1 || group->checkedButton());
    QObject::connect(group, &QButtonGroup::buttonClicked, parent, &ChangableWidget::changed);
}

ChangableWidget *OccurrenceSettingsControls::monthlyControl(const OccurrenceMonthly *rule, QWidget *parent)
{
    auto *widget = new ChangableWidget(parent);
    auto *column = new QVBoxLayout(widget);
    column->setContentsMargins(0, 0, 0, 0);
    auto *modeRow = new QHBoxLayout;
    modeRow->setContentsMargins(0, 0, 0, 0);
    auto *weekRow = new QHBoxLayout;
    weekRow->setContentsMargins(0, 0, 0, 0);
    column->addLayout(modeRow);
    column->addLayout(weekRow);

    createButtonGroup(widget, QStringLiteral("settingsGroup"),
                      {QCoreApplication::translate("OccurrenceMonthly", "day of the month"),
                       QCoreApplication::translate("OccurrenceMonthly", "day of the week")},
                      modeRow, rule->mode(), true);
    modeRow->addStretch();
    createButtonGroup(widget, QStringLiteral("dayOfWeekNumberInMonth"), {QStringLiteral("4th"), QStringLiteral("last")},
                      weekRow, rule->weekNumber() == 4 ? 0 : 1, true);
    weekRow->addStretch();

    auto *checker = new OccurrenceMonthlyControlVisibilityChecker(widget, rule->startDate());
    auto *settingsGroup = widget->findChild<QButtonGroup *>(QStringLiteral("settingsGroup"));
    if (QR_CHECK(settingsGroup))
        QObject::connect(settingsGroup, &QButtonGroup::buttonClicked, checker,
                         &OccurrenceMonthlyControlVisibilityChecker::emitCheckVisibility);
    updateMonthlyControlsState(widget, rule->startDate());
    return widget;
}

namespace {

int checkedData(const QButtonGroup *group)
{
    const QAbstractButton *button = group ? group->checkedButton() : nullptr;
    return button ? button->property("data").toInt() : -1;
}

} // namespace

void OccurrenceSettingsControls::updateMonthlyControlsState(QWidget *settingsWidget, const QDate &startDate)
{
    QR_ASSERT(settingsWidget);
    QR_ASSERT(startDate.isValid());
    if (!settingsWidget || !startDate.isValid())
        return;
    const int mode = checkedData(settingsWidget->findChild<QButtonGroup *>(QStringLiteral("settingsGroup")));
    const int k = OccurrenceMonthly::dayOfWeekNumberInMonth(startDate);
    // Only a fourth weekday that is also the month's last names two different rules.
    const bool show = mode == OccurrenceMonthly::WeekdayOfMonth && k == 4 &&
                      k == OccurrenceMonthly::maxDayOfWeekNumberInMonth(startDate);
    auto *group = settingsWidget->findChild<QButtonGroup *>(QStringLiteral("dayOfWeekNumberInMonth"));
    if (!QR_CHECK(group))
        return;
    const QString weekday = QLocale::system().dayName(startDate.dayOfWeek(), QLocale::LongFormat);
    const QString texts[2] = {QCoreApplication::translate("OccurrenceMonthly", "%1 %2")
                                  .arg(QCoreApplication::translate("OccurrenceMonthly", "4th"), weekday),
                              QCoreApplication::translate("OccurrenceMonthly", "%1 %2")
                                  .arg(QCoreApplication::translate("OccurrenceMonthly", "Last"), weekday)};
    for (QAbstractButton *button : group->buttons()) {
        button->setVisible(show);
        const int data = button->property("data").toInt();
        if (data == 0 || data == 1)
            button->setText(texts[data]);
    }
}

void OccurrenceSettingsControls::applySettingsFromControls(AbstractOccurrence *rule) const
{
    if (!rule)
        return;
    if (auto *weekly = dynamic_cast<OccurrenceWeekly *>(rule)) {
        QR_ASSERT(m_control);
        if (m_control) {
            int days = 0;
            for (const QCheckBox *box : m_control->findChildren<QCheckBox *>())
                if (box->isChecked())
                    days |= OccurrenceWeekly::dayBit(box->property("day").toInt());
            // The start weekday always stays, whatever the row held.
            days |= OccurrenceWeekly::dayBit(weekly->startDate().dayOfWeek());
            weekly->setDays(days);
        }
    } else if (auto *monthly = dynamic_cast<OccurrenceMonthly *>(rule)) {
        QR_ASSERT(m_control);
        if (m_control) {
            auto *settingsGroup = m_control->findChild<QButtonGroup *>(QStringLiteral("settingsGroup"));
            auto *weekGroup = m_control->findChild<QButtonGroup *>(QStringLiteral("dayOfWeekNumberInMonth"));
            QR_ASSERT(settingsGroup);
            QR_ASSERT(weekGroup);
            const int mode = checkedData(settingsGroup);
            if (mode == OccurrenceMonthly::SameDayOfMonth || mode == OccurrenceMonthly::WeekdayOfMonth)
                monthly->setMode(mode);
            // A hidden choice means "4th" and "last" are the same day here: the week number stays.
            const QAbstractButton *checked = weekGroup ? weekGroup->checkedButton() : nullptr;
            if (checked && !checked->isHidden())
                monthly->setWeekNumber(checked->property("data").toInt() == 0 ? 4 : 5);
        }
    }
    if (auto *multiple = dynamic_cast<AbstractMultipleOccurence *>(rule))
        applyEndDate(multiple);
}

bool OccurrenceSettingsControls::endDateFits() const
{
    auto *checker = m_endDateControl ? m_endDateControl->findChild<EndDateChecker *>() : nullptr;
    return !checker || checker->checkEndDate();
}

void OccurrenceSettingsControls::applyEndDate(AbstractMultipleOccurence *rule) const
{
    if (!m_endDateControl)
        return;
    auto *checkBox = m_endDateControl->findChild<QCheckBox *>(QStringLiteral("endDateCheckBox"));
    if (!QR_CHECK(checkBox))
        return;
    if (!checkBox->isChecked()) {
        rule->setEndDate(QDate());
        return;
    }
    auto *dateEdit = m_endDateControl->findChild<QDateEdit *>(QStringLiteral("endDateEdit"));
    if (!QR_CHECK(dateEdit))
        return;
    const QDate end = dateEdit->date();
    rule->setEndDate(end < rule->startDate() ? QDate() : end);
}
