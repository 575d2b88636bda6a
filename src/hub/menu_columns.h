#pragma once
// The texts of the student menu's level columns and header, and which
// levels a student may start: plain code, no widgets.

#include "foundation/runcontext.h"

#include <QString>
#include <array>

namespace soinsuu {

QString targetLine(const LevelCriteria& c);
QString judgementLine(const LevelCriteria& c, int judgeRuns, int judgePoints);
QString todayLine(float todayRuns, int todayPoints);
QString allTimeLine(int totalRuns, int totalPoints);

// A teacher is the roster entry named exactly "先生", leading and trailing
// half-width spaces aside (the roster pads names with them; an ideographic
// space is part of the name). Only a teacher gets the data panel and passes
// every level.
bool isTeacher(const QString& studentName);
// Anyone whose name contains "先生" (山田先生 too) may print graph sheets.
bool mayPrintSheets(const QString& studentName);
// The header's student text: the name without its padding, and the grade.
QString studentHeaderText(const QString& studentName, const QString& gradeLabel);

// "起動後m分", the whole minutes since the name was confirmed.
QString workingTimeText(const RunContext& ctx);
// "本日総回数＝T回" over levels 1 to 35.
QString todayTotalText(const RunContext& ctx);

struct LevelAccess {
    bool topLevelCleared = false;
    std::array<bool, kLevelSlots> enabled{};  // start buttons, by level
    std::array<bool, kLevelSlots> barred{};   // "やりすぎ禁止", by level
};

// Which start buttons of the current student are enabled, with the
// over-practice ban applied.
LevelAccess levelAccess(const RunContext& ctx);

} // namespace soinsuu
