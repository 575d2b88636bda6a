#pragma once
// The school's roster "新名簿.txt" and the grade rules built on it.

#include "listinput.h"
#include "runcontext.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

namespace soinsuu {

inline const QString kRosterFileName = QStringLiteral("新名簿.txt");

// The roster in the data root.
QString rosterFilePath(const RunContext& ctx);
constexpr int kNameLength = 20;

struct RosterLine {
    int studentNumber = 0;
    int birthYear = 0;
    int rosterSpare3 = 0;
    int rosterSpare4 = 0;
    QString studentName;  // cut or padded with spaces to 20 characters
    int listStatus = 0;
    QString rosterText7;
    QString rosterText8;
};

// Reads roster lines one after another from the decoded file text.
class RosterReader {
public:
    explicit RosterReader(QString text);
    bool atEnd();
    // Reads the eight fields of the next line. False (with a Japanese
    // description in *error) when a number field holds no number or one
    // that a 16-bit field cannot hold.
    bool readRosterLine(RosterLine& line, QString* error = nullptr);
    // The file line of the last field read, for messages.
    int lineNumber() const;

private:
    ListInputReader in_;
};

// The name cut or padded with spaces to 20 characters.
QString padName(const QString& name);

int computeSchoolYear(const QDate& today, int schoolYearStartMonth);
int gradeNumberOf(int schoolYear, int birthYear);
QString gradeTagOf(int gradeNumber);
// The full-width grade name, or empty text for grade numbers without one.
QString gradeNameOf(int gradeNumber);

// The twelve choices of the grade boxes, in order.
QStringList gradeFilterChoices();
bool passesGradeFilter(const QString& choice, int gradeNumber);

// Student numbers the tables can hold; lines with other numbers are skipped.
inline bool isValidStudentNumber(int n) { return n >= 0 && n <= kMaxStudent; }

// Whether a line is listed, given the common setting for status 2.
inline bool isListed(int listStatus, int rosterStatus2Listed)
{
    return listStatus == 0 || (listStatus == 2 && rosterStatus2Listed == 1);
}

} // namespace soinsuu

namespace soinsuu {

// The text without half-width spaces at either end; full-width spaces stay,
// since they are part of a name or of a list's fill.
QString trimHalfWidthSpaces(const QString& text);

// Reads the roster file's text line by line and hands over every line whose
// student number the tables can hold. False with a Japanese description
// naming the line when a line is broken (the lines before it were used).
bool forEachRosterLine(const QString& text, const std::function<void(const RosterLine&)>& use, QString* error = nullptr);

// Fills the roster tables from the text of the roster file: names, birth
// years and grade names by student number for every line, and the list
// slots of the listed lines (rosterNumbers, rosterCount). Lines whose
// student number the tables cannot hold are skipped, as are listed lines
// beyond the 5000 slots. False with a Japanese description on a broken line.
bool fillRosterTables(RunContext& ctx, const QString& text, QString* error = nullptr);

} // namespace soinsuu

namespace soinsuu {

// Whether the roster file can be read whole and lists at least one student;
// otherwise a Japanese description naming the file (and the broken line).
bool checkRosterFile(const RunContext& ctx, QString* error = nullptr);

} // namespace soinsuu
