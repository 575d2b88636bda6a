#pragma once
// The student's own run history per level, and the figures that set one
// student against the whole school on the graph sheet. Plain code.

#include "hub/results_lists.h"
#include "results/resultsfile.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace soinsuu {

// The current student's runs among the newest 20000 records of the last
// 3650 days, per level, oldest first; empty lists when the student does not
// pass the grade filter.
LevelLists personalRuns(const RunContext& ctx, const QString& gradeChoice, const RunListProgress& progress = {});

// The records the graph sheet and its tables look at: the newest 20000
// whose level has a column and whose date lies within the last 3650 days.
std::vector<ResultRecord> recentRuns(const RunContext& ctx);

// A student's place among the school on one level.
struct ComparisonFigures {
    QString timeRankText;    // "---" without a run, empty when filtered out
    QString pointsRankText;  // empty when filtered out
    std::int64_t pointsOfStudent = 0;
    std::int64_t schoolPointsSum = 0;
    std::int64_t schoolPointsCount = 0;
};
ComparisonFigures comparisonFigures(const RunContext& ctx, int level, int viewed, PointsMode mode, const QString& gradeChoice);

// One plotted run of the viewed student: its place along the time axis
// (1-based among the runs counted), its time and date, and whether it beat
// every run before it.
struct PlottedRun {
    int k = 0;
    int time = 0;
    double date = 0;
    bool record = false;
};

// The run statistics of one level block of the graph sheet.
struct LevelBlock {
    int runCount = 0;  // the viewed student's runs under 1800 s
    std::int64_t runTimeSum = 0;
    int runTimeMax = 0;
    std::int64_t schoolTimeSum = 0;  // every student's runs under 1800 s
    int schoolTimeCount = 0;
    int schoolBestTime = kNoTime;
    QString bestRunText;  // time text of the last record point
    int axisMax = 10;     // top of the time axis, in seconds
    std::vector<PlottedRun> plotted;
};
LevelBlock levelBlock(const std::vector<ResultRecord>& runs, int level, int viewed, bool viewedPassesFilter);

// The lines of the comparison table, in order.
QStringList comparisonTable(const ComparisonFigures& figures, const LevelBlock& block);

} // namespace soinsuu
