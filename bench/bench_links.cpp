// Times the link markup of the information frame on 4 Mi characters of the runs that made it
// quadratic once ("a.a.a...", "a@a@...", schemes without a host): the frame must not freeze on an
// imported description that long. Goal: each within 1 s, the fastest of 5 runs.
#include "benchtiming.h"
#include "events/abstractcommonevent.h"
#include "goalrow.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const struct
    {
        const char *name;
        QString unit;
        QString tail;
    } rows[] = {{"letters and dots", "a.", ""}, {"digits and dots", "1.", ""},
                {"hyphens and dots", "-.", ""}, {"at signs", "a@", ""},
                {"mail names", "a.b-", "@x"},   {"domain without top level", "a@b.", ""},
                {"schemes", "http://", ""},     {"ends in an address", "a.", "example.org"}};
    const qsizetype size = qsizetype(4) << 20;
    qsizetype sink = 0;
    for (const auto &row : rows) {
        const QString text = row.unit.repeated(size / row.unit.size()) + row.tail;
        const double ms = minimumMs(5, [&] { sink += AbstractCommonEvent::markupLinks(text).size(); });
        printGoalRow(std::string("links in 4 Mi characters, ") + row.name, formatted("%.1f ms", ms), "<= 1000 ms",
                     ms <= 1000);
    }
    if (sink == 0)
        std::printf("(nothing marked up)\n");
    return goalsExitCode();
}
