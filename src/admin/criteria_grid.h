#pragma once
// The criteria file as the criteria editor shows it: one row of twelve cell
// texts per level, read and written as text so that what the teacher sees is
// what the file holds.

#include "foundation/runcontext.h"

#include <QStringList>
#include <optional>
#include <vector>

namespace soinsuu {

// The level rows of the criteria file (its heading line left out), twelve
// texts each; a short last row is filled up with empty texts. False with a
// Japanese description naming the file when it cannot be read.
bool readCriteriaRows(const QString& path, std::vector<QStringList>* rows, QString* error = nullptr);

// A cell of the nine number columns whose text is not a number.
struct BadCell {
    int level = 0;   // 1-based row
    int column = 0;  // 1..9
    QString text;
};
std::optional<BadCell> firstBadCell(const std::vector<QStringList>& rows);

enum class SaveOutcome {
    Saved,             // written and the criteria table reloaded
    NotWritten,        // refused or failed: the old file is untouched
    WrittenNotLoaded,  // the file holds the rows, but the table could not be reloaded
};

// Saves the level rows under the heading line (replacing the file through a
// temporary file beside it, so a failed write leaves the old file whole) and
// reloads the criteria table from it. Refuses rows with a non-number in a
// number column: start-up could not read such a file. Anything but Saved
// comes with a Japanese description naming the file in *error.
SaveOutcome saveCriteriaRows(RunContext& ctx, const std::vector<QStringList>& rows, QString* error = nullptr);

// The title and explanation of a grid column (0..12), lines joined by "\n";
// empty for the level column and the three spare columns.
QString columnExplanation(int column);

} // namespace soinsuu
