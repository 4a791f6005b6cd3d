#pragma once

#include <cstdio>
#include <string>

// Whether a goal row of this program was missed so far; the program's exit code tells it.
inline bool &goalMissed()
{
    static bool missed = false;
    return missed;
}

// One row of the speed goals' table: the work, what was measured, the goal and whether it is met.
// ./dev.sh bench gathers the rows of every program and prints them together at the end.
inline void printGoalRow(const std::string &work, const std::string &now, const std::string &goal, bool met)
{
    std::printf("GOAL | %s | %s | %s | %s |\n", work.c_str(), now.c_str(), goal.c_str(), met ? "met" : "NOT MET");
    std::fflush(stdout);
    if (!met)
        goalMissed() = true;
}

// The program's exit code: 1 when a goal row was missed or the run itself failed.
inline int goalsExitCode(bool runOk = true)
{
    return runOk && !goalMissed() ? 0 : 1;
}

inline std::string formatted(const char *format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
