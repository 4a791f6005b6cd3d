#pragma once

#include <QDate>
#include <QDateTime>

namespace Common {

// The one place the program reads the current date and time, so tests can pin it.
class Clock
{
public:
    static QDateTime now(); // local time
    static QDate today();
    static QDateTime nowUtc();

    static void pin(const QDateTime &at);
    static void advance(qint64 msecs);
    static void unpin();
    static bool isPinned();
};

} // namespace Common
