#include "distribution.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace soinsuu {
namespace {

// One star stands for a tenth of the tallest class, at least one.
int starUnit(const std::array<int, kTopRunClass + 1>& classes)
{
    const int tallest = *std::max_element(classes.begin(), classes.end());
    return std::max(1, tallest / 10);
}

void appendClassLines(QStringList* lines, const std::array<int, kTopRunClass + 1>& classes, int unit)
{
    for (int c = 0; c <= kTopRunClass; ++c) {
        const QString label = (QStringLiteral("  ") + QString::number(c * 10)).right(4);
        const int stars = int(double(classes[std::size_t(c)]) / unit + 0.5);
        lines->append(label + QStringLiteral("～") + QString(stars, QChar(0x2605)));
    }
}

} // namespace

LevelDistribution buildDistribution(const char* records, std::int64_t count, int level)
{
    LevelDistribution d;
    d.level = level;
    if (level < 1 || level > kHistogramTopLevel)
        return d;
    // Best time per student number, over the whole 16-bit range so a damaged
    // number cannot reach outside the table.
    std::vector<std::int32_t> best(65536, INT32_MAX);
    std::vector<std::uint16_t> students;
    for (std::int64_t i = 0; i < count; ++i) {
        ResultRecord r;
        decodeNumbers(records + i * kRecordSize, &r);
        if (r.level != level || isDamagedRecord(r))
            continue;
        const std::int32_t time = r.time;
        ++d.runCount;
        ++d.allRuns[std::size_t(std::min(time / 10, kTopRunClass))];
        const auto student = std::uint16_t(r.Bangou);
        std::int32_t& b = best[student];
        if (b == INT32_MAX)
            students.push_back(student);
        b = std::min(b, time);
    }
    for (const std::uint16_t s : students)
        ++d.bestTimes[std::size_t(std::min(best[s] / 10, kTopBestClass))];
    return d;
}

FileError readDistribution(const QString& resultsPath, int level, LevelDistribution* out)
{
    RawRecords raw;
    const FileError e = readNewestRaw(resultsPath, INT_MAX, &raw);
    *out = buildDistribution(raw.bytes.constData(), raw.size(), level);
    return e;
}

QStringList allRunsLines(const LevelDistribution& d)
{
    const int unit = starUnit(d.allRuns);
    QStringList lines;
    lines << QStringLiteral("レベル%1 今まで%2回  （★=%3）").arg(d.level).arg(d.runCount).arg(unit);
    appendClassLines(&lines, d.allRuns, unit);
    return lines;
}

QStringList bestTimeLines(const LevelDistribution& d)
{
    const int unit = starUnit(d.bestTimes);
    QStringList lines;
    lines << QStringLiteral("レベル%1 （★=%2）").arg(d.level).arg(unit);
    appendClassLines(&lines, d.bestTimes, unit);
    return lines;
}

} // namespace soinsuu
