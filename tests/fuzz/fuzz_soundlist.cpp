// The sound list, and the random picks made from what it filled in.
#include "fuzz_support.h"

#include "foundation/sounds.h"

using namespace soinsuu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    RunContext& ctx = *fuzz::context();
    ctx.soundFolder = fuzz::scratchFolder();
    fuzz::writeScratch(QStringLiteral("新音ファイル.txt"), fuzz::bytesOf(data, size));
    for (SoundCategory& c : ctx.soundTable)
        c = SoundCategory{};

    QString error;
    if (!loadSoundList(ctx, &error)) {
        if (error.isEmpty())
            fuzz::finding("the sound list was refused without a message");
        return 0;
    }
    error.clear();
    if (!checkWatchedSounds(ctx, &error)) {
        if (error.isEmpty())
            fuzz::finding("a watched category is empty and no message says so");
        return 0;
    }
    // One pick from every category: whatever count the list gave, the pick
    // stays inside the category's slots.
    for (int k = 1; k <= 10; ++k)
        (void)playRandomSound(ctx, Sound(k), true);
    ctx.soundErrorCount = 0;
    return 0;
}
