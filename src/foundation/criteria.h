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

// Reads the criteria file into ctx.criteria (entries beyond the file keep
// what they held). False with a Japanese description in *error when the file
// is missing, unreadable or malformed.
bool loadCriteria(RunContext& ctx, QString* error = nullptr);

// Writes the criteria file from rows of twelve cell texts (row 0 is the
// heading line): each of the first eleven followed by a comma, the twelfth by CR LF.
bool writeCriteriaFile(const QString& path, const std::vector<QStringList>& rows, QString* error = nullptr);

QString criteriaFilePath(const RunContext& ctx);

// A multiplier in its shortest decimal form: 1.5, 1, 0.8.
QString multiplierText(float multiplier);

} // namespace soinsuu
