#include "endofdrill.h"

#include "statistics.h"

#include "foundation/criteria.h"
#include "foundation/roster.h"

namespace soinsuu {

QString pointsLine(int base, float multiplier, int points)
{
    return QStringLiteral("獲得ポイント：%1点×%2→%3点").arg(base).arg(multiplierText(multiplier)).arg(points);
}

EndMessage endMessageFor(int runEnd, int newPersonalBest, int newSchoolBest, std::int32_t runTime,
                         std::int32_t minimumLineTime)
{
    if (runEnd == 1)
        return EndMessage::TimedOut;
    if (newPersonalBest == 1 && newSchoolBest != 1)
        return EndMessage::PersonalBest;
    if (newSchoolBest == 1)
        return EndMessage::SchoolBest;
    if (runTime <= minimumLineTime)
        return EndMessage::AtMinimumLine;
    return EndMessage::None;
}

QString endMessageText(EndMessage message)
{
    switch (message) {
    case EndMessage::TimedOut:
        return QStringLiteral("時間切れ");
    case EndMessage::PersonalBest:
        return QStringLiteral("新記録おめでとう");
    case EndMessage::SchoolBest:
        return QStringLiteral("！！！最高新記録！！！");
    case EndMessage::None:
    case EndMessage::AtMinimumLine:
        break;
    }
    return {};
}

bool goalBannerAllowed(const RunContext& ctx)
{
    for (int k = 1; k <= kMaxLevel; ++k)
        if (ctx.criteria[std::size_t(k)].clearCount == 9999)
            return false;
    return true;
}

EndOfDrillView evaluateEndOfDrill(const RunContext& ctx)
{
    const int s = ctx.currentStudent;
    const int level = ctx.selectedLevel;
    const bool inTables = s >= 0 && s <= kMaxStudent && level >= 1 && level <= kMaxLevel;
    const LevelCriteria& c = ctx.criteria[std::size_t(inTables ? level : 0)];

    EndOfDrillView v;
    v.title = ctx.programTitle;
    v.levelName = inTables ? ctx.levelNames[std::size_t(level)] : QString();
    v.studentName = trimHalfWidthSpaces(ctx.studentName);

    // At the end of a drill the formula takes the run's time itself.
    const RunPoints p = runPointsFormula(ctx.runTime, ctx.runTime, c.targetTime, c.pointMultiplier);
    v.pointsLine = pointsLine(p.base, c.pointMultiplier, p.points);
    v.resultLine = ctx.runTime > 99997 ? QStringLiteral("記録なし") : QStringLiteral("今の成績：%1秒").arg(ctx.runTime);

    const int levelToday = inTables ? int(ctx.todayRuns(s, level)) : 0;
    v.levelRunsLine = QStringLiteral(" (このレベル　%1回目)").arg(levelToday);
    double allToday = 0;
    if (inTables)
        for (int k = 1; k <= kMaxLevel; ++k)
            allToday += ctx.todayRuns(s, k);
    v.allRunsLine = QStringLiteral("（%1回目)").arg(qint64(allToday));

    v.message = endMessageFor(ctx.runEnd, ctx.newPersonalBest, ctx.newSchoolBest, ctx.runTime, c.minimumLineTime);
    v.levelCleared = levelCleared(ctx, s, level);
    const bool goal = v.levelCleared && level == ctx.topLevel;
    v.goalBanner = goal && goalBannerAllowed(ctx);
    v.goalFanfare = goal && ctx.clearedBefore != 1;
    return v;
}

WayOn wayOnFor(bool overPractised, bool levelCleared, bool isGoalLevel, bool goalLevelCleared)
{
    WayOn w;
    if (!(overPractised && levelCleared))
        return w;
    if (isGoalLevel) {
        // Nothing further to move on to: practising the goal again is fine.
        w.label2 = WayOn::Label2::Hide;
    } else if (!goalLevelCleared) {
        w.again = false;
        w.label2 = WayOn::Label2::MoveOn;
    }
    return w;
}

} // namespace soinsuu
