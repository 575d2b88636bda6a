#include "menu_columns.h"

#include "foundation/criteria.h"
#include "foundation/roster.h"
#include "results/statistics.h"

#include <cmath>

namespace soinsuu {

QString targetLine(const LevelCriteria& c)
{
    if (c.clearPoints == 9999)
        return QStringLiteral("目標=%1秒 --------").arg(c.targetTime);
    return QStringLiteral("目標=%1秒 %2回/%3点(×%4)").arg(c.targetTime).arg(c.clearCount).arg(c.clearPoints).arg(multiplierText(c.pointMultiplier));
}

QString judgementLine(const LevelCriteria& c, int judgeRuns, int judgePoints)
{
    return QStringLiteral("最近%1日=%2回 / %3点").arg(QString::number(c.judgeDays)).arg(judgeRuns).arg(judgePoints);
}

QString todayLine(float todayRuns, int todayPoints)
{
    if (todayRuns == 0)
        return QStringLiteral("-----");
    return QStringLiteral("%1回/%2点").arg(QString::number(double(todayRuns))).arg(todayPoints);
}

QString allTimeLine(int totalRuns, int totalPoints)
{
    if (totalRuns == 0)
        return QStringLiteral("------");
    return QStringLiteral("%1回/%2点").arg(totalRuns).arg(totalPoints);
}

bool isTeacher(const QString& studentName)
{
    return trimHalfWidthSpaces(studentName) == QStringLiteral("先生");
}

bool mayPrintSheets(const QString& studentName) { return studentName.contains(QStringLiteral("先生")); }

QString studentHeaderText(const QString& studentName, const QString& gradeLabel)
{
    return trimHalfWidthSpaces(studentName) + QStringLiteral(" ") + gradeLabel;
}

QString workingTimeText(const RunContext& ctx)
{
    return QStringLiteral("起動後%1分").arg(minutesSinceNameConfirmed(ctx));
}

QString todayTotalText(const RunContext& ctx)
{
    int total = 0;
    for (int level = 1; level <= kMaxLevel; ++level)
        total = int(std::lround(total + ctx.todayRuns(ctx.currentStudent, level)));
    return QStringLiteral("本日総回数＝%1回").arg(total);
}

LevelAccess levelAccess(const RunContext& ctx)
{
    LevelAccess a;
    const int s = ctx.currentStudent;
    const int n = std::min<int>(ctx.levelCount, kMaxLevel);
    a.topLevelCleared = levelCleared(ctx, s, ctx.topLevel);
    const bool teacher = isTeacher(ctx.studentName);
    a.enabled[1] = true;
    for (int i = 1; i <= n; ++i) {
        const bool nextIsFree = i + 1 <= kMaxLevel && ctx.criteria[std::size_t(i + 1)].clearPoints == 9999;
        const bool passed = ctx.allLevelsOpen == 1 || teacher || levelCleared(ctx, s, i) || nextIsFree;
        if (!passed || i >= n)
            continue;
        a.enabled[std::size_t(i + 1)] = true;
        a.barred[std::size_t(i + 1)] = false;
        a.barred[std::size_t(i)] = !a.topLevelCleared && overPractised(ctx, s, i);
        if (a.barred[std::size_t(i)])
            a.enabled[std::size_t(i)] = false;
    }
    return a;
}

} // namespace soinsuu
