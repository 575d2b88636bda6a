#pragma once
// The results lists of the student menu's level columns: rankings by best
// time and by points, today's runs and all runs of a period. Plain code
// returning the lines; the menu only shows them.

#include "foundation/runcontext.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace soinsuu {

// The last n characters of s (all of s when shorter).
QString lastChars(int n, const QString& s);
// The name in five characters: trailing spaces dropped, padded with
// full-width spaces; rankings keep leading spaces, run lists drop them.
QString name5(const RunContext& ctx, int student, bool ranking);
// "●" for the current student, else the grade mark.
QString markOf(const RunContext& ctx, int student);

enum class PointsMode { Total = 1, Today = 2 };

// One student's place in a ranking of the listed roster. Rank numbers are
// positions in the whole roster; `shown` says whether the line is listed
// under the grade filter (and, for today's points, whether there are any).
struct RankEntry {
    int student = 0;
    int rank = 0;
    std::int64_t key = 0;
    bool shown = true;
};
std::vector<RankEntry> bestTimeEntries(const RunContext& ctx, int level, const QString& gradeChoice);

// Best-time ranking of a level over the listed roster (shared ranks,
// numbers counted over the whole roster, grade filter on the lines).
QStringList bestTimeRanking(const RunContext& ctx, int level, const QString& gradeChoice);
std::vector<RankEntry> pointsEntries(const RunContext& ctx, int level, PointsMode mode, const QString& gradeChoice);
QStringList pointsRanking(const RunContext& ctx, int level, PointsMode mode, const QString& gradeChoice);

using LevelLists = std::array<QStringList, kLevelSlots>;
// Told (records looked at, records to look at) while a run list is built.
using RunListProgress = std::function<void(std::int64_t done, std::int64_t count)>;

// Today's runs among the newest 1000 records, per level.
LevelLists todaysRuns(const RunContext& ctx, const QString& gradeChoice, const RunListProgress& progress = {});
// Days the period box looks back: period 1 this week (from Monday), 2 since
// last week, 3 a month, 4 a year, 5 all.
int lookBackDays(int period, const QDate& today);
// All runs of the period among the newest 20000 records, per level; view
// kind 1 leads with the time, kind 2 with the points.
LevelLists periodRuns(const RunContext& ctx, int viewKind, int period, const QString& gradeChoice,
                      const RunListProgress& progress = {});

} // namespace soinsuu
