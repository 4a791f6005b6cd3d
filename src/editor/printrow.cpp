#include "editor/printrow.h"

#include "core/log.h"

namespace {

int sign(qint64 value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

} // namespace

RowLessThan::RowLessThan(int sort1, int sort2) : m_sort1(sort1), m_sort2(sort2)
{
    QR_ASSERT(sort1 != -1);
}

bool RowLessThan::operator()(const PrintRow &a, const PrintRow &b) const
{
    int result = compare(a, b, m_sort1);
    if (result == 0 && m_sort2 != -1)
        result = compare(a, b, m_sort2);
    if (result == 0)
        result = compare(a, b, PrintRow::CaptionColumn);
    return result < 0;
}

int RowLessThan::compare(const PrintRow &a, const PrintRow &b, int column)
{
    switch (column) {
    case PrintRow::DateColumn: {
        if (a.date != b.date)
            return sign(qint64(a.date.toJulianDay()) - b.date.toJulianDay());
        const int aTime = a.time.isValid() ? a.time.msecsSinceStartOfDay() : 0;
        const int bTime = b.time.isValid() ? b.time.msecsSinceStartOfDay() : 0;
        return sign(qint64(aTime) - bTime);
    }
    case PrintRow::CaptionColumn:
        return sign(a.caption.compare(b.caption, Qt::CaseInsensitive));
    case PrintRow::CommentColumn:
        return sign(a.comment.compare(b.comment, Qt::CaseInsensitive));
    case PrintRow::TypeNameColumn:
        return sign(a.typeName.compare(b.typeName, Qt::CaseInsensitive));
    case PrintRow::CalendarNameColumn:
        return sign(a.calendarName.compare(b.calendarName, Qt::CaseInsensitive));
    default:
        // Time and recurrence are never keys.
        return 0;
    }
}
