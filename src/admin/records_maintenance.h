#pragma once
// What the records maintenance window does, apart from the widgets: its own
// roster tables, the text of each record line, the reading of the two edit
// fields, and the two changes it makes to the results file (correcting one
// record in place, deleting one record), both under the same whole-file
// write lock that every appending machine takes.

#include "foundation/runcontext.h"
#include "results/resultsfile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace soinsuu {

// The window's roster tables, by student number 0..5000. Every roster line
// counts here, listed or not.
struct MaintenanceRoster {
    std::vector<QString> names = std::vector<QString>(kStudentSlots);       // padding spaces trimmed
    std::vector<QString> gradeNames = std::vector<QString>(kStudentSlots);  // empty: none
    QStringList entries;  // the student field's entries, in file order
};

// Fills the tables from the decoded roster text. A line whose number field
// holds no number stops the reading: false with a Japanese description
// naming the line, and the lines before it stay in the tables. Lines whose
// student number the tables cannot hold are left out.
bool fillMaintenanceRoster(const QString& rosterText, int schoolYear, MaintenanceRoster* out, QString* error = nullptr);

// "12 /  生徒Ａ": the student field entry of one roster line.
QString studentEntry(int studentNumber, const QString& trimmedName);

// The record's date as yyyy/MM/dd and its time of day as H:mm:ss.
QString recordDateText(double date);
QString recordTimeOfDayText(double fraction);

// Width of the record number column: four characters, more once the file
// holds more than 9999 records, so every number shows whole and the lines
// keep their columns.
int recordNumberWidth(std::int64_t highestRecordNumber);

struct RecordLineSettings {
    QString ownSchoolCode;  // the installation's code ("" when it has none)
    QString schoolName;
    int numberWidth = 4;
};

// One line of the record list.
QString recordListLine(std::int64_t number, const ResultRecord& record, const MaintenanceRoster& roster,
                       const RecordLineSettings& settings);

// The lines of every record whose level is not 0, in record order, each
// with the number of the record it shows.
struct RecordLines {
    QStringList lines;
    std::vector<std::int64_t> numbers;
};
RecordLines buildRecordLines(const RawRecords& raw, const MaintenanceRoster& roster, const RecordLineSettings& settings);

// The number a teacher typed at the start of a field (spaces before it
// skipped, full-width digits taken as digits), or nothing when it begins
// with none.
std::optional<double> typedNumber(const QString& text);

// The time field: its leading number rounded half to even (0 when it has
// none). Nothing when the result is negative or beyond a 32-bit time.
std::optional<std::int32_t> parseTimeField(const QString& text);

// The student field: the number before its first "/", rounded half to
// even. Nothing when there is no "/", no number before it, or the number
// lies outside 0..5000.
std::optional<std::int16_t> parseStudentField(const QString& text);

// The 44 bytes of a record with the student number and the time replaced,
// every other byte as it was.
QByteArray correctedRecord(const QByteArray& raw, std::int16_t Bangou, std::int32_t time);

enum class ChangeOutcome {
    Done,
    Missing,   // the record number is beyond the file's last whole record
    Changed,   // the record no longer holds the bytes it was chosen with
    Conflict,  // another machine held the lock throughout
    Failed,    // reading or writing failed; the records are as they were
    Interrupted,  // writing failed part-way; the next lock of the file completes the change
    Unflushed,    // the change was made, but not confirmed on disk
};

// Whether a change with this outcome was (at least partly) written.
inline bool changeReachedFile(ChangeOutcome outcome)
{
    return outcome == ChangeOutcome::Done || outcome == ChangeOutcome::Interrupted || outcome == ChangeOutcome::Unflushed;
}

struct ChangeResult {
    ChangeOutcome outcome = ChangeOutcome::Done;
    QString description;  // Japanese, naming the file
};

// Reads the 44 bytes of record n (1-based).
ChangeResult readRawRecord(const QString& path, std::int64_t n, QByteArray* out);

// Writes record n in place under the write lock, provided it still holds
// `expected` (skipped when empty).
ChangeResult writeRecordInPlace(const QString& path, std::int64_t n, const QByteArray& expected,
                                const QByteArray& replacement);

// Removes record n under the write lock, provided it still holds `expected`
// (skipped when empty): the records after it move down by one, and a
// trailing fragment shorter than a record is dropped. The file is rewritten
// where it lies, never replaced, so a machine appending at the same time
// waits for the lock and then appends to the shortened file. Both changes
// are journalled: one that is cut off is completed by the next lock.
ChangeResult deleteRecordInPlace(const QString& path, std::int64_t n, const QByteArray& expected);

} // namespace soinsuu
