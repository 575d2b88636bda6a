#include "listinput.h"

#include <cmath>

namespace soinsuu {
namespace {

bool isSpace(QChar c) { return c == u' ' || c == u'\t'; }
bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

} // namespace

ListInputReader::ListInputReader(QString text) : text_(std::move(text)) {}

void ListInputReader::skipBlank()
{
    // Spaces before an item are dropped; a line end met at the start of a
    // line is a blank line and carries no item.
    for (;;) {
        while (pos_ < text_.size() && isSpace(text_[pos_]))
            ++pos_;
        if (pos_ < text_.size() && isLineEnd(text_[pos_]) && atLineStart_) {
            if (text_[pos_] == u'\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'\n')
                ++pos_;
            ++pos_;
            continue;
        }
        // A stray end-of-file mark (Ctrl+Z) written by old editors ends the data.
        if (pos_ < text_.size() && text_[pos_] == QChar(0x1A))
            pos_ = text_.size();
        return;
    }
}

bool ListInputReader::atEnd()
{
    skipBlank();
    return pos_ >= text_.size() && !emptyItemPending_;
}

int ListInputReader::lineNumber() const
{
    int line = 1;
    for (qsizetype i = 0; i < itemStart_ && i < text_.size(); ++i) {
        if (text_[i] == u'\n' || (text_[i] == u'\r' && (i + 1 >= text_.size() || text_[i + 1] != u'\n')))
            ++line;
    }
    return line;
}

QString ListInputReader::readText()
{
    skipBlank();
    itemStart_ = pos_;
    if (pos_ >= text_.size()) {
        if (!emptyItemPending_)
            return {};
        // The item after a comma that ends the file.
        emptyItemPending_ = false;
        ++itemsRead_;
        return {};
    }
    emptyItemPending_ = false;
    ++itemsRead_;
    QString item;
    if (text_[pos_] == u'"') {
        ++pos_;
        const qsizetype close = text_.indexOf(u'"', pos_);
        const qsizetype end = close < 0 ? text_.size() : close;
        item = text_.mid(pos_, end - pos_);
        pos_ = close < 0 ? text_.size() : close + 1;
        // Anything between the closing quote and the delimiter is dropped.
        while (pos_ < text_.size() && text_[pos_] != u',' && !isLineEnd(text_[pos_]))
            ++pos_;
    } else {
        const qsizetype start = pos_;
        while (pos_ < text_.size() && text_[pos_] != u',' && !isLineEnd(text_[pos_]))
            ++pos_;
        item = text_.mid(start, pos_ - start).trimmed();
    }
    atLineStart_ = false;
    if (pos_ < text_.size()) {
        if (text_[pos_] == u',') {
            ++pos_;
            emptyItemPending_ = true;
        } else {
            if (text_[pos_] == u'\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'\n')
                ++pos_;
            ++pos_;
            atLineStart_ = true;
        }
    }
    return item;
}

double ListInputReader::readNumber(bool* ok)
{
    const bool end = atEnd();
    double value = 0;
    const bool numeric = parseListNumber(readText(), &value);
    if (ok)
        *ok = numeric && !end;
    return value;
}

bool parseListNumber(const QString& item, double* value)
{
    const QString t = item.trimmed();
    *value = 0;
    if (t.isEmpty())
        return true;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

std::optional<qint64> wholeNumberWithin(double value, qint64 min, qint64 max)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double whole = std::nearbyint(value);
    // Compared as doubles first, so no value outside the range is converted.
    if (whole < double(min) || whole > double(max))
        return std::nullopt;
    return qint64(whole);
}

} // namespace soinsuu
