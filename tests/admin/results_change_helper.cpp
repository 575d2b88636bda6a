// A child process for the crash tests: makes one change to a results file
// and exits 0 once it is done, or is killed part-way by the test.
//
//   delete PATH N            removes record N
//   correct PATH N B T       sets record N's student to B and time to T
//   delete-times PATH T...   removes the records whose times are listed,
//                            finding each again as the file changes
//   append PATH W COUNT      appends records W, 1 .. W, COUNT one by one
//   record PATH B T          records one run after the machine's queue

#include "admin/records_maintenance.h"
#include "results/resultsfile.h"
#include "race_records.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <limits>

using namespace soinsuu;

namespace {

using test::raceRecord;

int report(const ChangeResult& result)
{
    if (result.outcome == ChangeOutcome::Done)
        return 0;
    std::fprintf(stderr, "%s\n", qPrintable(result.description));
    return 2;
}

int deleteTimes(const QString& path, char** times, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::int32_t time = std::atoi(times[i]);
        for (;;) {
            RawRecords raw;
            if (readNewestRaw(path, std::numeric_limits<int>::max(), &raw).status != FileStatus::Ok)
                continue;
            std::int64_t found = -1;
            for (std::int64_t k = 0; k < raw.size() && found < 0; ++k)
                if (decodeRecord(raw.record(k)).time == time)
                    found = k;
            if (found < 0) {
                std::fprintf(stderr, "record %d is gone\n", time);
                return 3;
            }
            const QByteArray expected(raw.record(found), kRecordSize);
            const ChangeResult r = deleteRecordInPlace(path, raw.firstRecordNumber + found, expected);
            if (r.outcome == ChangeOutcome::Done)
                break;
            if (r.outcome == ChangeOutcome::Failed)
                return report(r);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 64;
    const QByteArray mode = argv[1];
    const QString path = QString::fromLocal8Bit(argv[2]);
    if (mode == "delete" && argc == 4)
        return report(deleteRecordInPlace(path, std::atoll(argv[3]), {}));
    if (mode == "correct" && argc == 6) {
        QByteArray raw;
        const std::int64_t n = std::atoll(argv[3]);
        if (readRawRecord(path, n, &raw).outcome != ChangeOutcome::Done)
            return 3;
        const QByteArray corrected = correctedRecord(raw, std::int16_t(std::atoi(argv[4])), std::atoi(argv[5]));
        return report(writeRecordInPlace(path, n, raw, corrected));
    }
    if (mode == "delete-times")
        return deleteTimes(path, argv + 3, argc - 3);
    if (mode == "append" && argc == 5) {
        const int writer = std::atoi(argv[3]);
        for (int sequence = 1; sequence <= std::atoi(argv[4]); ++sequence) {
            FileError e;
            do {
                e = appendRecord(path, raceRecord(writer, sequence));
            } while (e.status == FileStatus::SharingConflict);
            if (e.status != FileStatus::Ok) {
                std::fprintf(stderr, "%s\n", qPrintable(e.description));
                return 2;
            }
        }
        return 0;
    }
    if (mode == "record" && argc == 5) {
        ResultRecord r = raceRecord(std::atoi(argv[3]), std::atoi(argv[4]));
        QString kept;
        FileError e;
        do {
            e = appendWithUnsent(path, encodeRecord(r), &kept);
        } while (e.status == FileStatus::SharingConflict);
        if (e.status == FileStatus::Ok)
            return 0;
        std::fprintf(stderr, "%s%s\n", qPrintable(e.description), qPrintable(kept));
        return 2;
    }
    return 64;
}
