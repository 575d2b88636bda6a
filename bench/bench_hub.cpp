// name_list_build_ms and menu_activation_ms: a roster of 1000 listed
// students and a results file of 20000 records.

#include "benchschool.h"
#include "benchutil.h"

#include "foundation/catalogue.h"
#include "foundation/cp932.h"
#include "foundation/fonts.h"
#include "hub/results_lists.h"
#include "hub/roster_list.h"
#include "hub/seisekitime1.h"
#include "results/resultsfile.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

using namespace soinsuu;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/");
    bench::writeFile(root + QStringLiteral("新名簿.txt"), bench::roster(1000));
    bench::writeFile(root + kResultsFileName, bench::runs(20000));

    bench::School school;
    auto ctx = std::make_unique<RunContext>();
    school.attach(*ctx);
    ctx->dataRoot = root;
    ctx->programDataFolder = root;
    ctx->schoolYearStartMonth = 4;
    ctx->seasonColour = QColor(192, 255, 192);
    initCatalogueTitle(*ctx);
    buildLevelTable(*ctx);
    for (int level = 1; level <= 35; ++level)
        ctx->criteria[std::size_t(level)] = LevelCriteria{60, 90, 30, 5, 1.5f, 8, 0, 7, 1, {}, {}, {}};

    RosterListing listing;
    bench::report("name_list_build_ms", bench::medianMs(21, [&] {
                      if (!buildRosterListing(*ctx, 1, QStringLiteral("全学年"), &listing))
                          std::abort();
                  }),
                  "ms");
    ctx->currentStudent = 7;
    ctx->studentName = QStringLiteral("生徒　7");
    bench::report("menu_activation_ms", bench::medianMs(21, [&] {
                      seisekitime1 menu(*ctx);
                      menu.resize(1024, 768);
                      menu.show();
                  }),
                  "ms");

    // Rankings over a roster of 5000 listed students.
    for (int s = 1; s <= 5000; ++s) {
        ctx->rosterNumbers[std::size_t(s)] = std::int16_t(s);
        ctx->studentNames[std::size_t(s)] = QStringLiteral("生徒%1").arg(s).leftJustified(20, u' ');
        ctx->studentBirthYears[std::size_t(s)] = std::int16_t(2011 + s % 9);
        ctx->bestTime(s, 1) = 20 + (s * 37) % 400;
    }
    ctx->rosterCount = 5000;
    bench::report("ranking_per_level_ms", bench::medianMs(21, [&] {
                      if (bestTimeRanking(*ctx, 1, QStringLiteral("全学年")).size() != 5000)
                          std::abort();
                  }),
                  "ms");
    bench::report("today_list_ms", bench::medianMs(21, [&] { todaysRuns(*ctx, QStringLiteral("全学年")); }), "ms");
    bench::report("all_runs_list_ms", bench::medianMs(21, [&] { periodRuns(*ctx, 1, 5, QStringLiteral("全学年")); }), "ms");
    return 0;
}
