#include "resultsfile.h"

#include "changejournal.h"
#include "unsentqueue.h"

#include "foundation/cp932.h"
#include "foundation/filenames.h"
#include "foundation/listinput.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QThread>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace soinsuu {
namespace {

const QDate kOleEpoch(1899, 12, 30);

template <typename T>
void putLe(char* p, T value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T); ++i)
        p[i] = char((bits >> (8 * i)) & 0xFF);
}

template <typename T>
T getLe(const char* p)
{
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bits |= std::uint64_t(std::uint8_t(p[i])) << (8 * i);
    T value;
    std::memcpy(&value, &bits, sizeof(T));
    return value;
}

std::function<int(ResultsStep)>& faultHook()
{
    static std::function<int(ResultsStep)> fault;
    return fault;
}

} // namespace

// Open-file-description locks where the file system takes them, else the
// classic record lock.
int lockResultsFile(int fd, short type)
{
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;
#ifdef F_OFD_SETLK
    if (fcntl(fd, F_OFD_SETLK, &fl) == 0)
        return 0;
    if (errno != EINVAL)
        return -1;
    fl.l_pid = 0;
#endif
    return fcntl(fd, F_SETLK, &fl);
}

void setResultsFault(std::function<int(ResultsStep)> fault) { faultHook() = std::move(fault); }

void setResultsOpenFault(std::function<int()> fault)
{
    if (!fault) {
        faultHook() = {};
        return;
    }
    faultHook() = [fault = std::move(fault)](ResultsStep step) { return step == ResultsStep::Open ? fault() : 0; };
}

int injectedResultsError(ResultsStep step) { return faultHook() ? faultHook()(step) : 0; }

QString causeText(int number)
{
    switch (number) {
    case EACCES:
    case EPERM:
        return QStringLiteral("このアカウントには許可されていません");
    case EROFS:
        return QStringLiteral("読み取り専用の場所です");
    case ENOENT:
        return QStringLiteral("ファイルまたはフォルダがありません");
    case ENOTDIR:
        return QStringLiteral("フォルダではないものが途中にあります");
    case ENOSPC:
        return QStringLiteral("ディスクがいっぱいです");
    case EDQUOT:
        return QStringLiteral("ディスクの使用量の上限に達しました");
    case EIO:
        return QStringLiteral("ディスクまたはネットワークの入出力エラーです");
    case ENOLCK:
        return QStringLiteral("ファイルをロックする仕組みが使えません");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("ほかで使用中です");
    case EAGAIN:
        return QStringLiteral("ほかのコンピュータが使用中です");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("開いているファイルが多すぎます");
    case ESTALE:
    case ENOTCONN:
    case EHOSTDOWN:
        return QStringLiteral("共有フォルダとの接続が切れています");
    default:
        return QStringLiteral("エラー番号%1").arg(number);
    }
}

FileError resultsError(int number, ResultsStep step, const QString& path, const QString& doing)
{
    FileError e;
    e.number = number;
    e.status = FileStatus::Failed;
    if (step == ResultsStep::Lock) {
        // A record lock held by another process is reported as EACCES or
        // EAGAIN; anything else (ENOLCK: no lock service) is a fault.
        if (number == EACCES || number == EAGAIN || number == EWOULDBLOCK || number == EINTR)
            e.status = FileStatus::SharingConflict;
    } else if (number == EBUSY || number == ETXTBSY || number == EAGAIN || number == EINTR) {
        // A share that is busy for a moment.
        e.status = FileStatus::SharingConflict;
    } else if (number == ENOENT && step == ResultsStep::Open) {
        e.status = FileStatus::NotFound;
    }
    e.description = QStringLiteral("%1を%2できません（%3）").arg(QDir::toNativeSeparators(path), doing, causeText(number));
    return e;
}

FileError lockResultsFileBriefly(int fd, short type, const QString& path, int attempts)
{
    // Another writer holds the lock for one short write, a reader for one
    // large read: try again every millisecond (a lock that is free for a
    // moment between two machines' appends is caught) before reporting a
    // sharing conflict.
    int number = 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        number = injectedResultsError(ResultsStep::Lock);
        if (number == 0) {
            if (lockResultsFile(fd, type) == 0)
                return {};
            number = errno;
        }
        FileError e = resultsError(number, ResultsStep::Lock, path, QStringLiteral("ロックすることが"));
        if (e.status != FileStatus::SharingConflict)
            return e;
        QThread::usleep(1000);
    }
    FileError e = resultsError(number, ResultsStep::Lock, path, QStringLiteral("ロックすることが"));
    e.description = QStringLiteral("%1はほかのコンピュータが使用中です").arg(QDir::toNativeSeparators(path));
    return e;
}

namespace {

// Opens read-write, creating the file when `create` and it is missing: the
// creator fixes the mode so every account of the classroom group can
// append (the process umask would otherwise decide), and the folder's
// group (a setgid folder's) is kept.
int openReadWrite(const QByteArray& name, bool create)
{
    for (;;) {
        const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT || !create)
            return fd;
        const int made = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0664);
        if (made >= 0) {
            ::fchmod(made, 0664);
            return made;
        }
        if (errno != EEXIST)
            return -1;
    }
}

} // namespace

int openResultsForWriting(const QString& path, bool create, FileError* error)
{
    if (const int injected = injectedResultsError(ResultsStep::Open)) {
        *error = resultsError(injected, ResultsStep::Open, path, QStringLiteral("開くことが"));
        return -1;
    }
    const int fd = openReadWrite(QFile::encodeName(path), create);
    if (fd < 0) {
        *error = resultsError(errno, ResultsStep::Open, path, QStringLiteral("開くことが"));
        return -1;
    }
    *error = lockResultsFileBriefly(fd, F_WRLCK, path);
    if (error->status == FileStatus::Ok)
        *error = finishInterruptedChange(fd, path);
    if (error->status != FileStatus::Ok) {
        closeResultsFile(fd);
        return -1;
    }
    return fd;
}

bool closeResultsFile(int fd)
{
    lockResultsFile(fd, F_UNLCK);
    return ::close(fd) == 0;
}

QByteArray fiveByteField(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        const QByteArray bytes = cp932::encode(QString(c));
        if (out.size() + bytes.size() > 5)
            break;
        out += bytes;
    }
    return out.leftJustified(5, ' ');
}

QByteArray encodeRecord(const ResultRecord& r)
{
    QByteArray b(kRecordSize, '\0');
    char* p = b.data();
    putLe(p + 0, r.date);
    putLe(p + 8, r.timeOfDay);
    putLe(p + 16, r.Bangou);
    putLe(p + 18, r.level);
    putLe(p + 20, r.time);
    std::memcpy(p + 24, fiveByteField(r.schoolCode).constData(), 5);
    std::memcpy(p + 29, fiveByteField(r.extra).constData(), 5);
    std::memcpy(p + 34, fiveByteField(r.points).constData(), 5);
    return b;  // bytes 39..43 stay zero
}

void decodeNumbers(const char* p, ResultRecord* r)
{
    r->date = getLe<double>(p + 0);
    r->timeOfDay = getLe<double>(p + 8);
    r->Bangou = getLe<std::int16_t>(p + 16);
    r->level = getLe<std::int16_t>(p + 18);
    r->time = getLe<std::int32_t>(p + 20);
}

bool isDamagedRecord(const ResultRecord& r)
{
    // The day numbers of 1 January 100 and 31 December 9999.
    constexpr double firstDay = -657434;
    constexpr double lastDay = 2958465;
    const bool dateOk = std::isfinite(r.date) && r.date >= firstDay && r.date <= lastDay;
    const bool timeOfDayOk = std::isfinite(r.timeOfDay);
    return !dateOk || !timeOfDayOk || r.time < 0;
}

ResultRecord decodeRecord(const char* p)
{
    ResultRecord r;
    decodeNumbers(p, &r);
    r.schoolCode = cp932::decode(QByteArray(p + 24, 5));
    r.extra = cp932::decode(QByteArray(p + 29, 5));
    r.points = cp932::decode(QByteArray(p + 34, 5));
    return r;
}

double oleDate(const QDate& date) { return double(kOleEpoch.daysTo(date)); }
QDate dateFromOle(double day)
{
    // A damaged record may hold any bit pattern: no date rather than an
    // undefined conversion.
    if (!std::isfinite(day) || std::abs(day) > 3e6)
        return QDate();
    return kOleEpoch.addDays(qint64(std::floor(day)));
}
double timeOfDayFraction(const QTime& time) { return time.msecsSinceStartOfDay() / 86400000.0; }

double fieldNumber(const QString& field)
{
    double v = 0;
    return parseListNumber(field.trimmed(), &v) ? v : 0.0;
}

QString resultsFilePath(const RunContext& ctx) { return fileInFolder(ctx.programDataFolder, kResultsFileName); }

int openResultsFile(const QString& path, FileError* error)
{
    const QByteArray name = QFile::encodeName(path);
    for (int pass = 0;; ++pass) {
        if (const int injected = injectedResultsError(ResultsStep::Open)) {
            *error = resultsError(injected, ResultsStep::Open, path, QStringLiteral("開くことが"));
            return -1;
        }
        int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            const int created = openReadWrite(name, true);
            if (created >= 0) {
                ::close(created);
                fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
            }
        }
        if (fd < 0) {
            *error = resultsError(errno, ResultsStep::Open, path, QStringLiteral("開くことが"));
            return -1;
        }
        // Readers are few and writers quick: a reader waits its turn for
        // half a second (the window not answering meanwhile), however many
        // machines append; a longer hold is a conflict, waited out with
        // the window answering.
        *error = lockResultsFileBriefly(fd, F_RDLCK, path, 500);
        if (error->status != FileStatus::Ok) {
            closeResultsFile(fd);
            return -1;
        }
        // A journal means a change was cut off: complete it under the
        // exclusive lock, then read.
        if (!changeJournalExists(path) || pass >= 3)
            return fd;
        closeResultsFile(fd);
        const int writer = openResultsForWriting(path, false, error);
        if (writer < 0)
            return -1;
        closeResultsFile(writer);
    }
}

FileError readNewestRaw(const QString& path, int maxCount, RawRecords* out)
{
    *out = RawRecords{};
    FileError error;
    const int fd = openResultsFile(path, &error);
    if (fd < 0)
        return error;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = resultsError(errno, ResultsStep::Read, path, QStringLiteral("調べることが"));
        closeResultsFile(fd);
        return error;
    }
    const std::int64_t count = st.st_size / kRecordSize;
    const std::int64_t first = std::max<std::int64_t>(0, count - maxCount);
    const std::int64_t wanted = (count - first) * kRecordSize;
    out->bytes.resize(qsizetype(wanted));
    std::int64_t got = 0;
    while (got < wanted) {
        const int injected = injectedResultsError(ResultsStep::Read);
        const ssize_t n = injected ? -1
                                   : ::pread(fd, out->bytes.data() + got, std::size_t(wanted - got),
                                             off_t(first * kRecordSize + got));
        if (injected)
            errno = injected;
        ++out->readCalls;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = resultsError(errno, ResultsStep::Read, path, QStringLiteral("読むことが"));
            closeResultsFile(fd);
            out->bytes.clear();
            return error;
        }
        if (n == 0)
            break;  // the file shrank meanwhile: keep the whole records read
        got += n;
    }
    closeResultsFile(fd);
    out->bytes.truncate(qsizetype(got - got % kRecordSize));
    out->recordCount = count;
    out->firstRecordNumber = first + 1;
    return error;
}

FileError readNewestRecords(const QString& path, int maxCount, NewestRecords* out)
{
    *out = NewestRecords{};
    RawRecords raw;
    const FileError error = readNewestRaw(path, maxCount, &raw);
    out->records.reserve(std::size_t(raw.size()));
    for (std::int64_t i = 0; i < raw.size(); ++i)
        out->records.push_back(decodeRecord(raw.record(i)));
    out->recordCount = raw.recordCount;
    out->firstRecordNumber = raw.firstRecordNumber;
    out->readCalls = raw.readCalls;
    return error;
}

FileError readRecord(const QString& path, std::int64_t n, ResultRecord* out)
{
    FileError error;
    const int fd = openResultsFile(path, &error);
    if (fd < 0)
        return error;
    char bytes[kRecordSize];
    std::int64_t got = 0;
    while (got < kRecordSize) {
        const ssize_t r = ::pread(fd, bytes + got, std::size_t(kRecordSize - got), off_t((n - 1) * kRecordSize + got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += r;
    }
    const int saved = errno;
    closeResultsFile(fd);
    if (got != kRecordSize) {
        error = resultsError(got < 0 ? saved : EIO, ResultsStep::Read, path, QStringLiteral("読むことが"));
        if (got >= 0) {
            error.status = FileStatus::Failed;
            error.description = QStringLiteral("%1にレコード%2がありません").arg(QDir::toNativeSeparators(path)).arg(n);
        }
        return error;
    }
    *out = decodeRecord(bytes);
    return error;
}

namespace {

bool writeAllAt(int fd, const char* data, std::int64_t size, off_t at, int* number)
{
    if (const int injected = injectedResultsError(ResultsStep::Write)) {
        *number = injected;
        return false;
    }
    return writeWholeAt(fd, data, size, at, number);
}

} // namespace

FileError appendRawRecords(const QString& path, const std::vector<QByteArray>& records, bool skipPresent)
{
    FileError result;
    const int fd = openResultsForWriting(path, true, &result);
    if (fd < 0)
        return result;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result = resultsError(errno, ResultsStep::Write, path, QStringLiteral("調べることが"));
        closeResultsFile(fd);
        return result;
    }
    // Read and write, never O_APPEND: the records go just after the last
    // whole record, over a fragment a broken write may have left.
    const off_t at = st.st_size - st.st_size % kRecordSize;
    QSet<QByteArray> present;
    if (skipPresent && at > 0) {
        const std::int64_t window = std::min<std::int64_t>(at, std::int64_t(kLoadWindow) * kRecordSize);
        QByteArray newest(qsizetype(window), '\0');
        std::int64_t got = 0;
        while (got < window) {
            const ssize_t n = ::pread(fd, newest.data() + got, std::size_t(window - got), at - off_t(window) + off_t(got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                result = resultsError(n < 0 ? errno : EIO, ResultsStep::Read, path, QStringLiteral("読むことが"));
                closeResultsFile(fd);
                return result;
            }
            got += n;
        }
        for (std::int64_t i = 0; i < window; i += kRecordSize)
            present.insert(newest.mid(qsizetype(i), kRecordSize));
    }
    QByteArray bytes;
    for (const QByteArray& r : records)
        if (!present.contains(r))
            bytes += r;
    int number = 0;
    if (!writeAllAt(fd, bytes.constData(), bytes.size(), at, &number)) {
        // A part written is a trailing fragment or whole records the next
        // try recognises; both are written over or skipped.
        result = resultsError(number, ResultsStep::Write, path, QStringLiteral("書き込むことが"));
    } else if (!bytes.isEmpty()) {
        // A queued run leaves its queue only once it is safely on disk.
        number = injectedResultsError(ResultsStep::Flush);
        if (number == 0 && ::fsync(fd) != 0 && errno != EINVAL)
            number = errno;
        if (number != 0)
            result = resultsError(number, ResultsStep::Flush, path, QStringLiteral("ディスクに書き出すことが"));
    }
    if (!closeResultsFile(fd) && result.status == FileStatus::Ok)
        result = resultsError(errno, ResultsStep::Write, path, QStringLiteral("書き込むことが"));
    return result;
}

FileError appendRecord(const QString& path, const ResultRecord& record)
{
    return appendRawRecords(path, {encodeRecord(record)}, false);
}

SharedFileWait::~SharedFileWait()
{
    if (shown_)
        ctx_.navigator().showSharedFileWait(false);
}

void SharedFileWait::waitASecond()
{
    ctx_.clock().waitResponsive(1000);
    if (++seconds_ >= kWaitNoticeSeconds && !shown_) {
        shown_ = true;
        ctx_.navigator().showSharedFileWait(true);
    }
}

bool appendResult(RunContext& ctx)
{
    const QDateTime now = ctx.clock().now();
    ResultRecord r;
    r.date = oleDate(now.date());
    r.timeOfDay = timeOfDayFraction(now.time());
    r.Bangou = ctx.currentStudent;
    r.level = ctx.selectedLevel;
    r.time = ctx.runTime;
    r.schoolCode = ctx.schoolCode;
    r.extra = QString();
    r.points = QStringLiteral("0");
    const QString path = resultsFilePath(ctx);

    SharedFileWait wait(ctx);
    for (;;) {
        QString kept;
        const FileError e = appendWithUnsent(path, encodeRecord(r), &kept);
        if (e.status == FileStatus::Ok)
            return true;
        if (e.status == FileStatus::SharingConflict) {
            wait.waitASecond();
            continue;
        }
        fatalError(ctx, QStringLiteral("成績ランダムファイル記録"),
                   QStringLiteral("成績ランダムファイル記録") + e.description + kept);
        return false;
    }
}

FileError appendWithUnsent(const QString& path, const QByteArray& record, QString* kept)
{
    std::vector<QByteArray> queued;
    QString queueError;
    const bool queueRead = readUnsentRecords(&queued, &queueError);
    std::vector<QByteArray> records = queued;
    records.push_back(record);
    const FileError e = appendRawRecords(path, records, !queued.empty());
    if (e.status == FileStatus::Ok) {
        // A queue left behind here is recognised by the next append.
        if (!queued.empty())
            writeUnsentRecords({}, &queueError);
        return e;
    }
    if (e.status == FileStatus::SharingConflict)
        return e;
    // The run is kept on this machine; a queue that cannot be read is left
    // as it is rather than replaced.
    QString writeError;
    if (!queueRead)
        *kept = QStringLiteral("\nこの成績をこのコンピュータに残すこともできません（%1）。").arg(queueError);
    else if (writeUnsentRecords(records, &writeError))
        *kept = QStringLiteral("\nこの成績はこのコンピュータに残しました。次に記録するときに書き込みます。");
    else
        *kept = QStringLiteral("\nこの成績をこのコンピュータに残すこともできません（%1）。").arg(writeError);
    return e;
}

void sendUnsentResults(const RunContext& ctx)
{
    std::vector<QByteArray> queued;
    QString error;
    if (!readUnsentRecords(&queued, &error) || queued.empty())
        return;
    if (appendRawRecords(resultsFilePath(ctx), queued, true).status == FileStatus::Ok)
        writeUnsentRecords({}, &error);
}

} // namespace soinsuu
