#pragma once
// A school on disk for the benchmarks: a roster of numbered students, a
// results file of runs dated back from today, and the services a window
// asks for.

#include "benchfakes.h"

#include "foundation/cp932.h"
#include "foundation/runcontext.h"
#include "results/resultsfile.h"

#include <QDate>
#include <QFile>
#include <cstdlib>
#include <functional>

namespace soinsuu::bench {

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        std::abort();
}

// Students 1..n named "生徒　n", born 2011 to 2019; with `someLeft` every
// tenth one has left the school.
inline QByteArray roster(int students, bool someLeft = false)
{
    QString text;
    for (int n = 1; n <= students; ++n)
        text += QStringLiteral("%1,%2,0,0,\"生徒　%1\",%3,\"\",\"\"\r\n")
                    .arg(n)
                    .arg(2011 + n % 9)
                    .arg(someLeft && n % 10 == 0 ? 1 : 0);
    return cp932::encode(text);
}

// `count` runs, 200 a day up to today, by students 1..1000 in turn on
// levels 1 to 4; `vary` may change each run.
inline QByteArray runs(int count, const std::function<void(int i, ResultRecord& r)>& vary = {})
{
    QByteArray bytes;
    bytes.reserve(qsizetype(count) * kRecordSize);
    const double today = oleDate(QDate::currentDate());
    for (int i = 0; i < count; ++i) {
        ResultRecord r;
        r.date = today - (count - i) / 200;
        r.Bangou = std::int16_t(1 + (i * 7) % 1000);
        r.level = std::int16_t(1 + i % 4);
        r.time = 20 + i % 200;
        if (vary)
            vary(i, r);
        bytes += encodeRecord(r);
    }
    return bytes;
}

struct School {
    SystemClock clock;
    StandardRandom random;
    NoBoxes dialogs;
    NoWindows navigator;
    void attach(RunContext& ctx) { ctx.services = {&clock, &random, nullptr, &dialogs, &navigator, nullptr}; }
};

} // namespace soinsuu::bench
