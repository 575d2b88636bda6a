// distribution_refresh_ms: the criteria editor redraws both histograms of
// the current level from the whole results file on every key press; here
// over a file of 20000 records. distribution_lines_ms is the same without
// the window: one read of the file and the lines of both lists.

#include "benchschool.h"
#include "benchutil.h"

#include "admin/distribution.h"
#include "admin/frmtimedata.h"
#include "foundation/cp932.h"
#include "foundation/criteria.h"
#include "foundation/fonts.h"
#include "results/resultsfile.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

using namespace soinsuu;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/");

    QString criteria = QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n");
    for (int level = 1; level <= 4; ++level)
        criteria += QStringLiteral("60,120,30,5,1.5,10,200,7,1,,,\r\n");
    bench::writeFile(root + kCriteriaFileName, cp932::encode(criteria));

    bench::writeFile(root + kResultsFileName, bench::runs(20000, [](int i, ResultRecord& r) {
                         r.time = i % 50 == 0 ? kNoTime : 20 + (i * 13) % 300;
                     }));

    bench::School school;
    auto ctx = std::make_unique<RunContext>();
    school.attach(*ctx);
    ctx->dataRoot = root;
    ctx->programDataFolder = root;
    ctx->seasonColour = QColor(192, 255, 192);

    const QString path = resultsFilePath(*ctx);
    bench::report("distribution_lines_ms", bench::medianMs(51, [&] {
                      LevelDistribution d;
                      if (readDistribution(path, 2, &d).status != FileStatus::Ok || d.runCount != 5000)
                          std::abort();
                      if (allRunsLines(d).size() + bestTimeLines(d).size() != 204)
                          std::abort();
                  }),
                  "ms");

    FrmTimeData editor(*ctx);
    editor.resize(1024, 768);
    editor.show();
    bench::report("distribution_refresh_ms", bench::medianMs(51, [&] { editor.refreshDistribution(); }), "ms");
    const auto* list = editor.findChild<QListWidget*>(QStringLiteral("List3"));
    if (!list || list->count() != 102 || !list->item(0)->text().contains(QStringLiteral("5000")))
        std::abort();
    return 0;
}
