#include "catalogue.h"

namespace soinsuu {
namespace {

const QString kLevelNames[25] = {
    QString(),
    QStringLiteral("その1"), QStringLiteral("その2"), QStringLiteral("その3"), QStringLiteral("その4"),
    QStringLiteral("レベル２－１"), QStringLiteral("レベル２－２"), QStringLiteral("レベル３練習"),
    QStringLiteral("レベル３－１"), QStringLiteral("レベル３－２"), QStringLiteral("レベル４練習"),
    QStringLiteral("レベル４－1"), QStringLiteral("レベル４－２"), QStringLiteral("レベル５練習"),
    QStringLiteral("レベル５－１"), QStringLiteral("レベル５－２"), QStringLiteral("レベル６練習"),
    QStringLiteral("レベル６－１"), QStringLiteral("レベル６－２"), QStringLiteral("レベル７練習"),
    QStringLiteral("レベル７－1"), QStringLiteral("レベル７－２"), QStringLiteral("レベル８練習"),
    QStringLiteral("レベル８－１"), QStringLiteral("レベル８－２"),
};

} // namespace

void initCatalogueTitle(RunContext& ctx)
{
    ctx.programTitle = QStringLiteral("素因数分解");
    ctx.teacherPrintEnabled = 0;
    ctx.allLevelsOpen = 1;
}

void buildLevelTable(RunContext& ctx)
{
    ctx.levelCount = 4;
    ctx.firstLevel = 1;
    ctx.topLevel = ctx.levelCount;
    for (int level = 1; level <= 24; ++level) {
        ctx.levelNames[level] = kLevelNames[level];
        ctx.timedLevel[level] = 1;
    }
}

bool isPracticeLevel(const RunContext& ctx, int level)
{
    if (level < 0 || level >= kLevelSlots)
        return false;
    return ctx.levelNames[level].contains(u'練');
}

std::optional<DrillParameters> drillParameters(int level)
{
    switch (level) {
    case 1: return DrillParameters{10, 3, 50, 100};
    case 2: return DrillParameters{10, 4, 100, 80};
    case 3: return DrillParameters{10, 5, 500, 70};
    case 4: return DrillParameters{5, 6, 10000, 60};
    default: return std::nullopt;
    }
}

QString gradeMark(int grade)
{
    static const QString marks[] = {
        QStringLiteral("①"), QStringLiteral("②"), QStringLiteral("③"), QStringLiteral("④"), QStringLiteral("⑤"),
        QStringLiteral("⑥"), QStringLiteral("Ⅰ"), QStringLiteral("Ⅱ"), QStringLiteral("Ⅲ"),
    };
    if (grade >= 1 && grade <= 9)
        return marks[grade - 1];
    return QStringLiteral("　");
}

QString gradeMark(const QString& grade)
{
    bool ok = false;
    const int g = grade.trimmed().toInt(&ok);
    return ok ? gradeMark(g) : QStringLiteral("　");
}

} // namespace soinsuu
