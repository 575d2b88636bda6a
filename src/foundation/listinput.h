#pragma once
// The reader every settings and list file goes through: a stream of items
// separated by commas or line ends. Double quotes around an item are removed
// (a quoted item may hold commas), spaces around an unquoted item are dropped,
// blank lines are skipped, and an empty item reads as 0 or as empty text.

#include <QString>

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

private:
    void skipBlank();
    QString text_;
    qsizetype pos_ = 0;
    bool atLineStart_ = true;
    int itemsRead_ = 0;
};

// The numeric value of an item, or nothing when it does not spell a number.
// Empty text is 0.
bool parseListNumber(const QString& item, double* value);

} // namespace soinsuu
