#pragma once
// Text files of the data folder are Shift-JIS in its Windows form (code page
// 932), shared byte for byte with the Windows programs of the family.

#include <QByteArray>
#include <QString>
#include <optional>

namespace soinsuu::cp932 {

// Bytes that are no CP932 character decode to U+FFFD, never to a control
// character a reader could take for a delimiter or an end-of-file mark.
QString decode(const QByteArray& bytes);
// Characters without a CP932 code become the code page's substitute 0xFCFC;
// for fields whose text was checked or came from CP932 in the first place.
QByteArray encode(const QString& text);
// The bytes of the text, or nothing when a character has no CP932 code
// (that character, a surrogate pair whole, in *unencodable).
std::optional<QByteArray> encodeExactly(const QString& text, QString* unencodable = nullptr);
// What to tell a user about a character that has no CP932 code.
QString unencodableMessage(const QString& character);

// Reads a whole CP932 text file; on failure returns nothing and a Japanese
// description in *error.
std::optional<QString> readTextFile(const QString& path, QString* error = nullptr);
// Writes (replaces) a whole CP932 text file. Refuses, writing nothing, a
// text that holds a character without a CP932 code.
bool writeTextFile(const QString& path, const QString& text, QString* error = nullptr);

} // namespace soinsuu::cp932
