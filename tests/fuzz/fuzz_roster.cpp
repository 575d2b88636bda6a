// The roster: every line start-up and the name list would use.
#include "fuzz_support.h"

#include "foundation/cp932.h"
#include "foundation/roster.h"

using namespace soinsuu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = cp932::decode(fuzz::bytesOf(data, size));
    RunContext& ctx = *fuzz::context();
    const int schoolYear = computeSchoolYear(ctx.clock().now().date(), 4);

    QString error;
    const bool whole = forEachRosterLine(text, [&](const RosterLine& line) {
        if (!isValidStudentNumber(line.studentNumber))
            fuzz::finding("a line with an unusable student number was handed over");
        const int grade = gradeNumberOf(schoolYear, line.birthYear);
        (void)gradeTagOf(grade);
        (void)gradeNameOf(grade);
        for (const QString& choice : gradeFilterChoices())
            (void)passesGradeFilter(choice, grade);
        (void)padName(line.studentName);
    }, &error);
    if (!whole && error.isEmpty())
        fuzz::finding("a broken roster gave no message");

    error.clear();
    if (!fillRosterTables(ctx, text, &error) && error.isEmpty())
        fuzz::finding("a broken roster gave no message");
    if (ctx.rosterCount < 0 || ctx.rosterCount > kMaxStudent)
        fuzz::finding("the roster count left its table");
    for (int i = 1; i <= ctx.rosterCount; ++i)
        if (!isValidStudentNumber(ctx.rosterNumbers[std::size_t(i)]))
            fuzz::finding("a listed slot holds an unusable student number");
    return 0;
}
