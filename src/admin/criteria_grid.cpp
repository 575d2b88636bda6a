#include "criteria_grid.h"

#include "foundation/cp932.h"
#include "foundation/criteria.h"
#include "foundation/listinput.h"

#include <QDir>

namespace soinsuu {

bool readCriteriaRows(const QString& path, std::vector<QStringList>* rows, QString* error)
{
    QString why;
    const std::optional<QString> text = cp932::readTextFile(path, &why);
    if (!text) {
        if (error)
            *error = QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    rows->clear();
    ListInputReader in(*text);
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

std::optional<BadCell> firstBadCell(const std::vector<QStringList>& rows)
{
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (int c = 1; c <= 9; ++c) {
            const QString text = rows[r].value(c - 1);
            double value = 0;
            if (!parseListNumber(text, &value))
                return BadCell{int(r) + 1, c, text};
        }
    }
    return std::nullopt;
}

SaveOutcome saveCriteriaRows(RunContext& ctx, const std::vector<QStringList>& rows, QString* error)
{
    const QString path = criteriaFilePath(ctx);
    if (const std::optional<BadCell> bad = firstBadCell(rows)) {
        if (error)
            *error = QStringLiteral("レベル%1の「%2」の「%3」は数値ではありません。\n%4 は記録していません。")
                         .arg(bad->level)
                         .arg(criteriaHeadings().value(bad->column - 1), bad->text, QDir::toNativeSeparators(path));
        return SaveOutcome::NotWritten;
    }
    std::vector<QStringList> lines;
    lines.reserve(rows.size() + 1);
    lines.push_back(criteriaHeadings());
    lines.insert(lines.end(), rows.begin(), rows.end());
    QString why;
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
