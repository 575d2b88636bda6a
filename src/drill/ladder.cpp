#include "ladder.h"

#include <Qt>

namespace soinsuu {

int smallestPrimeDivisor(int n)
{
    for (int p : {2, 3, 5, 7})
        if (n % p == 0 && n != 0)
            return p;
    return 0;
}

int drawProblemNumber(RandomSource& random, const DrillParameters& level, int previous)
{
    for (;;) {
        int e[4];
        int total = 0;
        for (int& x : e) {
            x = int(random.next() * 3);
            total += x;
        }
        if (total != level.exponentTotal)
            continue;
        int n = 1;
        const int primes[4] = {2, 3, 5, 7};
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < e[i]; ++k)
                n *= primes[i];
        if (n > level.upperBound || n == previous)
            continue;
        return n;
    }
}

double leadingValue(const QString& text)
{
    qsizetype i = 0;
    if (i < text.size() && text[i] == u'-')
        ++i;
    bool point = false;
    bool digits = false;
    while (i < text.size()) {
        if (text[i] >= u'0' && text[i] <= u'9') {
            digits = true;
        } else if (text[i] == u'.' && !point) {
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (!digits)
        return 0;
    bool ok = false;
    QString part = text.left(i);
    if (part.endsWith(u'.'))
        part.chop(1);
    const double v = part.toDouble(&ok);
    return ok ? v : 0;
}

QString rowRecordEntry(int divisor, int dividend, int digitCount)
{
    return QString::number(divisor).rightJustified(3, u' ') + QStringLiteral(" )")
           + QString::number(dividend).rightJustified(digitCount, u' ');
}

QString finalPrimeEntry(int prime, int digitCount)
{
    return QStringLiteral("     ") + QString::number(prime).rightJustified(digitCount, u' ');
}

void Problem::pose(int number)
{
    posedNumber = number;
    digitCount = int(QString::number(number).size());
    cellCount = 2;
    restart();
}

void Problem::restart()
{
    currentNumber = posedNumber;
    if (const int d = smallestPrimeDivisor(currentNumber))
        expectedDivisor = d;
    expectedQuotient = expectedDivisor ? currentNumber / expectedDivisor : 0;
    rowRecord.clear();
}

bool Problem::isCorrect(const QString& divisorText, const QString& quotientText) const
{
    return leadingValue(divisorText) == expectedDivisor && leadingValue(quotientText) == expectedQuotient;
}

bool Problem::advance()
{
    rowRecord << rowRecordEntry(expectedDivisor, currentNumber, digitCount);
    currentNumber = expectedQuotient;
    if (const int d = smallestPrimeDivisor(currentNumber))
        expectedDivisor = d;
    expectedQuotient = expectedDivisor ? currentNumber / expectedDivisor : 0;
    if (expectedQuotient != 1)
        return false;
    rowRecord << finalPrimeEntry(currentNumber, digitCount);
    return true;
}

AnswerCells::KeyResult AnswerCells::keyDown(int key, bool modifier)
{
    switch (key) {
    case Qt::Key_Delete:
    case Qt::Key_Down:
        buffer_.clear();
        if (modifier)
            cells_ = {};
        else
            cells_[std::size_t(active_)].clear();
        return KeyResult::None;
    case Qt::Key_Up:
        clearAll();
        return KeyResult::None;
    case Qt::Key_Right:
        move(+1, modifier);
        return KeyResult::None;
    case Qt::Key_Left:
        move(-1, modifier);
        return KeyResult::None;
    case Qt::Key_Space:
        if (active_ == int(cells_.size()) - 1)
            return KeyResult::Judge;
        move(+1, false);
        return KeyResult::None;
    default:
        return KeyResult::None;
    }
}

void AnswerCells::move(int step, bool modifier)
{
    const int n = int(cells_.size());
    active_ = (active_ + step + n) % n;
    if (modifier) {
        buffer_.clear();
        cells_[std::size_t(active_)].clear();
    } else {
        buffer_ = cells_[std::size_t(active_)];
    }
}

AnswerCells::TypeResult AnswerCells::type(QChar c)
{
    if (c == u'\b') {
        if (buffer_.isEmpty())
            return TypeResult::Ignored;
        buffer_.chop(1);
        cells_[std::size_t(active_)] = buffer_;
        return TypeResult::Typed;
    }
    if (buffer_.size() >= kMaxLength)
        return TypeResult::TooLong;
    // "*", ",", "-", ".", "/" and the digits: codes 42 to 57 without "+".
    const char16_t code = c.unicode();
    if (code < 42 || code > 57 || code == 43)
        return TypeResult::Ignored;
    buffer_ += c;
    cells_[std::size_t(active_)] = buffer_;
    return TypeResult::Typed;
}

void AnswerCells::clearAll()
{
    buffer_.clear();
    cells_ = {};
    active_ = 0;
}

} // namespace soinsuu
