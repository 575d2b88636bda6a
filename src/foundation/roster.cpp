#include "roster.h"

#include "cp932.h"
#include "filenames.h"

#include <QDir>

#include <cmath>
#include <limits>

namespace soinsuu {

QString rosterFilePath(const RunContext& ctx) { return fileInFolder(ctx.dataRoot, kRosterFileName); }

RosterReader::RosterReader(QString text) : in_(std::move(text)) {}

bool RosterReader::atEnd() { return in_.atEnd(); }

int RosterReader::lineNumber() const { return in_.lineNumber(); }

bool RosterReader::readRosterLine(RosterLine& line, QString* error)
{
    // Every number field is a 16-bit integer: a value it cannot hold is a
    // broken line, not a number to wrap around.
    auto number = [&](int* target, const char* field) {
        const bool end = in_.atEnd();
        const QString item = in_.readText();
        double v = 0;
        const bool numeric = !end && parseListNumber(item, &v);
        const std::optional<qint64> whole = numeric
            ? wholeNumberWithin(v, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max())
            : std::nullopt;
        if (!whole) {
            if (error)
                *error = numeric ? QStringLiteral("%1「%2」が大きすぎるか小さすぎます").arg(QString::fromUtf8(field), item)
                                 : QStringLiteral("%1「%2」が数値ではありません").arg(QString::fromUtf8(field), item);
            return false;
        }
        *target = int(*whole);
        return true;
    };
    line = RosterLine{};
    if (!number(&line.studentNumber, "番号") || !number(&line.birthYear, "生まれ年")
        || !number(&line.rosterSpare3, "3番目の項目") || !number(&line.rosterSpare4, "4番目の項目"))
        return false;
    line.studentName = padName(in_.readText());
    if (!number(&line.listStatus, "表示区分"))
        return false;
    line.rosterText7 = in_.readText().left(kNameLength);
    line.rosterText8 = in_.readText().left(kNameLength);
    return true;
}

QString padName(const QString& name)
{
    return name.left(kNameLength).leftJustified(kNameLength, u' ');
}

int computeSchoolYear(const QDate& today, int schoolYearStartMonth)
{
    return today.month() < schoolYearStartMonth ? today.year() - 1 : today.year();
}

int gradeNumberOf(int schoolYear, int birthYear) { return schoolYear - birthYear - 6; }

QString gradeTagOf(int g)
{
    if (g <= -3)
        return QStringLiteral("幼-");
    if (g >= 13)
        return QStringLiteral("大+");
    static const QString tags[] = {
        QStringLiteral("幼1"), QStringLiteral("幼2"), QStringLiteral("幼3"),
        QStringLiteral("小1"), QStringLiteral("小2"), QStringLiteral("小3"),
        QStringLiteral("小4"), QStringLiteral("小5"), QStringLiteral("小6"),
        QStringLiteral("中1"), QStringLiteral("中2"), QStringLiteral("中3"),
        QStringLiteral("高1"), QStringLiteral("高2"), QStringLiteral("高3"),
    };
    return tags[g + 2];
}

QString gradeNameOf(int g)
{
    static const QString names[] = {
        QStringLiteral("幼３"), QStringLiteral("小１"), QStringLiteral("小２"), QStringLiteral("小３"),
        QStringLiteral("小４"), QStringLiteral("小５"), QStringLiteral("小６"), QStringLiteral("中１"),
        QStringLiteral("中２"), QStringLiteral("中３"), QStringLiteral("高１"),
    };
    return g >= 0 && g <= 10 ? names[g] : QString();
}

QStringList gradeFilterChoices()
{
    return {QStringLiteral("全学年"), QStringLiteral("中学生全体"), QStringLiteral("小学生全体"),
            QStringLiteral("中３"), QStringLiteral("中２"), QStringLiteral("中１"),
            QStringLiteral("小６"), QStringLiteral("小５"), QStringLiteral("小４"),
            QStringLiteral("小３"), QStringLiteral("小２"), QStringLiteral("小１")};
}

bool passesGradeFilter(const QString& choice, int g)
{
    if (choice == u"全学年")
        return true;
    if (choice == u"小学生全体")
        return g >= 1 && g <= 6;
    if (choice == u"中学生全体")
        return g >= 7 && g <= 9;
    for (int grade = 1; grade <= 9; ++grade) {
        if (choice == gradeNameOf(grade))
            return g == grade;
    }
    return false;
}

} // namespace soinsuu

namespace soinsuu {

QString trimHalfWidthSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

bool forEachRosterLine(const QString& text, const std::function<void(const RosterLine&)>& use, QString* error)
{
    RosterReader reader(text);
    while (!reader.atEnd()) {
        RosterLine line;
        QString why;
        if (!reader.readRosterLine(line, &why)) {
            if (error)
                *error = QStringLiteral("%1行目：%2").arg(reader.lineNumber()).arg(why);
            return false;
        }
        if (isValidStudentNumber(line.studentNumber))
            use(line);
    }
    return true;
}

bool fillRosterTables(RunContext& ctx, const QString& text, QString* error)
{
    ctx.schoolYear = computeSchoolYear(ctx.clock().today(), ctx.schoolYearStartMonth);
    int slot = 0;
    const bool read = forEachRosterLine(text, [&](const RosterLine& line) {
        const auto n = std::size_t(line.studentNumber);
        ctx.studentNames[n] = line.studentName;
        ctx.studentBirthYears[n] = std::int16_t(line.birthYear);
        const QString gradeName = gradeNameOf(gradeNumberOf(ctx.schoolYear, line.birthYear));
        if (!gradeName.isEmpty())
            ctx.studentGradeNames[n] = gradeName;
        if (isListed(line.listStatus, ctx.rosterStatus2Listed) && slot < kMaxStudent)
            ctx.rosterNumbers[std::size_t(++slot)] = std::int16_t(line.studentNumber);
    }, error);
    if (!read)
        return false;
    ctx.rosterCount = slot;
    return true;
}

} // namespace soinsuu

namespace soinsuu {

bool checkRosterFile(const RunContext& ctx, QString* error)
{
    const QString path = rosterFilePath(ctx);
    QString why;
    const std::optional<QString> text = cp932::readTextFile(path, &why);
    int listed = 0;
    bool read = false;
    if (text) {
        read = forEachRosterLine(*text, [&](const RosterLine& line) {
            if (isListed(line.listStatus, ctx.rosterStatus2Listed))
                ++listed;
        }, &why);
        if (read && listed == 0)
            why = QStringLiteral("名前の一覧に出せる生徒がいません（表示区分0の行がありません）");
    }
    if (read && listed > 0)
        return true;
    if (error)
        *error = QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), why);
    return false;
}

} // namespace soinsuu
