#include "settings.h"

#include "catalogue.h"
#include "cp932.h"
#include "criteria.h"
#include "filenames.h"
#include "listinput.h"
#include "roster.h"
#include "sounds.h"

#include <QDir>
#include <QFileInfo>

#include <limits>
#include <memory>
#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

namespace soinsuu {
namespace {

QString fileError(const QString& path, const QString& why)
{
    return QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), why);
}

// Reads the ten items a settings file must hold.
bool readTenItems(const QString& path, QStringList* items, QString* error)
{
    QString why;
    const std::optional<QString> text = cp932::readTextFile(path, &why);
    if (!text) {
        *error = fileError(path, why);
        return false;
    }
    ListInputReader in(*text);
    for (int i = 0; i < 10; ++i) {
        if (in.atEnd()) {
            *error = fileError(path, QStringLiteral("項目が足りません（10項目必要ですが%1項目しかありません）").arg(i));
            return false;
        }
        *items << in.readText();
    }
    return true;
}

} // namespace

QString normaliseFolder(const QString& path, const QString& base)
{
    QString p = path.trimmed();
    p.replace(u'\\', u'/');
    if (QDir::isRelativePath(p) && !base.isEmpty())
        p = QDir(base).filePath(p);
    p = QDir::cleanPath(p);
    if (!p.endsWith(u'/'))
        p += u'/';
    return QDir::toNativeSeparators(p);
}

bool readPathFile(const QString& path, const QString& programParent, QString* dataRoot, QString* error)
{
    QStringList items;
    if (!readTenItems(path, &items, error))
        return false;
    if (items[0].trimmed().isEmpty()) {
        *error = fileError(path, QStringLiteral("1項目目にデータフォルダの場所が書かれていません"));
        return false;
    }
    *dataRoot = normaliseFolder(items[0], programParent);
    return true;
}

double leadingNumber(const QString& text)
{
    // Spaces first, then an optional sign, digits and at most one point.
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    bool point = false;
    while (i < text.size() && ((text[i] >= u'0' && text[i] <= u'9') || (text[i] == u'.' && !point))) {
        point = point || text[i] == u'.';
        ++i;
    }
    bool ok = false;
    const double v = text.mid(start, i - start).toDouble(&ok);
    return ok ? v : 0.0;
}

void splitSchoolCodeAndName(const QString& item, QString* code, QString* name)
{
    const QString head = item.left(5);
    if (leadingNumber(head) != 0) {
        *code = head;
        *name = item.mid(5);
    } else {
        code->clear();
        *name = item;
    }
}

bool readCommonSettings(const QString& path, CommonSettings* settings, QString* error)
{
    QStringList items;
    if (!readTenItems(path, &items, error))
        return false;
    double month = 0;
    const std::optional<qint64> wholeMonth = parseListNumber(items[0], &month) ? wholeNumberWithin(month, 1, 12) : std::nullopt;
    if (!wholeMonth) {
        *error = fileError(path, QStringLiteral("1項目目は学年の始まる月（1～12）でなければなりません：「%1」").arg(items[0]));
        return false;
    }
    double status2 = 0;
    const std::optional<qint64> wholeStatus2 = parseListNumber(items[2], &status2)
        ? wholeNumberWithin(status2, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max())
        : std::nullopt;
    if (!wholeStatus2) {
        *error = fileError(path, QStringLiteral("3項目目は数値（-32768～32767）でなければなりません：「%1」").arg(items[2]));
        return false;
    }
    settings->schoolYearStartMonth = int(*wholeMonth);
    splitSchoolCodeAndName(items[1], &settings->schoolCode, &settings->schoolName);
    // The code goes into every record the school's machines write.
    QString bad;
    if (!cp932::encodeExactly(settings->schoolCode, &bad)) {
        *error = fileError(path, QStringLiteral("2項目目の塾コード「%1」：%2").arg(settings->schoolCode, cp932::unencodableMessage(bad)));
        return false;
    }
    settings->rosterStatus2Listed = int(*wholeStatus2);
    return true;
}

QColor seasonColourFor(int month)
{
    if (month <= 2)
        return QColor(255, 128, 0);
    if (month <= 5)
        return QColor(192, 255, 192);
    if (month <= 8)
        return QColor(0, 192, 192);
    if (month <= 11)
        return QColor(192, 64, 0);
    return QColor(192, 255, 192);
}

QString japaneseEraDate(const QDate& date)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale("ja_JP@calendar=japanese");
    icu::SimpleDateFormat format(icu::UnicodeString::fromUTF8("GGGGy年 M月 dd日（EEE）"), locale, status);
    if (U_FAILURE(status))
        return date.toString(QStringLiteral("yyyy年 M月 dd日"));
    format.adoptTimeZone(icu::TimeZone::createTimeZone("UTC"));
    // Noon UTC of the day, so no zone shift can move it to another date.
    const UDate when = UDate(QDateTime(date, QTime(12, 0), Qt::UTC).toMSecsSinceEpoch());
    icu::UnicodeString out;
    format.format(when, out);
    std::string utf8;
    out.toUTF8String(utf8);
    return QString::fromStdString(utf8);
}

bool startUp(RunContext& ctx, const QString& executableFolder, QString* error)
{
    const QString exeFolder = QDir::cleanPath(QDir::fromNativeSeparators(executableFolder));
    const QString programParent = QFileInfo(exeFolder).absolutePath();
    const QString programFolder = normaliseFolder(exeFolder);
    const QString pathFile = fileInFolder(programParent + QLatin1Char('/'), kPathFileName);

    QString dataRoot;
    if (!readPathFile(pathFile, programParent, &dataRoot, error))
        return false;
    CommonSettings settings;
    if (!readCommonSettings(fileInFolder(dataRoot, kCommonSettingsFileName), &settings, error))
        return false;

    ctx.programFolder = programFolder;
    ctx.dataRoot = dataRoot;
    ctx.schoolYearStartMonth = settings.schoolYearStartMonth;
    ctx.schoolCode = settings.schoolCode;
    ctx.schoolName = settings.schoolName;
    ctx.rosterStatus2Listed = settings.rosterStatus2Listed;
    ctx.programFolderName = QFileInfo(exeFolder).fileName();
    ctx.programDataFolder = normaliseFolder(dataRoot + ctx.programFolderName);
    ctx.soundFolder = normaliseFolder(dataRoot + kSoundFolderName);

    initCatalogueTitle(ctx);
    if (!loadCriteria(ctx, error))
        return false;
    if (!loadSoundList(ctx, error))
        return false;
    if (!checkWatchedSounds(ctx, error))
        return false;
    // An empty or broken roster would open a name window with nobody to pick.
    if (!checkRosterFile(ctx, error))
        return false;
    return true;
}

QString versionText()
{
    return QStringLiteral("Version%1.%2.%3").arg(SOINSUU_VERSION_MAJOR).arg(SOINSUU_VERSION_MINOR).arg(SOINSUU_VERSION_PATCH);
}

} // namespace soinsuu
