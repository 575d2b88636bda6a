#include "cp932.h"

#include <QFile>
#include <QSaveFile>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <memory>

namespace soinsuu::cp932 {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// A byte that is no CP932 character becomes U+FFFD. ICU's own substitute
// for this code page is U+001A, the old end-of-file mark, which would make
// one bad byte end the list a reader is reading.
void toReplacementCharacter(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                            UConverterCallbackReason reason, UErrorCode* status)
{
    if (reason > UCNV_IRREGULAR)
        return;  // reset, close or clone: nothing to convert
    *status = U_ZERO_ERROR;
    const UChar replacement = 0xFFFD;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, status);
}

Converter openConverter(bool exact)
{
    UErrorCode status = U_ZERO_ERROR;
    Converter opened(ucnv_open("windows-31j", &status));
    if (U_FAILURE(status) || !opened)
        qFatal("ICU has no windows-31j converter");
    ucnv_setToUCallBack(opened.get(), toReplacementCharacter, nullptr, nullptr, nullptr, &status);
    if (exact)
        ucnv_setFromUCallBack(opened.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        qFatal("ICU refused the converter's callbacks");
    return opened;
}

// One converter per thread and kind, reset before each use: opening one
// costs far more than a short conversion.
UConverter* converter(bool exact = false)
{
    thread_local Converter lenient = openConverter(false);
    thread_local Converter strict = openConverter(true);
    UConverter* c = exact ? strict.get() : lenient.get();
    ucnv_reset(c);
    return c;
}

// ICU's table for this code page swaps three control codes the IBM way
// (byte 0x1A reads as U+001C, 0x1C as U+007F, 0x7F as U+001A), where
// Windows maps them to themselves. Left alone, a DEL byte in a file would
// read as the old end-of-file mark and the mark itself would not end it.
char16_t windowsControlFromIcu(char16_t u)
{
    switch (u) {
    case 0x1C: return 0x1A;
    case 0x7F: return 0x1C;
    case 0x1A: return 0x7F;
    default: return u;
    }
}

char16_t icuControlFromWindows(char16_t u)
{
    switch (u) {
    case 0x1A: return 0x1C;
    case 0x1C: return 0x7F;
    case 0x7F: return 0x1A;
    default: return u;
    }
}

bool hasSwappedControl(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() == 0x1A || c.unicode() == 0x1C || c.unicode() == 0x7F)
            return true;
    return false;
}

// The text as ICU's table spells it, for encoding.
QString forIcu(const QString& text)
{
    if (!hasSwappedControl(text))
        return text;
    QString out = text;
    for (QChar& c : out)
        c = QChar(icuControlFromWindows(c.unicode()));
    return out;
}

bool isAscii(const char* p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    return true;
}

} // namespace

QString decode(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {};
    if (isAscii(bytes.constData(), bytes.size()))
        return QString::fromLatin1(bytes);
    UConverter* c = converter();
    // Every CP932 byte yields at most one UTF-16 unit.
    std::u16string out(std::size_t(bytes.size()) + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(c, reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                                    bytes.constData(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status))
        return {};
    out.resize(std::size_t(n));
    for (char16_t& u : out)
        u = windowsControlFromIcu(u);
    return QString(reinterpret_cast<const QChar*>(out.data()), n);
}

std::optional<QByteArray> encodeExactly(const QString& original, QString* unencodable)
{
    if (original.isEmpty())
        return QByteArray();
    const QString text = forIcu(original);
    UConverter* c = converter(true);
    QByteArray out(text.size() * 2 + 2, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(c, out.data(), int32_t(out.size()),
                                      reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), &status);
    if (U_FAILURE(status)) {
        if (unencodable) {
            UChar bad[4];
            int8_t length = 4;
            UErrorCode e = U_ZERO_ERROR;
            ucnv_getInvalidUChars(c, bad, &length, &e);
            *unencodable = U_SUCCESS(e) ? QString(reinterpret_cast<const QChar*>(bad), length) : QString();
        }
        return std::nullopt;
    }
    out.truncate(n);
    return out;
}

QString unencodableMessage(const QString& character)
{
    QString code;
    for (const char32_t u : character.toUcs4())
        code += QStringLiteral("U+") + QString::number(uint(u), 16).toUpper().rightJustified(4, u'0');
    if (character == QChar(0xFFFD))
        return QStringLiteral("Shift-JISでない文字（%1、読めなかった文字）があります").arg(code);
    return QStringLiteral("「%1」（%2）はShift-JISにない文字です。ほかの文字に書きかえてください").arg(character, code);
}

QByteArray encode(const QString& original)
{
    if (original.isEmpty())
        return {};
    const QString text = forIcu(original);
    UConverter* c = converter();
    QByteArray out(text.size() * 2 + 2, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(c, out.data(), int32_t(out.size()),
                                      reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), &status);
    if (U_FAILURE(status))
        return {};
    out.truncate(n);
    return out;
}

std::optional<QString> readTextFile(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.exists() ? QStringLiteral("ファイルを読めません") : QStringLiteral("ファイルがありません");
        return std::nullopt;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("ファイルを読めません");
        return std::nullopt;
    }
    return decode(bytes);
}

bool writeTextFile(const QString& path, const QString& text, QString* error)
{
    // A character without a code would reach the file as the converter's
    // substitute and be lost without a word: refuse the whole text instead.
    QString bad;
    const std::optional<QByteArray> bytes = encodeExactly(text, &bad);
    if (!bytes) {
        if (error)
            *error = unencodableMessage(bad);
        return false;
    }
    // Written beside and renamed into place, so a failed write leaves the old file whole.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(*bytes) < 0 || !f.commit()) {
        if (error)
            *error = QStringLiteral("ファイルに書き込めません");
        return false;
    }
    return true;
}

} // namespace soinsuu::cp932
