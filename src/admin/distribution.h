#pragma once
// How the school's recorded times of one level are spread: every run in
// classes of ten seconds, and each student's best run. The criteria editor
// shows both beside the grid so a teacher can see where to put the pass time.

#include "results/resultsfile.h"

#include <QStringList>
#include <array>

namespace soinsuu {

// Levels the histograms cover; records of other levels are left out.
constexpr int kHistogramTopLevel = 50;
// Classes of ten seconds: 0..100 for all runs (100 takes 1000 s and more,
// timed-out runs among them), 0..30 for best times (30 takes 300 s and more).
constexpr int kTopRunClass = 100;
constexpr int kTopBestClass = 30;

struct LevelDistribution {
    int level = 0;
    int runCount = 0;                              // runs on the level
    std::array<int, kTopRunClass + 1> allRuns{};   // runs per class
    std::array<int, kTopRunClass + 1> bestTimes{}; // students per class of their best run
};

// Counts the records of `level` among `count` raw 44-byte records. A damaged
// record (a negative time, a level outside 1..kHistogramTopLevel) is left out.
LevelDistribution buildDistribution(const char* records, std::int64_t count, int level);

// Reads the whole results file in one pass and counts `level`.
FileError readDistribution(const QString& resultsPath, int level, LevelDistribution* out);

// The lines of the all-runs list: a heading with the level, its run count and
// the value of one star, then one line per class 0..100.
QStringList allRunsLines(const LevelDistribution& d);
// The lines of the best-time list, in the same form with a shorter heading.
QStringList bestTimeLines(const LevelDistribution& d);

} // namespace soinsuu
