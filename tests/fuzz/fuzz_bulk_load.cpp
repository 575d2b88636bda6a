// The statistics load over a whole results file: the newest records in a few
// large reads, then every count and best time built from them.
#include "fuzz_support.h"

#include "results/resultsfile.h"
#include "results/statistics.h"

using namespace soinsuu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    RunContext& ctx = *fuzz::context();
    ctx.programDataFolder = fuzz::scratchFolder();
    for (int L = 1; L <= kMaxLevel; ++L) {
        LevelCriteria& c = ctx.criteria[std::size_t(L)];
        c.targetTime = 40 * L;
        c.minimumLineTime = 60 * L;
        c.clearPoints = 60;
        c.clearCount = 5;
        c.pointMultiplier = 1.5f;
        c.banCount = 8;
        c.judgeDays = 7;
        c.banDays = 1;
    }
    fuzz::writeScratch(kResultsFileName, fuzz::bytesOf(data, size));

    if (!computeCounts(ctx))
        fuzz::finding("a readable results file ended the program");
    for (int s = 0; s <= kMaxStudent; s += 997)
        for (int L = 1; L <= kMaxLevel; ++L) {
            if (ctx.totalRuns(s, L) < 0 || ctx.judgeRuns(s, L) < 0)
                fuzz::finding("a negative count");
            if (ctx.bestTime(s, L) < 0)
                fuzz::finding("a negative best time");
            (void)levelCleared(ctx, s, L);
            (void)overPractised(ctx, s, L);
        }
    return 0;
}
