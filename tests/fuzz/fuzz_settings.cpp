// The path file and the common settings, read from a file as start-up does.
#include "fuzz_support.h"

#include "foundation/settings.h"

using namespace soinsuu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QString path = fuzz::writeScratch(QStringLiteral("settings.txt"), bytes);

    QString root, error;
    if (!readPathFile(path, fuzz::scratchFolder(), &root, &error) && error.isEmpty())
        fuzz::finding("the path file was refused without a message");

    CommonSettings settings;
    error.clear();
    if (readCommonSettings(path, &settings, &error)) {
        if (settings.schoolYearStartMonth < 1 || settings.schoolYearStartMonth > 12)
            fuzz::finding("a month outside 1-12 was accepted");
        (void)seasonColourFor(settings.schoolYearStartMonth);
    } else if (error.isEmpty()) {
        fuzz::finding("the common settings were refused without a message");
    }
    return 0;
}
