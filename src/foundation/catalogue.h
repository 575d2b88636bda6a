#pragma once
// What this drill program is: its title, its levels and their drill parameters.

#include "runcontext.h"

#include <QString>
#include <optional>

namespace soinsuu {

// Drill parameters of an offered level.
struct DrillParameters {
    int problemsPerRun;
    int exponentTotal;
    int upperBound;
    int digitSize;  // points
};

void initCatalogueTitle(RunContext& ctx);
// Fills the level table. Opening the student menu afterwards is the caller's
// job (through the navigator), so the table can be built without a window.
void buildLevelTable(RunContext& ctx);
bool isPracticeLevel(const RunContext& ctx, int level);
// Parameters of levels 1 to 4; nothing for any other level.
std::optional<DrillParameters> drillParameters(int level);
QString gradeMark(int grade);
// The mark of a grade held as text (an empty or non-numeric value gives the blank mark).
QString gradeMark(const QString& grade);

} // namespace soinsuu
