#include "criteria_grid.h"

#include "foundation/cp932.h"
#include "foundation/criteria.h"
#include "foundation/listinput.h"

#include <QDir>

#include <cmath>

namespace soinsuu {

bool criteriaRowsFromText(const QString& text, std::vector<QStringList>* rows)
{
    rows->clear();
    ListInputReader in(text);
    // The reader counts a line end like a comma, so a file is taken twelve
    // items at a time; the first twelve are the heading line.
    bool heading = true;
    while (!in.atEnd()) {
        QStringList row;
        for (int i = 0; i < 12; ++i)
            row << (in.atEnd() ? QString() : in.readText());
        if (!heading)
            rows->push_back(row);
        heading = false;
    }
    return true;
}

bool readCriteriaRows(const QString& path, std::vector<QStringList>* rows, QString* error)
{
    QString why;
    const std::optional<QString> text = cp932::readTextFile(path, &why);
    if (!text) {
        if (error)
            *error = QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    return criteriaRowsFromText(*text, rows);
}

std::optional<QString> criteriaCellProblem(int column, const QString& text)
{
    for (const QChar c : text) {
        if (c == u',')
            return QStringLiteral("「,」（カンマ）は使えません");
        if (c == u'"')
            return QStringLiteral("「\"」（ダブルクォーテーション）は使えません");
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("改行などの制御文字は使えません");
    }
    QString bad;
    if (!cp932::encodeExactly(text, &bad))
        return cp932::unencodableMessage(bad);
    if (column > 9)
        return std::nullopt;  // the spare columns hold any text
    double value = 0;
    if (!parseListNumber(text, &value))
        return QStringLiteral("数値ではありません");
    const CriteriaColumnRule rule = criteriaColumnRule(column);
    if (rule.wholeNumber && value != std::nearbyint(value))
        return QStringLiteral("整数で書いてください");
    if (value < rule.min || value > rule.max)
        return QStringLiteral("%1～%2の数にしてください").arg(rule.min).arg(rule.max);
    return std::nullopt;
}

std::optional<BadCell> firstBadCell(const std::vector<QStringList>& rows)
{
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (int c = 1; c <= 12; ++c) {
            const QString text = rows[r].value(c - 1);
            if (const std::optional<QString> problem = criteriaCellProblem(c, text))
                return BadCell{int(r) + 1, c, text, *problem};
        }
    }
    return std::nullopt;
}

SaveOutcome saveCriteriaRows(RunContext& ctx, const std::vector<QStringList>& rows, QString* error)
{
    const QString path = criteriaFilePath(ctx);
    const QString shownPath = QDir::toNativeSeparators(path);
    auto refuse = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1\n%2 は記録していません。前のデータはそのまま残っています。").arg(why, shownPath);
        return SaveOutcome::NotWritten;
    };
    if (rows.empty())
        return refuse(QStringLiteral("合格タイムデータが読み込まれていないので、記録するものがありません。"));
    if (const std::optional<BadCell> bad = firstBadCell(rows)) {
        const QString heading = criteriaHeadings().value(bad->column - 1);
        const QString column = heading.isEmpty() ? QStringLiteral("%1列目").arg(bad->column)
                                                 : QStringLiteral("「%1」（%2列目）").arg(heading).arg(bad->column);
        return refuse(QStringLiteral("レベル%1の%2の「%3」：%4。").arg(bad->level).arg(column, bad->text, bad->problem));
    }
    std::vector<QStringList> lines;
    lines.reserve(rows.size() + 1);
    lines.push_back(criteriaHeadings());
    lines.insert(lines.end(), rows.begin(), rows.end());

    // Read back exactly as start-up will read the file.
    const QString text = criteriaFileText(lines);
    const std::optional<QByteArray> bytes = cp932::encodeExactly(text);
    std::array<LevelCriteria, kLevelSlots> readBack = ctx.criteria;
    QString why;
    std::vector<QStringList> rowsBack;
    if (!bytes || !parseCriteriaText(cp932::decode(*bytes), &readBack, &why)
        || !criteriaRowsFromText(cp932::decode(*bytes), &rowsBack) || rowsBack.size() != rows.size())
        return refuse(QStringLiteral("書こうとしたデータを読み直せません（%1）。").arg(why));

    if (!writeCriteriaFile(path, lines, &why)) {
        if (error)
            *error = QStringLiteral("合格タイムデータを記録できません。前のデータはそのまま残っています。\n%1").arg(why);
        return SaveOutcome::NotWritten;
    }
    if (!loadCriteria(ctx, &why)) {
        if (error)
            *error = QStringLiteral("合格タイムデータを記録しましたが、読み込めません。\n%1").arg(why);
        return SaveOutcome::WrittenNotLoaded;
    }
    return SaveOutcome::Saved;
}

QString columnExplanation(int column)
{
    switch (column) {
    case 1:
        return QStringLiteral("合格基準タイム\n　大部分の人ががんばったら出せそうなタイムにしてください");
    case 2:
        return QStringLiteral("合格最低ラインタイム\n  この５倍が時間切れになります");
    case 3:
        return QStringLiteral("目標ポイント\n　　 目標ポイント");
    case 4:
        return QStringLiteral("目標回数\n　　 目標回数");
    case 5:
        return QStringLiteral("ポイント倍率\n  ポイントを何倍にして加算するか\n  むずかしいレベルや生徒のいやがるレベルは高くしてください");
    case 6:
        return QStringLiteral("やりすぎ禁止回数\n  何回やったらやりすぎ禁止にするか\n  ");
    case 7:
        return QStringLiteral("やりすぎ禁止ポイント\n  何ポイントとったらやりすぎ禁止にするか\n ");
    case 8:
        return QStringLiteral("合格判定をする日数\n　何日前からのポイントを有効にするか");
    case 9:
        return QStringLiteral("やりすぎ判定をする日数\n　何日前からのポイントを有効にするか");
    default:
        return QString();
    }
}

} // namespace soinsuu
