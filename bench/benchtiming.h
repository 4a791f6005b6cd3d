#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <vector>

// The median wall time of `runs` runs of the work, in milliseconds.
inline double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The fastest of `runs` runs of the work, in milliseconds: what the work itself costs when a
// shared machine's other load can only add to it.
inline double minimumMs(int runs, const std::function<void()> &work)
{
    double fastest = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        fastest = i == 0 ? ms : std::min(fastest, ms);
    }
    return fastest;
}
