#pragma once
// The reader every settings and list file goes through: a stream of items
// separated by commas or line ends. Double quotes around an item are removed
// (a quoted item may hold commas), spaces around an unquoted item are dropped,
// blank lines are skipped, and an empty item reads as 0 or as empty text.
// A comma before the end of the file closes an empty item, with or without a
// final line end, so a file reads the same whether or not its last line was
// ended.

#include <QString>

#include <optional>

namespace soinsuu {

class ListInputReader {
public:
    explicit ListInputReader(QString text);

    // True when no item is left (only spaces and line ends remain).
    bool atEnd();
    // The next item as text; empty text once the end is reached.
    QString readText();
    // The next item as a number; an empty item is 0. *ok is false when the
    // item is not a number (the value is then 0) or the end was reached.
    double readNumber(bool* ok = nullptr);
    // Number of items read so far.
    int itemsRead() const { return itemsRead_; }
    // The line (from 1) on which the last item read began, for messages.
    int lineNumber() const;

private:
    void skipBlank();
    QString text_;
    qsizetype pos_ = 0;
    qsizetype itemStart_ = 0;
    bool atLineStart_ = true;
    bool emptyItemPending_ = false;  // a comma was the last thing read
    int itemsRead_ = 0;
};

// The numeric value of an item, or nothing when it does not spell a finite
// number ("nan" and "inf" are no numbers here). Empty text is 0.
bool parseListNumber(const QString& item, double* value);

// The whole number nearest to a list number (halves to even, as the
// families' readers round), when it lies within [min, max]; nothing when the
// field could not hold it.
std::optional<qint64> wholeNumberWithin(double value, qint64 min, qint64 max);

} // namespace soinsuu
