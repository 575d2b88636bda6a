#pragma once
// Results files whose records are told apart by their time: record number i
// carries time i, so the file's order after a change is a list of numbers.

#include "results/resultsfile.h"

#include <QDate>
#include <QFile>
#include <QList>

namespace soinsuu::test {

inline ResultRecord numbered(int i, const QDate& date, int student, int level = 3)
{
    ResultRecord r;
    r.date = oleDate(date);
    r.timeOfDay = (15 * 3600 + 30 * 60 + 12) / 86400.0;
    r.Bangou = std::int16_t(student);
    r.level = std::int16_t(level);
    r.time = i;
    r.schoolCode = QStringLiteral("12345");
    r.points = QStringLiteral("0");
    return r;
}

// Records 1..count followed by a trailing fragment of `fragment` bytes.
inline QByteArray numberedFile(int count, int fragment, const QDate& date, int student)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i)
        bytes += encodeRecord(numbered(i, date, student));
    return bytes + QByteArray(fragment, 'x');
}

// The times of the whole records, in order.
inline QList<int> timesIn(const QByteArray& bytes)
{
    QList<int> times;
    for (qsizetype at = 0; at + kRecordSize <= bytes.size(); at += kRecordSize)
        times << decodeRecord(bytes.constData() + at).time;
    return times;
}

// 1..n, leaving out `without`.
inline QList<int> oneTo(int n, int without = 0)
{
    QList<int> list;
    for (int i = 1; i <= n; ++i)
        if (i != without)
            list << i;
    return list;
}

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace soinsuu::test
