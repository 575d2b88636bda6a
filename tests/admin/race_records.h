#pragma once
// The records the racing appenders write: writer w's run number s, each
// one different, so the test can tell every record by its bytes.

#include "results/resultsfile.h"

namespace soinsuu::test {

inline ResultRecord raceRecord(int writer, int sequence)
{
    ResultRecord r;
    r.date = 46000;
    r.timeOfDay = sequence / 100000.0;
    r.Bangou = std::int16_t(writer);
    r.level = 1;
    r.time = 10000 * writer + sequence;
    r.schoolCode = QStringLiteral("W%1").arg(writer);
    r.points = QStringLiteral("0");
    return r;
}

} // namespace soinsuu::test
