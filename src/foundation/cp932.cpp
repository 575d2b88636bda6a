#include "cp932.h"

#include <QFile>
#include <QSaveFile>
#include <unicode/ucnv.h>

#include <memory>

namespace soinsuu::cp932 {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per thread, reset before each use: opening one costs far
// more than a short conversion.
UConverter* converter()
{
    thread_local Converter c = [] {
        UErrorCode status = U_ZERO_ERROR;
        Converter opened(ucnv_open("windows-31j", &status));
        if (U_FAILURE(status) || !opened)
            qFatal("ICU has no windows-31j converter");
        return opened;
    }();
    ucnv_reset(c.get());
    return c.get();
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
    return QString(reinterpret_cast<const QChar*>(out.data()), n);
}

QByteArray encode(const QString& text)
{
    if (text.isEmpty())
        return {};
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
    // Written beside and renamed into place, so a failed write leaves the old file whole.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(encode(text)) < 0 || !f.commit()) {
        if (error)
            *error = QStringLiteral("ファイルに書き込めません");
        return false;
    }
    return true;
}

} // namespace soinsuu::cp932
