#pragma once
// The lines of the name list: one per listed student, youngest first, with
// the grade tag, the name and two columns of counts or points.

#include "foundation/runcontext.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace soinsuu {


// The four display kinds of the name window, in option order.
QStringList displayKindCaptions();

// Column texts of the name list.
QString todayCountColumn(int runs);
QString todayPointsColumn(int points);
QString totalCountColumn(int runs);
QString totalPointsColumn(int points);

struct RosterFigures {
    int todayRuns = 0;
    int todayPoints = 0;
    int totalRuns = 0;
    int totalPoints = 0;
};

// The raw line of a listed student: birth year, grade tag, name, fill,
// the two columns of the display kind, "*" and the student number.
QString rosterRawLine(int birthYear, int gradeNumber, const QString& name, int displayKind,
                      const RosterFigures& figures, int studentNumber);
// The line the list shows: the raw line from its fifth character up to its "*".
QString displayedLine(const QString& rawLine);

// Sorts raw lines as the list control does: ascending in Japanese
// collation, ignoring case only (width and kana type still count).
void sortRawLines(QStringList& lines);

struct RosterListing {
    QStringList lines;   // the name list: entry 0 is the dashes line
    QStringList keyed;   // each displayed line, "*" and the student number
    QList<int> numbers;  // the student number of lines 1.. (index i - 1)
};

// Builds the name list: recomputes the statistics, rereads the roster
// (filling the roster tables) and lists the students passing the grade
// choice. Errors are retried after five seconds; the sixth ends the program
// with "名簿表示" and the stage. False when the program is ending; *out is
// then left as it was.
bool buildRosterListing(RunContext& ctx, int displayKind, const QString& gradeChoice, RosterListing* out);

} // namespace soinsuu
