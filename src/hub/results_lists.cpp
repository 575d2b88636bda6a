#include "results_lists.h"

#include "foundation/catalogue.h"
#include "foundation/roster.h"
#include "results/resultsfile.h"
#include "results/statistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace soinsuu {
namespace {

bool passes(const RunContext& ctx, int student, const QString& gradeChoice)
{
    if (student < 0 || student > kMaxStudent)
        return false;
    return passesGradeFilter(gradeChoice, gradeNumberOf(ctx.schoolYear, ctx.studentBirthYears[std::size_t(student)]));
}

QString tailOf(const RunContext& ctx, int student)
{
    return student == ctx.currentStudent ? QStringLiteral("●") : QStringLiteral("　");
}

std::vector<int> listedStudents(const RunContext& ctx)
{
    std::vector<int> students;
    for (int k = 1; k <= ctx.rosterCount && k <= kMaxStudent; ++k)
        students.push_back(ctx.rosterNumbers[std::size_t(k)]);
    return students;
}

// Sorts by key, keeping roster order among equal keys.
std::vector<int> rankOrder(const std::vector<int>& students, const std::vector<std::int64_t>& keys)
{
    std::vector<int> order(students.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[std::size_t(a)] < keys[std::size_t(b)]; });
    return order;
}

int basePoints(const RunContext& ctx, const ResultRecord& r)
{
    const int level = std::clamp<int>(r.level, 0, kMaxLevel);
    return runPointsFormula(r.time, r.time, ctx.criteria[std::size_t(level)].targetTime, 1.0f).base;
}

} // namespace

QString lastChars(int n, const QString& s) { return s.right(n); }

QString name5(const RunContext& ctx, int student, bool ranking)
{
    QString name = ctx.studentNames[std::size_t(student)];
    while (name.endsWith(u' '))
        name.chop(1);
    if (!ranking)
        while (name.startsWith(u' '))
            name.remove(0, 1);
    return (name + QString(ranking ? 6 : 4, u'　')).left(5);
}

QString markOf(const RunContext& ctx, int student)
{
    if (student == ctx.currentStudent)
        return QStringLiteral("●");
    return gradeMark(gradeNumberOf(ctx.schoolYear, ctx.studentBirthYears[std::size_t(student)]));
}

namespace {

// Ranks the listed roster by key, ascending and stable; `figure` gives the
// value whose equality with the entry before shares a rank.
template <typename Figure>
std::vector<RankEntry> rankBy(const RunContext& ctx, const std::vector<std::int64_t>& keys, Figure figure)
{
    const std::vector<int> students = listedStudents(ctx);
    std::vector<RankEntry> entries;
    entries.reserve(students.size());
    std::int64_t previous = 0;
    int rank = 0;
    int position = 0;
    for (int i : rankOrder(students, keys)) {
        ++position;
        RankEntry e;
        e.student = students[std::size_t(i)];
        e.key = keys[std::size_t(i)];
        const std::int64_t value = figure(e);
        if (position == 1 || value != previous)
            rank = position;
        previous = value;
        e.rank = rank;
        entries.push_back(e);
    }
    return entries;
}

} // namespace

std::vector<RankEntry> bestTimeEntries(const RunContext& ctx, int level, const QString& gradeChoice)
{
    std::vector<std::int64_t> keys;
    for (int s : listedStudents(ctx))
        keys.push_back(ctx.bestTime(s, level));
    std::vector<RankEntry> entries = rankBy(ctx, keys, [](const RankEntry& e) { return e.key; });
    for (RankEntry& e : entries)
        e.shown = passes(ctx, e.student, gradeChoice);
    return entries;
}

std::vector<RankEntry> pointsEntries(const RunContext& ctx, int level, PointsMode mode, const QString& gradeChoice)
{
    std::vector<std::int64_t> keys;
    for (int s : listedStudents(ctx)) {
        const std::int64_t total = ctx.totalPoints(s, level), today = ctx.todayPoints(s, level);
        keys.push_back(mode == PointsMode::Total ? 1000000 - (total * 1000 + today) : 1000000 - (today * 1000 + total));
    }
    std::vector<RankEntry> entries = rankBy(ctx, keys, [&](const RankEntry& e) -> std::int64_t {
        return mode == PointsMode::Total ? ctx.totalPoints(e.student, level) : ctx.todayPoints(e.student, level);
    });
    for (RankEntry& e : entries)
        e.shown = passes(ctx, e.student, gradeChoice) && (mode == PointsMode::Total || ctx.todayPoints(e.student, level) != 0);
    return entries;
}

QStringList bestTimeRanking(const RunContext& ctx, int level, const QString& gradeChoice)
{
    QStringList lines;
    for (const RankEntry& e : bestTimeEntries(ctx, level, gradeChoice)) {
        if (!e.shown)
            continue;
        const int s = e.student;
        const QString head = markOf(ctx, s) + name5(ctx, s, true);
        if (e.key == 99998)
            lines << lastChars(2, QString::number(e.rank)) + head + QStringLiteral("*失敗* ") + tailOf(ctx, s);
        else if (e.key == kNoTime)
            lines << QStringLiteral("--") + head + QStringLiteral("------ ") + tailOf(ctx, s);
        else
            lines << lastChars(2, QString::number(e.rank)) + head + lastChars(6, QStringLiteral("    ") + QString::number(e.key))
                         + QStringLiteral(" ") + tailOf(ctx, s);
    }
    return lines;
}

QStringList pointsRanking(const RunContext& ctx, int level, PointsMode mode, const QString& gradeChoice)
{
    QStringList lines;
    for (const RankEntry& e : pointsEntries(ctx, level, mode, gradeChoice)) {
        if (!e.shown)
            continue;
        const int s = e.student;
        lines << lastChars(2, QString::number(e.rank)) + markOf(ctx, s) + name5(ctx, s, true)
                     + lastChars(3, QStringLiteral("    ") + QString::number(ctx.todayPoints(s, level))) + QStringLiteral("/")
                     + lastChars(5, QStringLiteral("    ") + QString::number(ctx.totalPoints(s, level)));
    }
    return lines;
}

namespace {

// Builds the lines of the two run lists. The per-student part of a line and
// the date text repeat across thousands of records, so they are made once.
class RunLineMaker {
public:
    RunLineMaker(const RunContext& ctx, const QString& gradeChoice) : ctx_(ctx), gradeChoice_(gradeChoice) {}

    // Mark & Name5 & Mark, or null when the student does not pass the grade
    // filter (or is no student number at all).
    const QString* who(int student)
    {
        if (student < 0 || student > kMaxStudent)
            return nullptr;
        Cached& c = students_[std::size_t(student)];
        if (c.state == 0) {
            c.state = passes(ctx_, student, gradeChoice_) ? 1 : 2;
            if (c.state == 1)
                c.text = markOf(ctx_, student) + name5(ctx_, student, false) + markOf(ctx_, student);
        }
        return c.state == 1 ? &c.text : nullptr;
    }

    const QString& monthDay(double date)
    {
        if (date != monthDayOf_ || monthDay_.isNull()) {
            monthDayOf_ = date;
            const QDate d = dateFromOle(date);
            monthDay_ = twoDigits(d.month()) + u'/' + twoDigits(d.day());
        }
        return monthDay_;
    }

    static QString hourMinute(double timeOfDay)
    {
        // A damaged time of day reads as midnight rather than as garbage.
        const long seconds = timeOfDay >= 0 && timeOfDay < 1.5 ? std::lround(timeOfDay * 86400.0) % 86400 : 0;
        const int minutes = int(seconds / 60);
        return twoDigits(minutes / 60) + u':' + twoDigits(minutes % 60);
    }

    // R(5, "      " & text & unit)
    static QString right5(const QString& text)
    {
        return text.size() >= 5 ? text.right(5) : QString(5 - text.size(), u' ') + text;
    }

    int points(const ResultRecord& r) const { return basePoints(ctx_, r); }

private:
    static QString twoDigits(int n) { return QString::number(n).rightJustified(2, u'0'); }

    struct Cached {
        std::int8_t state = 0;  // 0 not looked at, 1 shown, 2 filtered out
        QString text;
    };
    const RunContext& ctx_;
    const QString& gradeChoice_;
    std::vector<Cached> students_ = std::vector<Cached>(std::size_t(kMaxStudent) + 1);
    double monthDayOf_ = 0;
    QString monthDay_;
};

// The progress is reported every so many records: a progress bar repaints
// on every visible step, and a repaint per record would cost more than the
// list itself.
void reportProgress(const RunListProgress& progress, std::int64_t done, std::int64_t count)
{
    if (progress && (done % 256 == 0 || done == count))
        progress(done, count);
}

} // namespace

LevelLists todaysRuns(const RunContext& ctx, const QString& gradeChoice, const RunListProgress& progress)
{
    LevelLists lists;
    NewestRecords newest;
    if (readNewestRecords(resultsFilePath(ctx), 1000, &newest).status != FileStatus::Ok)
        return lists;
    RunLineMaker make(ctx, gradeChoice);
    const double today = oleDate(ctx.clock().today());
    const std::int64_t count = std::int64_t(newest.records.size());
    for (std::int64_t i = 0; i < count; ++i) {
        reportProgress(progress, i + 1, count);
        const ResultRecord& r = newest.records[std::size_t(i)];
        if (r.date != today || r.level < 1 || r.level > kMaxLevel || isDamagedRecord(r))
            continue;
        const QString* who = make.who(r.Bangou);
        if (!who)
            continue;
        const QString hhmm = RunLineMaker::hourMinute(r.timeOfDay);
        if (r.time >= 90000)
            lists[std::size_t(r.level)] << QStringLiteral("　　× ") + hhmm + *who;
        else
            lists[std::size_t(r.level)] << RunLineMaker::right5(QString::number(r.time) + u'秒') + u' ' + hhmm + *who
                                               + QString::number(make.points(r));
    }
    return lists;
}

int lookBackDays(int period, const QDate& today)
{
    const int weekday = today.dayOfWeek() % 7 + 1;  // Sunday 1 .. Saturday 7
    switch (period) {
    case 1: return weekday == 1 ? 7 : weekday - 1;
    case 2: return weekday == 1 ? 14 : weekday - 1 + 7;
    case 3: return 30;
    case 4: return 365;
    default: return 3650;
    }
}

LevelLists periodRuns(const RunContext& ctx, int viewKind, int period, const QString& gradeChoice,
                      const RunListProgress& progress)
{
    LevelLists lists;
    RawRecords newest;
    if (readNewestRaw(resultsFilePath(ctx), 20000, &newest).status != FileStatus::Ok)
        return lists;
    RunLineMaker make(ctx, gradeChoice);
    const QDate today = ctx.clock().today();
    const double from = oleDate(today) - lookBackDays(period, today);
    const std::int64_t count = newest.size();
    for (std::int64_t i = 0; i < count; ++i) {
        reportProgress(progress, i + 1, count);
        ResultRecord r;
        decodeNumbers(newest.record(i), &r);
        if (r.level < 1 || r.level > ctx.levelCount || r.date <= from || isDamagedRecord(r))
            continue;
        const QString* who = make.who(r.Bangou);
        if (!who)
            continue;
        const QString& mmdd = make.monthDay(r.date);
        QString line;
        if (r.time >= 90000)
            line = QStringLiteral("　　× ") + mmdd + *who;
        else if (viewKind == 2)
            line = RunLineMaker::right5(QString::number(make.points(r))) + u' ' + mmdd + *who + QString::number(r.time)
                   + u'秒';
        else
            line = RunLineMaker::right5(QString::number(r.time) + u'秒') + u' ' + mmdd + *who
                   + QString::number(make.points(r));
        lists[std::size_t(r.level)] << line;
    }
    return lists;
}

} // namespace soinsuu
