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

// A floor a row is measured against. A floor whose run went wrong makes any program look good, so a floor
// is judged against a reference that the machine's speed does not move: its usual figure where the figure
// is one the machine does not change (instructions, memory), else a figure measured beside it in the same
// run (a second bare floor, a QTimer's wake-up). Outside its range of that reference, or above the program's
// own figure, it is no floor: the row fails and says why.
struct GoalFloor
{
    std::string name;           // what was measured, as the row's reason names it
    double value = 0;           // this run's figure
    std::string referenceName;  // what it is judged against: "its usual", "a QTimer's beside it"
    double reference = 0;       // in the same unit
    double low = 0.5, high = 2; // the plausible range of value / reference
    double program = 0;         // the program's own figure in the same unit
    const char *format;         // of the figures, with their unit: "%.1f M instructions"

    // Why the floor is not plausible; empty when it is.
    std::string problem() const
    {
        const std::string figure = name + " " + formatted(format, value);
        const std::string against = referenceName + " " + formatted(format, reference);
        if (!(reference > 0))
            return figure + ": " + referenceName + " was not measured";
        if (value > high * reference)
            return figure + " is more than " + formatted("%g", high) + " times " + against;
        if (value < low * reference)
            return figure + " is less than " + formatted("%g", low) + " times " + against;
        if (value > program)
            return figure + " is above the program's own " + formatted(format, program);
        return {};
    }
};

// A goal row measured against a floor: missed, with the reason, when the floor is not plausible.
inline void printGoalRow(const std::string &work, const std::string &now, const std::string &goal, bool met,
                         const GoalFloor &floor)
{
    const std::string problem = floor.problem();
    if (problem.empty())
        printGoalRow(work, now, goal, met);
    else
        printGoalRow(work, now + ", floor not plausible: " + problem, goal, false);
}
