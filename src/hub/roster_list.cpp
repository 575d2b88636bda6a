#include "roster_list.h"

#include "foundation/cp932.h"
#include "foundation/roster.h"
#include "foundation/synchronous_step.h"
#include "results/statistics.h"

#include <QDir>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>
#include <unicode/coll.h>

namespace soinsuu {
namespace {

const QString kDashes = QStringLiteral("－－－－－－");

QString lastChars(const QString& text, int n) { return text.right(n); }

} // namespace


QStringList displayKindCaptions()
{
    return {QStringLiteral("回数(今日／今まで）"), QStringLiteral("ポイント（今日／今まで）"),
            QStringLiteral("本日（ポイント／回数）"), QStringLiteral("今まで（ポイント／回数）")};
}

QString todayCountColumn(int runs)
{
    return runs != 0 ? lastChars(QStringLiteral("  ") + QString::number(runs), 3) + QStringLiteral("回") : QStringLiteral("     ");
}

QString todayPointsColumn(int points)
{
    return points != 0 ? lastChars(QStringLiteral("   ") + QString::number(points), 4) : QStringLiteral("  　");
}

QString totalCountColumn(int runs)
{
    return runs != 0 ? lastChars(QStringLiteral("      ") + QString::number(runs), 5) + QStringLiteral("回")
                     : QStringLiteral("     　");
}

QString totalPointsColumn(int points)
{
    return points != 0 ? lastChars(QStringLiteral("      ") + QString::number(points), 7) : QStringLiteral("       ");
}

QString rosterRawLine(int birthYear, int gradeNumber, const QString& name, int displayKind,
                      const RosterFigures& f, int studentNumber)
{
    const QString tagAndName = gradeTagOf(gradeNumber) + QStringLiteral(" ") + trimHalfWidthSpaces(name);
    const int width = (gradeNumber <= 0 && displayKind != 1) ? 11 : 9;
    // A name too long for the column simply pushes the numbers right.
    const QString fill = QString(std::max<qsizetype>(0, width - tagAndName.size()), u'　');
    QString a, b;
    switch (displayKind) {
    case 0: a = todayCountColumn(f.todayRuns); b = totalCountColumn(f.totalRuns); break;
    case 1: a = todayPointsColumn(f.todayPoints); b = totalPointsColumn(f.totalPoints); break;
    case 2: a = todayPointsColumn(f.todayPoints); b = todayCountColumn(f.todayRuns); break;
    default: a = totalPointsColumn(f.totalPoints); b = totalCountColumn(f.totalRuns); break;
    }
    return QString::number(birthYear) + tagAndName + fill + a + QStringLiteral("/") + b + QStringLiteral("*")
           + QString::number(studentNumber);
}

QString displayedLine(const QString& rawLine)
{
    const QString rest = rawLine.mid(4);
    const qsizetype star = rest.indexOf(u'*');
    return star < 0 ? rest : rest.left(star);
}

void sortRawLines(QStringList& lines)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale("ja"), status));
    if (U_FAILURE(status) || !collator) {
        std::stable_sort(lines.begin(), lines.end(),
                         [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        return;
    }
    // Folding the case first and then comparing at full strength ignores
    // case and nothing else, as the list control does. Sort keys are made
    // once per line rather than once per comparison.
    collator->setStrength(icu::Collator::IDENTICAL);
    // Keys in QByteArrays: GCC 12 at -O2 with fortify warns falsely on the
    // inlined memcmp of comparing std::vector keys.
    std::vector<std::pair<QByteArray, qsizetype>> keys;
    keys.reserve(std::size_t(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString folded = lines[i].toCaseFolded();
        const icu::UnicodeString u(reinterpret_cast<const UChar*>(folded.utf16()), int32_t(folded.size()));
        QByteArray key(collator->getSortKey(u, nullptr, 0), '\0');
        collator->getSortKey(u, reinterpret_cast<std::uint8_t*>(key.data()), int32_t(key.size()));
        keys.emplace_back(std::move(key), i);
    }
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList sorted;
    sorted.reserve(lines.size());
    for (const auto& k : keys)
        sorted << lines[k.second];
    lines = std::move(sorted);
}

bool buildRosterListing(RunContext& ctx, int displayKind, const QString& gradeChoice, RosterListing* out)
{
    int retries = 0;
    double stage = 1;
    // Waits and counts one error; false once the sixth has ended the program.
    auto failed = [&](const QString& description, int number) {
        ctx.clock().waitResponsive(5000);
        if (++retries < 6)
            return true;
        fatalError(ctx, QStringLiteral("名簿表示"),
                   QStringLiteral("名簿表示") + QString::number(stage) + description + QString::number(number));
        return false;
    };

    ctx.schoolYear = computeSchoolYear(ctx.clock().today(), ctx.schoolYearStartMonth);
    stage = 1.5;
    if (!computeCounts(ctx))
        return false;
    stage = 2;
    SynchronousStep::letPendingEventsRun();

    // Built aside and handed over whole: a failed build leaves the caller's
    // listing as it was.
    RosterListing built;
    built.lines << kDashes;
    const QString path = rosterFilePath(ctx);
    QString text;
    for (;;) {
        stage = 3;
        QString why;
        const std::optional<QString> read = cp932::readTextFile(path, &why);
        QString error;
        if (read && fillRosterTables(ctx, *read, &error)) {
            text = *read;
            break;
        }
        if (!failed(QStringLiteral("%1 %2").arg(QDir::toNativeSeparators(path), read ? error : why), read ? 13 : 53))
            return false;
    }

    QStringList raw;
    RosterReader reader(text);
    int slot = 0;
    while (!reader.atEnd()) {
        RosterLine line;
        reader.readRosterLine(line);  // the text was read whole above
        if (!isValidStudentNumber(line.studentNumber) || !isListed(line.listStatus, ctx.rosterStatus2Listed)
            || slot >= kMaxStudent)
            continue;
        ++slot;
        const int s = line.studentNumber;
        RosterFigures f;
        double today = 0;
        for (int level = 1; level <= kMaxLevel; ++level) {
            today += ctx.todayRuns(s, level);
            f.todayPoints += ctx.todayPoints(s, level);
            f.totalRuns += ctx.totalRuns(s, level);
            f.totalPoints += ctx.totalPoints(s, level);
        }
        f.todayRuns = int(today);
        stage = 4;
        raw << rosterRawLine(line.birthYear, gradeNumberOf(ctx.schoolYear, line.birthYear), line.studentName,
                             displayKind, f, s);
    }
    sortRawLines(raw);

    stage = 10;
    for (auto it = raw.crbegin(); it != raw.crend(); ++it) {
        const int birthYear = it->left(4).toInt();
        if (!passesGradeFilter(gradeChoice, gradeNumberOf(ctx.schoolYear, birthYear)))
            continue;
        const QString shown = displayedLine(*it);
        const int number = it->mid(it->lastIndexOf(u'*') + 1).toInt();
        built.lines << shown;
        built.keyed << shown + QStringLiteral("*") + QString::number(number);
        built.numbers << number;
    }
    *out = std::move(built);
    return true;
}

} // namespace soinsuu
