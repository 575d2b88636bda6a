#include "statistics.h"

#include "resultsfile.h"

#include "foundation/cp932.h"

#include <QCoreApplication>

#include <algorithm>
#include <climits>
#include <cmath>

namespace soinsuu {
namespace {

bool inTables(int student, int level)
{
    return student >= 0 && student <= kMaxStudent && level >= 0 && level <= kMaxLevel;
}

} // namespace

int timeValueOf(std::int32_t time)
{
    // The first three characters of the decimal text, sign included.
    if (time >= 0) {
        while (time >= 1000)
            time /= 10;
        return time;
    }
    std::int64_t magnitude = -std::int64_t(time);
    while (magnitude >= 100)
        magnitude /= 10;
    return -int(magnitude);
}

RunPoints runPointsFormula(std::int32_t t, std::int32_t v, std::int32_t T, float M)
{
    RunPoints p;
    if (T <= 0) {
        // Without a positive target the level earns nothing (the formula
        // would divide by it).
        return p;
    }
    if (t <= T) {
        const double share = double(T - v) / double(T);
        p.base = int(std::floor(share * share * share * 50.0 + 5.0));
    } else if (t < 2 * std::int64_t(T)) {
        p.base = 4;
    } else if (t < 10 * std::int64_t(T)) {
        p.base = 1;
    }
    if (t >= 99998)
        p.base = 0;
    // Single precision, as the multiplier is stored: 7 x 1.5 gives 10. A
    // multiplier no school would set still gives a number, never an
    // undefined conversion.
    const float product = std::floor(float(p.base) * M);
    if (std::isnan(product))
        p.points = 0;
    else
        p.points = int(std::clamp(double(product), double(INT_MIN), double(INT_MAX)));
    return p;
}

bool loadResults(RunContext& ctx)
{
    int retries = 0;
    int stage = 3;
    const QString path = resultsFilePath(ctx);
    ctx.bestTime.fill(kNoTime);

    RawRecords newest;
    SharedFileWait wait(ctx);
    for (;;) {
        stage = 4;
        const FileError e = readNewestRaw(path, kLoadWindow, &newest);
        if (e.status == FileStatus::Ok)
            break;
        if (e.status == FileStatus::SharingConflict) {
            wait.waitASecond();
            continue;
        }
        if (e.status == FileStatus::NotFound) {
            // The file itself is created when missing, so this is its
            // folder: one more try after five seconds (a share coming
            // back), then the message, well within ten seconds.
            if (++retries >= 2) {
                // One substitution pass: a folder name may itself hold "%3".
                fatalError(ctx, QStringLiteral("ファイルがありません"),
                           QStringLiteral("ファイルがありません%1%2%3")
                               .arg(QString::number(stage), e.description, QString::number(e.number)));
                return false;
            }
            ctx.clock().waitResponsive(5000);
            continue;
        }
        // No row was read when the file failed: the row fields stay empty.
        fatalError(ctx, QStringLiteral("成績ランダムファイル表示"),
                   QStringLiteral("成績ランダムファイル表示%1%2%3%2/date/i=%4/time=/name=/Bangou=/level=/time=line%1")
                       .arg(QString::number(stage), QString::number(e.number), e.description,
                            QString::number(newest.firstRecordNumber)));
        return false;
    }

    stage = 5;
    // Most records carry the same blank text: share one string for them.
    static const QString blank = QStringLiteral("     ");
    ctx.loadedRecords.resize(std::size_t(newest.size()));
    int j = 0;
    ResultRecord r;
    for (std::int64_t i = 0; i < newest.size(); ++i) {
        const char* bytes = newest.record(i);
        decodeNumbers(bytes, &r);
        // A damaged record, or one whose student or level the tables cannot
        // hold, is left out altogether; records maintenance still shows it.
        if (!inTables(r.Bangou, r.level) || isDamagedRecord(r))
            continue;
        std::int32_t& best = ctx.bestTime(r.Bangou, r.level);
        if (best > r.time)
            best = r.time;
        if (r.date < 0 || r.Bangou == 0 || r.level < 1)
            continue;
        LoadedRecord& row = ctx.loadedRecords[std::size_t(j++)];
        row.date = r.date;
        row.timeOfDay = r.timeOfDay;
        row.Bangou = r.Bangou;
        row.level = r.level;
        row.time = r.time;
        const QByteArray extra(bytes + 29, 5);
        row.extra = extra == "     " ? blank : cp932::decode(extra);
        const QByteArray points(bytes + 34, 5);
        row.points = points == "0    " ? 0.0 : fieldNumber(cp932::decode(points));
    }
    ctx.loadedRecords.resize(std::size_t(j));
    ctx.loadedRecordCount = j;

    for (int level = 1; level <= kMaxLevel; ++level) {
        std::int32_t best = kNoTime;
        for (int student = 1; student <= 1000; ++student)
            best = std::min(best, ctx.bestTime(student, level));
        ctx.schoolBestTime[std::size_t(level)] = best;
    }
    return true;
}

bool computeCounts(RunContext& ctx)
{
    ctx.totalRuns.fill(0);
    ctx.judgeRuns.fill(0);
    ctx.todayRuns.fill(0);
    ctx.todayPoints.fill(0);
    ctx.totalTimeSum.fill(0);
    ctx.totalPoints.fill(0);
    ctx.judgePoints.fill(0);
    ctx.todayTimeSum.fill(0);
    ctx.banRuns.fill(0);
    ctx.banPointsEarned.fill(0);

    if (!loadResults(ctx))
        return false;

    const QDateTime now = ctx.clock().now();
    const double today = oleDate(now.date());
    const double nowValue = today + timeOfDayFraction(now.time());

    for (int i = 0; i < ctx.loadedRecordCount; ++i) {
        const LoadedRecord& row = ctx.loadedRecords[std::size_t(i)];
        const int s = row.Bangou;
        const int L = row.level;
        if (L <= 0 || L > kMaxLevel)
            continue;
        const LevelCriteria& c = ctx.criteria[std::size_t(L)];
        const bool counted = row.time < 6000;
        const int timeValue = timeValueOf(row.time);
        const int p = runPointsFormula(row.time, timeValue, c.targetTime, c.pointMultiplier).points;
        if (counted)
            ++ctx.totalRuns(s, L);
        if (row.date > nowValue - c.judgeDays) {
            if (counted)
                ++ctx.judgeRuns(s, L);
            ctx.judgePoints(s, L) += p;
        }
        if (row.date > nowValue - c.banDays) {
            if (counted)
                ++ctx.banRuns(s, L);
            ctx.banPointsEarned(s, L) += p;
        }
        ctx.totalPoints(s, L) += p;
        ctx.totalTimeSum(s, L) += timeValue;
        if (row.date == today) {
            if (counted)
                ctx.todayRuns(s, L) += 1;
            ctx.todayTimeSum(s, L) += float(timeValue);
            ctx.todayPoints(s, L) += p;
        }
    }

    for (int s = 1; s <= kMaxStudent; ++s) {
        for (int L = 1; L <= kMaxLevel; ++L) {
            if (ctx.totalRuns(s, L) >= 1)
                ctx.averageTime(s, L) = float(std::floor(double(ctx.totalTimeSum(s, L)) / ctx.totalRuns(s, L) + 0.5));
            if (ctx.todayRuns(s, L) >= 1)
                ctx.todayAverageTime(s, L) = float(std::floor(double(ctx.todayTimeSum(s, L)) / ctx.todayRuns(s, L) + 0.5));
        }
    }
    return true;
}

bool levelCleared(const RunContext& ctx, int student, int level)
{
    if (!inTables(student, level))
        return false;
    const LevelCriteria& c = ctx.criteria[std::size_t(level)];
    return ctx.judgeRuns(student, level) >= c.clearCount && ctx.judgePoints(student, level) >= c.clearPoints;
}

bool overPractised(const RunContext& ctx, int student, int level)
{
    if (!inTables(student, level))
        return false;
    const LevelCriteria& c = ctx.criteria[std::size_t(level)];
    return (c.banCount != 0 && ctx.banRuns(student, level) >= c.banCount)
           || (c.banPoints != 0 && ctx.banPointsEarned(student, level) >= c.banPoints);
}

bool Seisekikiroku(RunContext& ctx, int level)
{
    const int s = ctx.currentStudent;
    const int selected = ctx.selectedLevel;
    if (inTables(s, selected)) {
        const LevelCriteria& c = ctx.criteria[std::size_t(selected)];
        ctx.clearedBefore = ctx.totalRuns(s, selected) >= c.clearCount && ctx.totalPoints(s, selected) >= c.clearPoints;
    }
    if (inTables(s, level) && ctx.bestTime(s, level) > ctx.runTime) {
        ctx.newPersonalBest = 1;
        ctx.bestTime(s, level) = ctx.runTime;
    }
    if (!appendResult(ctx))
        return false;
    if (level >= 0 && level <= kMaxLevel && ctx.schoolBestTime[std::size_t(level)] > ctx.runTime) {
        ctx.schoolBestTime[std::size_t(level)] = ctx.runTime;
        ctx.newSchoolBest = 1;
    }
    return true;
}

} // namespace soinsuu
