// records_list_build_ms: the maintenance window building its list from a
// results file of 20000 records and a roster of 1000 students;
// record_delete_ms: deleting one record in the middle of that file.

#include "benchfakes.h"
#include "benchutil.h"

#include "admin/frmdata.h"
#include "admin/records_maintenance.h"
#include "foundation/cp932.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/roster.h"
#include "results/resultsfile.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdlib>

using namespace soinsuu;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        std::abort();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    setScreenScale(1.0);
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/");
    QString roster;
    for (int n = 1; n <= 1000; ++n)
        roster += QStringLiteral("%1,%2,0,0,\"生徒　%1\",%3,\"\",\"\"\r\n").arg(n).arg(2011 + n % 9).arg(n % 10 == 0 ? 1 : 0);
    writeFile(root + kRosterFileName, cp932::encode(roster));
    QByteArray records;
    const double today = oleDate(QDate::currentDate());
    for (int i = 0; i < 20000; ++i) {
        ResultRecord r;
        r.date = today - (20000 - i) / 200;
        r.timeOfDay = (i % 36000 + 32400) / 86400.0;
        r.Bangou = std::int16_t(1 + (i * 7) % 1000);
        r.level = std::int16_t(1 + i % 4);
        r.time = 20 + i % 200;
        r.schoolCode = i % 10 == 3 ? QStringLiteral("54321") : QStringLiteral("12345");
        records += encodeRecord(r);
    }
    const QString path = root + kResultsFileName;
    writeFile(path, records);

    SystemClock clock;
    StandardRandom random;
    bench::NoBoxes dialogs;
    bench::NoWindows navigator;
    auto ctx = std::make_unique<RunContext>();
    ctx->services = {&clock, &random, nullptr, &dialogs, &navigator};
    ctx->dataRoot = root;
    ctx->programDataFolder = root;
    ctx->schoolYearStartMonth = 4;
    ctx->schoolCode = QStringLiteral("12345");
    ctx->schoolName = QStringLiteral("Korvane塾");

    FrmData window(*ctx);
    window.resize(1024, 768);
    window.show();  // builds the list once
    bench::report("records_list_build_ms", bench::medianMs(21, [&] {
                      if (!window.buildList())
                          std::abort();
                  }),
                  "ms");

    // Each deletion starts from the whole file again; only the deletion is timed.
    std::vector<double> times;
    for (int run = 0; run < 21; ++run) {
        writeFile(path, records);
        const auto t0 = std::chrono::steady_clock::now();
        const ChangeResult result = deleteRecordInPlace(path, 10000, records.mid(9999 * kRecordSize, kRecordSize));
        const auto t1 = std::chrono::steady_clock::now();
        if (result.outcome != ChangeOutcome::Done)
            std::abort();
        times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(times.begin(), times.end());
    bench::report("record_delete_ms", times[times.size() / 2], "ms");
    return 0;
}
