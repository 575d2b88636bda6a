#pragma once
// Text files of the data folder are Shift-JIS in its Windows form (code page
// 932), shared byte for byte with the Windows programs of the family.

#include <QByteArray>
#include <QString>
#include <optional>

namespace soinsuu::cp932 {

QString decode(const QByteArray& bytes);
QByteArray encode(const QString& text);

// Reads a whole CP932 text file; on failure returns nothing and a Japanese
// description in *error.
std::optional<QString> readTextFile(const QString& path, QString* error = nullptr);
// Writes (replaces) a whole CP932 text file.
bool writeTextFile(const QString& path, const QString& text, QString* error = nullptr);

} // namespace soinsuu::cp932
