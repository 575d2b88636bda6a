#pragma once
// Statistics derived from the results file: counts, points, averages, best
// times, cleared and over-practised levels, and the recording of a run.

#include "foundation/runcontext.h"

#include <cstdint>

namespace soinsuu {

struct RunPoints {
    int base = 0;
    int points = 0;
};

// Points of one run of `time` seconds; `timeValue` is the figure used in the
// time-based part of the formula (the record's time value when counting, the
// time itself at the end of a drill).
RunPoints runPointsFormula(std::int32_t time, std::int32_t timeValue, std::int32_t targetTime, float multiplier);

// The number spelt by the first three characters of the decimal text of `time`.
int timeValueOf(std::int32_t time);

// Rebuilds the statistics tables from the results file. False when the
// program is ending after a failure the user has been told about.
bool loadResults(RunContext& ctx);
bool computeCounts(RunContext& ctx);

bool levelCleared(const RunContext& ctx, int student, int level);
bool overPractised(const RunContext& ctx, int student, int level);

// Records the run that has just ended (runTime, currentStudent, selectedLevel)
// and keeps the best times and the recording flags in step. False when the
// program is ending.
bool Seisekikiroku(RunContext& ctx, int level);

} // namespace soinsuu
