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
// The same rows from a file's text.
bool criteriaRowsFromText(const QString& text, std::vector<QStringList>* rows);

// Why a cell's text cannot go into the file, or nothing when it can. The
// file holds no quotes, so a comma, a double quote, a line break or another
// control character would split or end the row when start-up reads it; a
// character without a CP932 code would be lost; a number column takes only
// a number its field holds, in the range a school could mean.
std::optional<QString> criteriaCellProblem(int column, const QString& text);

// The first cell that cannot go into the file.
struct BadCell {
    int level = 0;   // 1-based row
    int column = 0;  // 1..12
    QString text;
    QString problem;
};
std::optional<BadCell> firstBadCell(const std::vector<QStringList>& rows);

enum class SaveOutcome {
    Saved,             // written and the criteria table reloaded
    NotWritten,        // refused or failed: the old file is untouched
    WrittenNotLoaded,  // the file holds the rows, but the table could not be reloaded
};

// Saves the level rows under the heading line and reloads the criteria
// table from the file. Before the file is touched every cell is checked and
// the whole new text is read back as start-up will read it, so no save can
// leave a file that stops the school's machines; the file is replaced
// through a temporary file beside it, so a failed write leaves the old file
// whole. Refuses an empty table (nothing was read to be saved). Anything but
// Saved comes with a Japanese description naming the file in *error.
SaveOutcome saveCriteriaRows(RunContext& ctx, const std::vector<QStringList>& rows, QString* error = nullptr);

// The title and explanation of a grid column (0..12), lines joined by "\n";
// empty for the level column and the three spare columns.
QString columnExplanation(int column);

} // namespace soinsuu
