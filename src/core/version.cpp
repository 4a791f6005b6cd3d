#include "core/version.h"

namespace VersionPrivate {

// A part's decimal value as digits without leading zeros; a part that is not a
// decimal number counts as 0. Kept as text so long parts cannot overflow.
QString numericValue(const QString &text)
{
    const QString part = text.trimmed();
    if (part.isEmpty())
        return QStringLiteral("0");
    for (const QChar c : part)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QStringLiteral("0");
    int first = 0;
    while (first < part.size() - 1 && part.at(first) == QLatin1Char('0'))
        ++first;
    return part.mid(first);
}

// Negative, zero or positive as a's part is below, equal to or above b's.
int compareParts(const QString &a, const QString &b)
{
    const QString x = numericValue(a);
    const QString y = numericValue(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

} // namespace VersionPrivate

Version::Version(const QString &text) : m_text(text), m_suffix(QLatin1Char('z'))
{
    if (text.endsWith(QLatin1Char('a')) || text.endsWith(QLatin1Char('b'))) {
        m_suffix = text.back();
        m_text.chop(1);
    }
    m_parts = m_text.split(QLatin1Char('.'));
}

QString Version::toString() const
{
    return m_suffix == QLatin1Char('z') ? m_text : m_text + m_suffix;
}

bool Version::operator<(const Version &other) const
{
    const int n = qMax(m_parts.size(), other.m_parts.size());
    for (int i = 0; i < n; ++i) {
        const QString mine = i < m_parts.size() ? m_parts.at(i) : QString();
        const QString theirs = i < other.m_parts.size() ? other.m_parts.at(i) : QString();
        const int c = VersionPrivate::compareParts(mine, theirs);
        if (c != 0)
            return c < 0;
    }
    return m_suffix < other.m_suffix;
}

bool Version::operator==(const Version &other) const
{
    return !(*this < other) && !(other < *this);
}

bool Version::operator>(const Version &other) const
{
    return other < *this;
}

bool Version::operator>=(const Version &other) const
{
    return !(*this < other);
}
