#include "core/applocale.h"
#include "core/log.h"
#include "core/simpleparser.h"
#include "events/occurrencerules.h"

#include <QCoreApplication>

namespace OccurrenceDescriptionsPrivate {

// Day and month names in the language of the sentences they stand in: English while those are.
QLocale namesLocale()
{
    static const char english[] = "Weekly on ";
    const bool translated = QCoreApplication::translate("OccurrenceWeekly", english) != QLatin1String(english);
    return translated ? Common::appLocale() : QLocale(QLocale::English, QLocale::UnitedStates);
}

QString dayName(int dayOfWeek)
{
    return namesLocale().dayName(dayOfWeek, QLocale::LongFormat);
}

} // namespace OccurrenceDescriptionsPrivate

using namespace OccurrenceDescriptionsPrivate;

QString AbstractOccurrence::expandTemplate(const QString &text, int number) const
{
    // The parser asks for tags through the non-const provider interface; decoding changes nothing.
    return SimpleParser(const_cast<AbstractOccurrence *>(this)).parse(text, number);
}

QString AbstractOccurrence::decodeTag(const QString &tag, int)
{
    if (tag == QLatin1String("{THE}"))
        return tr("the ");
    QR_ASSERT(!"unknown tag");
    return QString();
}

QString OccurrenceOnce::description() const
{
    return tr("Once");
}

QString OccurrenceDaily::description() const
{
    const QString head = m_step == 1 ? tr("Daily") : tr("Every %1 days").arg(m_step);
    return head + endDateSuffix();
}

QString OccurrenceWeekly::description() const
{
    const QString head = m_step == 1 ? tr("Weekly on ") : tr("Every %1 weeks on ").arg(m_step);
    QString days;
    if ((m_days & 0x7f) == 0x1f) {
        days = tr("weekdays");
    } else {
        QStringList names;
        for (int d = 1; d <= 7; ++d) {
            if (m_days & dayBit(d))
                names.append(dayName(d));
        }
        days = names.join(QLatin1String(", "));
    }
    return head + days + endDateSuffix();
}

QString OccurrenceMonthly::description() const
{
    if (m_mode == WeekdayOfMonth)
        return expandTemplate(tr("{WHEN}{THE}{WEEKNUMBER} {DAYNAME}"), m_weekNumber) + endDateSuffix();
    return expandTemplate(tr("{WHEN}{THE}"), -1) + tr("day %1").arg(m_startDate.day()) + endDateSuffix();
}

QString OccurrenceMonthly::decodeTag(const QString &tag, int number)
{
    if (tag == QLatin1String("{WHEN}"))
        return m_step == 1 ? tr("Monthly on ") : tr("Every %1 months on ").arg(m_step);
    if (tag == QLatin1String("{WEEKNUMBER}"))
        return number == 5 ? tr("last") : QString::number(number);
    if (tag == QLatin1String("{DAYNAME}"))
        return dayName(m_weekday);
    return AbstractMultipleOccurence::decodeTag(tag, number);
}

QString OccurrenceYearly::description() const
{
    // Unlike the other kinds the end date used to be left out here, hiding that the series ends.
    if (m_mode == WeekdayOfMonth)
        return expandTemplate(tr("{WHEN}{THE}{WEEKNUMBER} {DAYNAME} of {MONTHNAME}"), m_weekNumber) + endDateSuffix();
    return expandTemplate(tr("{WHEN}{THE}"), -1) + namesLocale().toString(m_startDate, tr("MMMM d")) + endDateSuffix();
}

QString OccurrenceYearly::decodeTag(const QString &tag, int number)
{
    if (tag == QLatin1String("{WHEN}"))
        return m_step == 1 ? tr("Annually on ") : tr("Every %1 years on ").arg(m_step);
    if (tag == QLatin1String("{MONTHNAME}"))
        return namesLocale().monthName(m_startDate.month(), QLocale::LongFormat);
    return OccurrenceMonthly::decodeTag(tag, number);
}
