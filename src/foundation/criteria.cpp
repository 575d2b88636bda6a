#include "criteria.h"

#include "cp932.h"
#include "filenames.h"
#include "listinput.h"

#include <QDir>

#include <cmath>
#include <limits>

namespace soinsuu {

QStringList criteriaHeadings()
{
    return {QStringLiteral("目標Time"), QStringLiteral("最低Time"), QStringLiteral("ｸﾘｱﾎﾟｲﾝﾄ"), QStringLiteral("ｸﾘｱ回数"),
            QStringLiteral("ﾎﾟｲﾝﾄ倍率"), QStringLiteral("禁回"), QStringLiteral("禁点"), QStringLiteral("判期間"),
            QStringLiteral("禁期間"), QString(), QString(), QString()};
}

QString criteriaFilePath(const RunContext& ctx) { return fileInFolder(ctx.programDataFolder, kCriteriaFileName); }

QString multiplierText(float multiplier) { return QString::number(double(multiplier), 'g', 7); }

CriteriaColumnRule criteriaColumnRule(int column)
{
    constexpr double int32Min = std::numeric_limits<std::int32_t>::min();
    constexpr double int32Max = std::numeric_limits<std::int32_t>::max();
    constexpr double int16Min = std::numeric_limits<std::int16_t>::min();
    constexpr double int16Max = std::numeric_limits<std::int16_t>::max();
    constexpr double floatMax = std::numeric_limits<float>::max();
    constexpr double doubleMax = std::numeric_limits<double>::max();
    switch (column) {
    case 1:  // pass time, seconds
    case 2:  // lowest pass line: five times it is the time limit
        return {true, int32Min, int32Max, 0, 9999};
    case 3:
        return {true, int32Min, int32Max, 0, 999999};
    case 4:  // 9999 has its own meaning: keep it the largest
        return {true, int16Min, int16Max, 0, 9999};
    case 5:
        return {false, -floatMax, floatMax, 0, 100};
    case 6:
        return {false, -doubleMax, doubleMax, 0, 99999};
    case 7:
        return {false, -doubleMax, doubleMax, 0, 999999};
    default:  // 8 and 9: days, up to a hundred years
        return {false, -doubleMax, doubleMax, 0, 36500};
    }
}

bool parseCriteriaText(const QString& text, std::array<LevelCriteria, kLevelSlots>* out, QString* why)
{
    // Read into a copy so a broken text leaves the table as it was.
    std::array<LevelCriteria, kLevelSlots> table = *out;
    const QStringList headings = criteriaHeadings();
    ListInputReader in(text);
    int entry = -1;
    while (!in.atEnd()) {
        ++entry;
        // Lines past the last level the table holds are ignored.
        if (entry > kMaxLevel)
            break;
        const QString where = entry == 0 ? QStringLiteral("見出しの行") : QStringLiteral("レベル%1の行").arg(entry);
        QString items[12];
        int lines[12];
        for (int i = 0; i < 12; ++i) {
            if (in.atEnd()) {
                *why = QStringLiteral("%1行目：%2の項目が足りません（12項目必要です）").arg(in.lineNumber()).arg(where);
                return false;
            }
            items[i] = in.readText();
            lines[i] = in.lineNumber();
        }
        LevelCriteria& c = table[std::size_t(entry)];
        c.spare10 = items[9];
        c.spare11 = items[10];
        c.spare12 = items[11];
        if (entry == 0)
            continue;  // the heading line: nothing reads its numbers
        double v[9];
        for (int i = 0; i < 9; ++i) {
            const CriteriaColumnRule rule = criteriaColumnRule(i + 1);
            const bool number = parseListNumber(items[i], &v[i]);
            const bool fits = number
                && (rule.wholeNumber ? wholeNumberWithin(v[i], qint64(rule.fieldMin), qint64(rule.fieldMax)).has_value()
                                     : v[i] >= rule.fieldMin && v[i] <= rule.fieldMax);
            if (!fits) {
                *why = QStringLiteral("%1行目：%2の%3項目目（%4）「%5」は%6")
                           .arg(lines[i])
                           .arg(where)
                           .arg(i + 1)
                           .arg(headings.value(i), items[i],
                                number ? QStringLiteral("この項目には大きすぎるか小さすぎます") : QStringLiteral("数値ではありません"));
                return false;
            }
        }
        c.targetTime = std::int32_t(std::nearbyint(v[0]));
        c.minimumLineTime = std::int32_t(std::nearbyint(v[1]));
        c.clearPoints = std::int32_t(std::nearbyint(v[2]));
        c.clearCount = std::int16_t(std::nearbyint(v[3]));
        c.pointMultiplier = float(v[4]);
        c.banCount = v[5];
        c.banPoints = v[6];
        c.judgeDays = v[7];
        c.banDays = v[8];
    }
    if (entry < 0) {
        *why = QStringLiteral("中身がありません");
        return false;
    }
    *out = table;
    return true;
}

bool loadCriteria(RunContext& ctx, QString* error)
{
    const QString path = criteriaFilePath(ctx);
    QString why;
    const std::optional<QString> text = cp932::readTextFile(path, &why);
    if (!text || !parseCriteriaText(*text, &ctx.criteria, &why)) {
        if (error)
            *error = QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    return true;
}

QString criteriaFileText(const std::vector<QStringList>& rows)
{
    QString text;
    for (const QStringList& row : rows) {
        for (int i = 0; i < 12; ++i) {
            text += row.value(i);
            text += i < 11 ? QStringLiteral(",") : QStringLiteral("\r\n");
        }
    }
    return text;
}

bool writeCriteriaFile(const QString& path, const std::vector<QStringList>& rows, QString* error)
{
    QString why;
    if (!cp932::writeTextFile(path, criteriaFileText(rows), &why)) {
        if (error)
            *error = QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    return true;
}

} // namespace soinsuu
