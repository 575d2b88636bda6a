#pragma once
// The results file "成績累積データ.dat": one 44-byte little-endian record per
// recorded run, appended under a whole-file lock by every machine sharing
// the data folder, and read in a few large reads of the newest records.

#include "foundation/runcontext.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace soinsuu {

inline const QString kResultsFileName = QStringLiteral("成績累積データ.dat");
constexpr int kRecordSize = 44;

struct ResultRecord {
    double date = 0;       // OLE Automation day number, a whole number
    double timeOfDay = 0;  // fraction of a day
    std::int16_t Bangou = 0;
    std::int16_t level = 0;
    std::int32_t time = 0;
    QString schoolCode;  // the three five-byte text fields, trailing spaces kept
    QString extra;
    QString points;
};

QByteArray encodeRecord(const ResultRecord& record);
// Decodes kRecordSize bytes.
ResultRecord decodeRecord(const char* bytes);
// Text left-aligned in five code page 932 bytes, padded with spaces; a
// double-byte character that would be split is left out.
QByteArray fiveByteField(const QString& text);

double oleDate(const QDate& date);
QDate dateFromOle(double day);
double timeOfDayFraction(const QTime& time);
// The numeric value of a text field (blank reads as 0).
double fieldNumber(const QString& field);

QString resultsFilePath(const RunContext& ctx);

// Outcome of one file operation.
enum class FileStatus { Ok, SharingConflict, NotFound, Failed };

struct FileError {
    FileStatus status = FileStatus::Ok;
    int number = 0;        // errno
    QString description;   // Japanese, naming the file
};

// The steps of a results file operation at which a fault can be injected.
enum class ResultsStep { Open, Lock, Read, Write, Flush };

// For tests: consulted before each step; a non-zero result is taken as the
// errno the step failed with. Empty by default.
void setResultsFault(std::function<int(ResultsStep)> fault);
// The same, for openings only.
void setResultsOpenFault(std::function<int()> fault);
// The errno a test has asked `step` to fail with, or 0.
int injectedResultsError(ResultsStep step);

// The cause of a failure in Japanese words.
QString causeText(int number);
// Sorts an errno into a sharing conflict (waited out), a missing file or
// folder, or a fault (reported): a lock that another machine holds is a
// conflict, whereas permission denied on opening is a fault.
FileError resultsError(int number, ResultsStep step, const QString& path, const QString& doing);

// Locks (F_WRLCK, F_RDLCK) or unlocks (F_UNLCK) the whole results file
// without waiting; every writer takes this one lock, so appends,
// corrections and deletions on any machine exclude one another, and the
// program's own readers take it shared. 0, or -1 with errno set.
int lockResultsFile(int fd, short type);

// Takes the lock, riding out holds of a few tens of milliseconds (one
// append, one short read) for `attempts` tries a millisecond apart. Ok, a
// SharingConflict, or a fault.
FileError lockResultsFileBriefly(int fd, short type, const QString& path, int attempts = 100);

// Opens the results file for reading, creating it (empty) when missing, and
// takes the shared lock, so a correction or deletion in progress elsewhere
// is never read half done; a change that was cut off is finished first.
// Returns the descriptor (released by closeResultsFile), or -1 with *error.
int openResultsFile(const QString& path, FileError* error);

// Opens the results file for a change (creating it group-writable when
// `create` and missing), takes the exclusive lock, and finishes a change
// that an earlier process was cut off in. Returns the descriptor, or -1
// with *error set (SharingConflict while another machine holds the lock).
int openResultsForWriting(const QString& path, bool create, FileError* error);

// Unlocks and closes; false with errno when the close reports an error.
bool closeResultsFile(int fd);

// The newest whole records as they lie in the file, for readers that decode
// only the fields they need.
struct RawRecords {
    QByteArray bytes;                   // a multiple of kRecordSize, oldest first
    std::int64_t recordCount = 0;
    std::int64_t firstRecordNumber = 1;
    int readCalls = 0;
    std::int64_t size() const { return bytes.size() / kRecordSize; }
    const char* record(std::int64_t i) const { return bytes.constData() + i * kRecordSize; }
};
FileError readNewestRaw(const QString& path, int maxCount, RawRecords* out);

// Decodes the number fields of a record only (the text fields stay empty).
void decodeNumbers(const char* bytes, ResultRecord* out);

// A record no run can have written: a date or time of day that is no number
// or lies outside the calendar's dates, or a negative run time. Every
// statistic and list leaves it out; records maintenance still shows it.
bool isDamagedRecord(const ResultRecord& record);

struct NewestRecords {
    std::vector<ResultRecord> records;  // oldest first
    std::int64_t recordCount = 0;       // whole records in the file
    std::int64_t firstRecordNumber = 1; // number of records[0]
    int readCalls = 0;
};

// Reads the newest `maxCount` whole records with one seek and as few reads
// as the system allows; a trailing fragment is never a record.
FileError readNewestRecords(const QString& path, int maxCount, NewestRecords* out);
// Reads record number n (1-based).
FileError readRecord(const QString& path, std::int64_t n, ResultRecord* out);

// Appends `record` just after the last whole record, under an exclusive lock.
FileError appendRecord(const QString& path, const ResultRecord& record);

// Appends raw 44-byte records in their order just after the last whole
// record, under one exclusive lock, and flushes them. Records found among
// the newest kLoadWindow records are skipped when `skipPresent` (a queued
// record that reached the file before its queue was updated).
FileError appendRawRecords(const QString& path, const std::vector<QByteArray>& records, bool skipPresent);

// Appends the run that has just ended, from the run context, after any
// runs this machine could not record before. Sharing conflicts are waited
// out, with the wait shown after a few seconds; any other failure keeps the
// run in this machine's queue, shows "成績ランダムファイル記録" and ends the
// program (false).
bool appendResult(RunContext& ctx);

// One try at recording `record` after the runs queued on this machine.
// On a fault (not a sharing conflict) the record joins the queue, and
// *kept says so in Japanese for the message.
FileError appendWithUnsent(const QString& path, const QByteArray& record, QString* kept);

// Appends the runs this machine could not record before; at start-up. A
// failure leaves them queued for the next append.
void sendUnsentResults(const RunContext& ctx);

// How many records the summary load reads.
constexpr int kLoadWindow = 20000;
// Seconds of waiting for the shared file before the window says so.
constexpr int kWaitNoticeSeconds = 3;

// A wait for the shared file, a second at a time; once it has lasted
// kWaitNoticeSeconds the wait window says so, until the wait ends.
class SharedFileWait {
public:
    explicit SharedFileWait(RunContext& ctx) : ctx_(ctx) {}
    SharedFileWait(const SharedFileWait&) = delete;
    SharedFileWait& operator=(const SharedFileWait&) = delete;
    ~SharedFileWait();
    void waitASecond();

private:
    RunContext& ctx_;
    int seconds_ = 0;
    bool shown_ = false;
};

} // namespace soinsuu
