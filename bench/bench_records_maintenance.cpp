// records_list_build_ms: the maintenance window building its list from a
// results file of 20000 records and a roster of 1000 students;
// record_delete_ms: deleting one record in the middle of that file.

#include "benchschool.h"
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

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    setScreenScale(1.0);
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/");
    bench::writeFile(root + kRosterFileName, bench::roster(1000, true));
    const QString path = root + kResultsFileName;
    const QByteArray records = bench::runs(20000, [](int i, ResultRecord& r) {
        r.timeOfDay = (i % 36000 + 32400) / 86400.0;
        r.schoolCode = i % 10 == 3 ? QStringLiteral("54321") : QStringLiteral("12345");
    });
    bench::writeFile(path, records);

    bench::School school;
    auto ctx = std::make_unique<RunContext>();
    school.attach(*ctx);
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
        bench::writeFile(path, records);
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
