// Code page 932 and the list-input reader, over any bytes.
#include "fuzz_support.h"

#include "foundation/cp932.h"
#include "foundation/listinput.h"

#include <cmath>

using namespace soinsuu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QString text = cp932::decode(bytes);

    // Only the byte 0x1A itself may decode to the old end-of-file mark: a
    // character made from anything else would end the file early.
    if (text.contains(QChar(0x1A)) && !bytes.contains('\x1A'))
        fuzz::finding("U+001A decoded from bytes that hold no 0x1A");

    // What was decoded without a replacement character encodes back exactly.
    if (!text.contains(QChar(0xFFFD))) {
        const auto again = cp932::encodeExactly(text);
        if (!again)
            fuzz::finding("decoded text has a character without a code");
        if (cp932::decode(*again) != text)
            fuzz::finding("decoded text does not survive encoding");
    }

    ListInputReader reader(text);
    int guard = 0;
    while (!reader.atEnd()) {
        const int before = reader.itemsRead();
        if (guard++ % 2 == 0) {
            bool ok = false;
            const double v = reader.readNumber(&ok);
            if (ok && !std::isfinite(v))
                fuzz::finding("a number item read as non-finite");
            if (ok)
                (void)wholeNumberWithin(v, -32768, 32767);
        } else {
            (void)reader.readText();
        }
        if (reader.itemsRead() != before + 1)
            fuzz::finding("an item was read without moving on");
        if (reader.lineNumber() < 1)
            fuzz::finding("an item has no line");
    }
    return 0;
}
