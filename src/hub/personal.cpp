#include "personal.h"

#include "foundation/roster.h"

#include <QTime>

#include <algorithm>
#include <cmath>

namespace soinsuu {
namespace {

constexpr int kRecentRecords = 20000;
constexpr int kRecentDays = 3650;
// Runs this long or longer are left out of counts, averages and the plot:
// they are timed-out or failed runs, not times.
constexpr int kCountedTimeLimit = 1800;
constexpr int kTimedOut = 90000;

bool studentPasses(const RunContext& ctx, int student, const QString& gradeChoice)
{
    if (student < 0 || student > kMaxStudent)
        return false;
    return passesGradeFilter(gradeChoice, gradeNumberOf(ctx.schoolYear, ctx.studentBirthYears[std::size_t(student)]));
}

// The table's number format: a whole number rounded half away from zero,
// nothing for zero, and a text that is no number as it stands.
QString figure(double x)
{
    const double r = std::round(x);
    return r == 0 ? QString() : QString::number(std::int64_t(r));
}

QString figure(const QString& text)
{
    bool ok = false;
    const double x = text.trimmed().toDouble(&ok);
    return ok ? figure(x) : text;
}

QString right(int n, const QString& s) { return s.right(n); }

} // namespace

std::vector<ResultRecord> recentRuns(const RunContext& ctx)
{
    std::vector<ResultRecord> runs;
    RawRecords raw;
    if (readNewestRaw(resultsFilePath(ctx), kRecentRecords, &raw).status != FileStatus::Ok)
        return runs;
    const double from = oleDate(ctx.clock().today()) - kRecentDays;
    runs.reserve(std::size_t(raw.size()));
    for (std::int64_t i = 0; i < raw.size(); ++i) {
        ResultRecord r;
        decodeNumbers(raw.record(i), &r);
        if (r.level <= ctx.levelCount && r.date > from && !isDamagedRecord(r))
            runs.push_back(r);
    }
    return runs;
}

LevelLists personalRuns(const RunContext& ctx, const QString& gradeChoice, const RunListProgress& progress)
{
    LevelLists lists;
    RawRecords raw;
    if (readNewestRaw(resultsFilePath(ctx), kRecentRecords, &raw).status != FileStatus::Ok)
        return lists;
    const int student = ctx.currentStudent;
    const double from = oleDate(ctx.clock().today()) - kRecentDays;
    const bool shown = studentPasses(ctx, student, gradeChoice);
    const std::int64_t count = raw.size();
    for (std::int64_t i = 0; i < count; ++i) {
        if (progress && (i % 256 == 255 || i + 1 == count))
            progress(i + 1, count);
        if (!shown)
            continue;
        ResultRecord r;
        decodeNumbers(raw.record(i), &r);
        if (r.Bangou != student || r.level < 1 || r.level > ctx.levelCount || r.date <= from || isDamagedRecord(r))
            continue;
        const long seconds = r.timeOfDay >= 0 && r.timeOfDay < 1.5 ? std::lround(r.timeOfDay * 86400.0) % 86400 : 0;
        const QString when = right(10, dateFromOle(r.date).toString(QStringLiteral("yyyy/MM/dd"))) + u' '
                             + right(10, QTime(0, 0).addSecs(int(seconds)).toString(QStringLiteral("H:mm:ss")));
        if (r.time >= kTimedOut)
            lists[std::size_t(r.level)] << when + QStringLiteral("　　× ");
        else
            lists[std::size_t(r.level)] << when + right(5, QStringLiteral("      ") + QString::number(r.time) + u'秒');
    }
    return lists;
}

ComparisonFigures comparisonFigures(const RunContext& ctx, int level, int viewed, PointsMode mode, const QString& gradeChoice)
{
    ComparisonFigures f;
    for (const RankEntry& e : bestTimeEntries(ctx, level, gradeChoice))
        if (e.student == viewed && e.shown)
            f.timeRankText = e.key == kNoTime ? QStringLiteral("---") : QString::number(e.rank);
    for (const RankEntry& e : pointsEntries(ctx, level, mode, gradeChoice)) {
        if (!e.shown)
            continue;
        const std::int64_t points = ctx.totalPoints(e.student, level);
        if (e.student == viewed) {
            f.pointsRankText = QString::number(e.rank);
            f.pointsOfStudent = points;
        }
        if (points > 0) {
            f.schoolPointsSum += points;
            ++f.schoolPointsCount;
        }
    }
    return f;
}

LevelBlock levelBlock(const std::vector<ResultRecord>& runs, int level, int viewed, bool viewedPassesFilter)
{
    LevelBlock b;
    for (const ResultRecord& r : runs) {
        if (r.level != level)
            continue;
        if (r.time < kCountedTimeLimit) {
            b.schoolTimeSum += r.time;
            ++b.schoolTimeCount;
        }
        b.schoolBestTime = std::min(b.schoolBestTime, r.time);
        if (r.Bangou == viewed && r.time < kCountedTimeLimit) {
            ++b.runCount;
            b.runTimeSum += r.time;
            b.runTimeMax = std::max(b.runTimeMax, r.time);
        }
    }
    b.axisMax = std::min((b.runTimeMax / 10 + 1) * 10, 1000);
    if (!viewedPassesFilter)
        return b;
    int k = 0;
    int recordTime = 0;
    for (const ResultRecord& r : runs) {
        // A run past the counted limit has no place on the time axis and
        // would be drawn far outside its block.
        if (r.level != level || r.Bangou != viewed || r.time < 0 || r.time >= kCountedTimeLimit)
            continue;
        PlottedRun p;
        p.k = ++k;
        p.time = r.time;
        p.date = r.date;
        p.record = b.plotted.empty() || r.time < recordTime;
        if (p.record) {
            recordTime = r.time;
            b.bestRunText = QString::number(r.time) + u'秒';
        }
        b.plotted.push_back(p);
    }
    return b;
}

QStringList comparisonTable(const ComparisonFigures& f, const LevelBlock& b)
{
    const QString six = QStringLiteral("      ");
    QStringList lines;
    lines << QStringLiteral("回数　　　　　　　") + right(3, six + figure(b.runCount)) + u'回';
    lines << QStringLiteral("タイム  　　 　    本人 / 塾全体");
    lines << QStringLiteral("　　順位　　　　") + right(5, QStringLiteral("     ") + figure(f.timeRankText)) + u'位';
    lines << QStringLiteral("　　最高　　　　") + right(6, six + b.bestRunText) + QStringLiteral(" /")
                 + right(5, six + figure(b.schoolBestTime)) + u'秒';
    if (b.runCount != 0 && b.schoolTimeCount != 0)
        lines << QStringLiteral("　　平均　　　　") + right(5, six + figure(double(b.runTimeSum / b.runCount))) + u'秒'
                     + QStringLiteral(" /") + right(5, six + figure(double(b.schoolTimeSum) / b.schoolTimeCount)) + u'秒';
    lines << QStringLiteral("ポイント  　　　");
    lines << QStringLiteral("　　順位　　　　") + right(5, six + figure(f.pointsRankText)) + u'位';
    lines << QStringLiteral("　　獲得ポイント") + right(5, six + figure(double(f.pointsOfStudent))) + u'点';
    if (f.schoolPointsCount != 0)
        lines << QStringLiteral("　　　　　　　　　　　　/")
                     + right(5, six + figure(double(f.schoolPointsSum) / double(f.schoolPointsCount))) + u'点';
    lines << QStringLiteral("　　　　　　　　　　　　 (塾平均)");
    return lines;
}

} // namespace soinsuu
