#pragma once

#include <cstdio>
#include <string>

// One row of the speed goals' table: the work, what was measured, the goal and whether it is met.
// ./dev.sh bench gathers the rows of every program and prints them together at the end.
inline void printGoalRow(const std::string &work, const std::string &now, const std::string &goal, bool met)
{
    std::printf("GOAL | %s | %s | %s | %s |\n", work.c_str(), now.c_str(), goal.c_str(), met ? "met" : "NOT MET");
    std::fflush(stdout);
}

inline std::string formatted(const char *format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
