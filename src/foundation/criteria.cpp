#include "criteria.h"

#include "cp932.h"
#include "filenames.h"
#include "listinput.h"

#include <QDir>

#include <cmath>

namespace soinsuu {

QStringList criteriaHeadings()
{
    return {QStringLiteral("目標Time"), QStringLiteral("最低Time"), QStringLiteral("ｸﾘｱﾎﾟｲﾝﾄ"), QStringLiteral("ｸﾘｱ回数"),
            QStringLiteral("ﾎﾟｲﾝﾄ倍率"), QStringLiteral("禁回"), QStringLiteral("禁点"), QStringLiteral("判期間"),
            QStringLiteral("禁期間"), QString(), QString(), QString()};
}

QString criteriaFilePath(const RunContext& ctx) { return fileInFolder(ctx.programDataFolder, kCriteriaFileName); }

QString multiplierText(float multiplier) { return QString::number(double(multiplier), 'g', 7); }

bool loadCriteria(RunContext& ctx, QString* error)
{
    const QString path = criteriaFilePath(ctx);
    const QString shownPath = QDir::toNativeSeparators(path);
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1\n%2").arg(shownPath, why);
        return false;
    };

    QString why;
    const std::optional<QString> text = cp932::readTextFile(path, &why);
    if (!text)
        return fail(why);

    // Read into a copy so a broken file leaves the table as it was.
    std::array<LevelCriteria, kLevelSlots> table = ctx.criteria;
    ListInputReader in(*text);
    int entry = -1;
    while (!in.atEnd()) {
        ++entry;
        // Lines past the last level the table holds are ignored.
        if (entry > kMaxLevel)
            break;
        const QString where = entry == 0 ? QStringLiteral("見出しの行") : QStringLiteral("レベル%1の行").arg(entry);
        QString items[12];
        for (int i = 0; i < 12; ++i) {
            if (in.atEnd())
                return fail(QStringLiteral("%1の項目が足りません（12項目必要です）").arg(where));
            items[i] = in.readText();
        }
        LevelCriteria& c = table[std::size_t(entry)];
        c.spare10 = items[9];
        c.spare11 = items[10];
        c.spare12 = items[11];
        if (entry == 0)
            continue;  // the heading line: nothing reads its numbers
        double v[9];
        for (int i = 0; i < 9; ++i) {
            if (!parseListNumber(items[i], &v[i]))
                return fail(QStringLiteral("%1の%2項目目「%3」が数値ではありません").arg(where).arg(i + 1).arg(items[i]));
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
    if (entry < 0)
        return fail(QStringLiteral("中身がありません"));
    ctx.criteria = table;
    return true;
}

bool writeCriteriaFile(const QString& path, const std::vector<QStringList>& rows, QString* error)
{
    QString text;
    for (const QStringList& row : rows) {
        for (int i = 0; i < 12; ++i) {
            text += row.value(i);
            text += i < 11 ? QStringLiteral(",") : QStringLiteral("\r\n");
        }
    }
    QString why;
    if (!cp932::writeTextFile(path, text, &why)) {
        if (error)
            *error = QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    return true;
}

} // namespace soinsuu
