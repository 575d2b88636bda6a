#pragma once
// The division ladder as plain code: drawing problems, the expected rows,
// the typed entries and the judging, with no widget in sight.

#include "foundation/catalogue.h"
#include "foundation/services.h"

#include <QString>
#include <QStringList>
#include <array>

namespace soinsuu {

// The first of 2, 3, 5, 7 that divides n, or 0 when none does.
int smallestPrimeDivisor(int n);

// Draws a number for the level: exponents of 2, 3, 5 and 7 drawn from
// {0, 1, 2} until they add up to the level's total, the product is within
// its bound and differs from `previous`.
int drawProblemNumber(RandomSource& random, const DrillParameters& level, int previous);

// The value of the longest leading part of a text that reads as a decimal
// number (an optional "-", digits, at most one "."); 0 when there is none.
double leadingValue(const QString& text);

// Row record entries: a finished row, and the final prime of a solved problem.
QString rowRecordEntry(int divisor, int dividend, int digitCount);
QString finalPrimeEntry(int prime, int digitCount);

// The state of one problem.
struct Problem {
    int currentNumber = 0;
    int expectedDivisor = 0;
    int expectedQuotient = 0;
    int posedNumber = 0;
    int digitCount = 0;
    int cellCount = 2;
    QStringList rowRecord;  // its length is the index of the row being worked on

    void pose(int number);
    // Restarts from the posed number after a wrong row.
    void restart();
    bool isCorrect(const QString& divisorText, const QString& quotientText) const;
    // Records the finished row and moves down to the quotient. True when the
    // quotient is prime: the problem is then solved (its prime recorded).
    bool advance();
};

// The two input cells and the keyboard rules that fill them.
class AnswerCells {
public:
    static constexpr int kMaxLength = 23;
    enum class KeyResult { None, Judge };
    enum class TypeResult { Ignored, Typed, TooLong };

    // Key-down: arrows, Delete, Space. `modifier` is Shift, Ctrl or Alt held.
    KeyResult keyDown(int key, bool modifier);
    // A typed character (Backspace included).
    TypeResult type(QChar c);
    void clearAll();  // every cell empty, cell 0 active

    int activeCell() const { return active_; }
    const QString& text(int cell) const { return cells_[std::size_t(cell)]; }
    const QString& entryBuffer() const { return buffer_; }

private:
    void move(int step, bool modifier);
    std::array<QString, 2> cells_;
    QString buffer_;
    int active_ = 0;
};

} // namespace soinsuu
