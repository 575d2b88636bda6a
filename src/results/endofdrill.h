#pragma once
// What the end-of-drill window says, plays and offers after a recorded run,
// worked out as plain values so the rules can be checked without a window.

#include "foundation/runcontext.h"

#include <QString>

namespace soinsuu {

// "獲得ポイント：11点×1.5→16点", the multiplier in its shortest form.
QString pointsLine(int base, float multiplier, int points);

// The message under the points line and the sound that goes with it; the
// first case that applies wins.
enum class EndMessage {
    None,            // no message, no sound
    TimedOut,        // "時間切れ", no sound
    PersonalBest,    // "新記録おめでとう" with a personal-best sound
    SchoolBest,      // "！！！最高新記録！！！" with "最高1.wav"
    AtMinimumLine,   // no message; a record-less run at or under the minimum line
};
EndMessage endMessageFor(int runEnd, int newPersonalBest, int newSchoolBest, std::int32_t runTime,
                         std::int32_t minimumLineTime);
// The text shown for a message; empty when none is shown.
QString endMessageText(EndMessage message);

// Everything the window shows once the statistics include the run.
struct EndOfDrillView {
    QString title;          // Label15
    QString levelName;      // Label16
    QString studentName;    // Label17, trimmed
    QString resultLine;     // Label18
    QString pointsLine;     // Label19
    QString levelRunsLine;  // Label13
    QString allRunsLine;    // Label14
    EndMessage message = EndMessage::None;
    bool levelCleared = false;
    bool goalBanner = false;   // the goal banner while the result is shown
    bool goalFanfare = false;  // "合格.wav": the goal level cleared for the first time
};
// Reads the run context as it stands after computeCounts and before the
// recording flags are reset.
EndOfDrillView evaluateEndOfDrill(const RunContext& ctx);

// The goal banner is never shown while any level asks for 9999 runs: a school
// uses that to say it sets no goal.
bool goalBannerAllowed(const RunContext& ctx);

// How the window offers the way on once its evaluation time is over.
struct WayOn {
    enum class Label2 { Keep, Hide, MoveOn };
    bool again = true;             // "もう一度" shown
    Label2 label2 = Label2::Keep;  // MoveOn: "次のレベルへ進みましょう"
};
WayOn wayOnFor(bool overPractised, bool levelCleared, bool isGoalLevel, bool goalLevelCleared);

} // namespace soinsuu
