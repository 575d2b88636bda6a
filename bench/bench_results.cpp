// Statistics over results files of 20000 and 1,000,000 records (5000
// students over 35 levels), against one plain read of the same bytes.

#include "benchutil.h"

#include "foundation/runcontext.h"
#include "results/resultsfile.h"
#include "results/statistics.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

using namespace soinsuu;

namespace {

void writeFile(const QString& path, int records)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const double today = oleDate(QDate::currentDate());
    QByteArray chunk;
    for (int i = 0; i < records; ++i) {
        ResultRecord r;
        r.date = today - (records - i) / 2000;
        r.timeOfDay = 0.5;
        r.Bangou = std::int16_t(1 + (i * 7919) % 5000);
        r.level = std::int16_t(1 + i % 35);
        r.time = 20 + (i * 31) % 300;
        r.schoolCode = QStringLiteral("12345");
        r.points = QStringLiteral("0");
        chunk += encodeRecord(r);
        if (chunk.size() > (1 << 22)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir small, big;
    writeFile(small.filePath(kResultsFileName), 20000);
    writeFile(big.filePath(kResultsFileName), 1000000);

    SystemClock clock;
    auto ctx = std::make_unique<RunContext>();
    ctx->services.clock = &clock;
    for (int level = 1; level <= 35; ++level) {
        ctx->criteria[std::size_t(level)] = LevelCriteria{60, 90, 30, 5, 1.5f, 10, 200, 7, 1, {}, {}, {}};
    }
    auto countsOn = [&](const QTemporaryDir& dir) {
        ctx->programDataFolder = dir.path() + QStringLiteral("/");
        return bench::medianMs(41, [&] {
            if (!computeCounts(*ctx))
                std::abort();
        });
    };
    bench::report("computeCounts_20000_ms", countsOn(small), "ms");
    bench::report("computeCounts_1000000_ms", countsOn(big), "ms");

    const QByteArray name = QFile::encodeName(small.filePath(kResultsFileName));
    std::vector<char> buffer(20000 * kRecordSize);
    bench::report("plain_read_20000_ms", bench::medianMs(41, [&] {
                      const int fd = ::open(name.constData(), O_RDONLY);
                      if (::read(fd, buffer.data(), buffer.size()) < 0)
                          std::abort();
                      ::close(fd);
                  }),
                  "ms");

    NewestRecords newest;
    readNewestRecords(big.filePath(kResultsFileName), 20000, &newest);
    bench::report("load_read_calls", newest.readCalls, "calls");
    return 0;
}
