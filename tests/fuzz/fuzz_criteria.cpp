// The criteria file: what start-up reads, and what the editor would write
// back from the same file.
#include "fuzz_support.h"

#include "admin/criteria_grid.h"
#include "foundation/cp932.h"
#include "foundation/criteria.h"

using namespace soinsuu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = cp932::decode(fuzz::bytesOf(data, size));

    std::array<LevelCriteria, kLevelSlots> table{};
    QString why;
    if (!parseCriteriaText(text, &table, &why) && why.isEmpty())
        fuzz::finding("the criteria were refused without a message");

    // Rows in which the editor's cell check finds nothing wrong must make a
    // file that start-up reads: the check is what keeps a save from locking
    // every machine out.
    std::vector<QStringList> rows;
    if (!criteriaRowsFromText(text, &rows) || rows.empty() || firstBadCell(rows))
        return 0;
    std::vector<QStringList> lines{criteriaHeadings()};
    lines.insert(lines.end(), rows.begin(), rows.end());
    const std::optional<QByteArray> bytes = cp932::encodeExactly(criteriaFileText(lines));
    if (!bytes)
        fuzz::finding("accepted cells hold a character without a code");
    std::array<LevelCriteria, kLevelSlots> again{};
    if (!parseCriteriaText(cp932::decode(*bytes), &again, &why))
        fuzz::finding("accepted cells make criteria that start-up refuses");
    std::vector<QStringList> rowsBack;
    if (!criteriaRowsFromText(cp932::decode(*bytes), &rowsBack) || rowsBack != rows)
        fuzz::finding("accepted cells do not read back as they were");
    return 0;
}
