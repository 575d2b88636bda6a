// Sound files as a school's folder may hold them, decoded as the output does.
#include "fuzz_support.h"

#include "foundation/soundoutput.h"

using namespace soinsuu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QString error;
    const std::optional<PcmClip> clip = decodeSound(fuzz::bytesOf(data, size), &error);
    if (!clip) {
        if (error.isEmpty())
            fuzz::finding("a file was refused without a reason");
        return 0;
    }
    if (clip->sampleRate <= 0 || clip->channels <= 0)
        fuzz::finding("a clip without a rate or channels was accepted");
    if (clip->samples.size() % (2 * clip->channels) != 0)
        fuzz::finding("a clip ends inside a frame");
    if (clip->durationMs() < 0)
        fuzz::finding("a clip of negative length");
    return 0;
}
