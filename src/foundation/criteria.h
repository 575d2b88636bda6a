#pragma once
// The per-level criteria file "タイム回数データ.txt" of the program data folder.

#include "runcontext.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace soinsuu {

inline const QString kCriteriaFileName = QStringLiteral("タイム回数データ.txt");

// The twelve column headings, as the criteria editor writes them into line 0.
QStringList criteriaHeadings();

// What a number column (1..9) of the criteria file may hold. The field's
// type bounds what a reader accepts; the editor keeps to the narrower range
// a school could mean.
struct CriteriaColumnRule {
    bool wholeNumber = false;  // an integer field
    double fieldMin = 0;       // what the field's type can hold
    double fieldMax = 0;
    double min = 0;            // what the editor accepts
    double max = 0;
};
CriteriaColumnRule criteriaColumnRule(int column);

// Reads the text of a criteria file into *table (entries beyond the file
// keep what they held; the table is left as it was when the text is broken).
// False with a Japanese description naming the line in *why.
bool parseCriteriaText(const QString& text, std::array<LevelCriteria, kLevelSlots>* table, QString* why);

// Reads the criteria file into ctx.criteria (entries beyond the file keep
// what they held). False with a Japanese description in *error when the file
// is missing, unreadable or malformed.
bool loadCriteria(RunContext& ctx, QString* error = nullptr);

// The file's text for rows of twelve cell texts (row 0 the heading line).
QString criteriaFileText(const std::vector<QStringList>& rows);

// Writes the criteria file from rows of twelve cell texts (row 0 is the
// heading line): each of the first eleven followed by a comma, the twelfth by CR LF.
bool writeCriteriaFile(const QString& path, const std::vector<QStringList>& rows, QString* error = nullptr);

QString criteriaFilePath(const RunContext& ctx);

// A multiplier in its shortest decimal form: 1.5, 1, 0.8.
QString multiplierText(float multiplier);

} // namespace soinsuu
