// One results record, as any program of the family may have left it.
#include "fuzz_support.h"

#include "results/resultsfile.h"
#include "results/statistics.h"

#include <algorithm>
#include <cstring>

using namespace soinsuu;

namespace {
bool sameNumbers(const ResultRecord& a, const ResultRecord& b)
{
    return std::memcmp(&a.date, &b.date, sizeof a.date) == 0 && std::memcmp(&a.timeOfDay, &b.timeOfDay, sizeof a.timeOfDay) == 0
        && a.Bangou == b.Bangou && a.level == b.level && a.time == b.time;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = fuzz::bytesOf(data, std::min<std::size_t>(size, kRecordSize));
    bytes.append(QByteArray(kRecordSize - bytes.size(), '\0'));

    const ResultRecord record = decodeRecord(bytes.constData());
    ResultRecord numbers;
    decodeNumbers(bytes.constData(), &numbers);
    if (!sameNumbers(record, numbers))
        fuzz::finding("the two decoders read different numbers");

    // Written back, a record keeps its numbers bit for bit, and its text
    // fields stay five bytes each.
    const QByteArray again = encodeRecord(record);
    if (again.size() != kRecordSize)
        fuzz::finding("a record was encoded to another size");
    if (!sameNumbers(decodeRecord(again.constData()), record))
        fuzz::finding("a record's numbers changed on the way back");

    if (isDamagedRecord(record))
        return 0;
    if (!dateFromOle(record.date).isValid())
        fuzz::finding("an undamaged record has no calendar date");
    for (const float multiplier : {0.0f, 1.0f, 2.5f, 100.0f})
        for (const std::int32_t target : {0, 40, 9999}) {
            const RunPoints p = runPointsFormula(record.time, timeValueOf(record.time), target, multiplier);
            if (p.points < 0)
                fuzz::finding("an undamaged record earns negative points");
        }
    (void)fieldNumber(record.points);
    (void)fieldNumber(record.extra);
    return 0;
}
