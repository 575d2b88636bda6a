#include "resultsfile.h"

#include "foundation/cp932.h"
#include "foundation/filenames.h"
#include "foundation/listinput.h"

#include <QDir>
#include <QFile>
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

FileError errorFrom(int number, const QString& path, const QString& doing)
{
    FileError e;
    e.number = number;
    switch (number) {
    // Another machine holds the file or its lock; SMB reports a mandatory
    // lock as permission denied.
    case EACCES:
    case EAGAIN:
    case EBUSY:
    case ETXTBSY:
        e.status = FileStatus::SharingConflict;
        break;
    case ENOENT:
        e.status = FileStatus::NotFound;
        break;
    default:
        e.status = FileStatus::Failed;
        break;
    }
    e.description = QStringLiteral("%1を%2できません（%3）").arg(QDir::toNativeSeparators(path), doing,
                                                              QString::fromLocal8Bit(std::strerror(number)));
    return e;
}

std::function<int()>& openFault()
{
    static std::function<int()> fault;
    return fault;
}

// The error a test has asked the next opening to fail with, or 0.
int injectedOpenError()
{
    return openFault() ? openFault()() : 0;
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

void setResultsOpenFault(std::function<int()> fault) { openFault() = std::move(fault); }

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
    if (const int injected = injectedOpenError()) {
        *error = errorFrom(injected, path, QStringLiteral("開くことが"));
        return -1;
    }
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        const int created = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (created >= 0) {
            ::close(created);
            fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        }
    }
    if (fd < 0)
        *error = errorFrom(errno, path, QStringLiteral("開くことが"));
    return fd;
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
        error = errorFrom(errno, path, QStringLiteral("調べることが"));
        ::close(fd);
        return error;
    }
    const std::int64_t count = st.st_size / kRecordSize;
    const std::int64_t first = std::max<std::int64_t>(0, count - maxCount);
    const std::int64_t wanted = (count - first) * kRecordSize;
    out->bytes.resize(qsizetype(wanted));
    std::int64_t got = 0;
    while (got < wanted) {
        const ssize_t n = ::pread(fd, out->bytes.data() + got, std::size_t(wanted - got), off_t(first * kRecordSize + got));
        ++out->readCalls;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errorFrom(errno, path, QStringLiteral("読むことが"));
            ::close(fd);
            out->bytes.clear();
            return error;
        }
        if (n == 0)
            break;  // the file shrank meanwhile: keep the whole records read
        got += n;
    }
    ::close(fd);
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
    ::close(fd);
    if (got != kRecordSize) {
        error = errorFrom(got < 0 ? saved : EIO, path, QStringLiteral("読むことが"));
        if (got >= 0) {
            error.status = FileStatus::Failed;
            error.description = QStringLiteral("%1にレコード%2がありません").arg(QDir::toNativeSeparators(path)).arg(n);
        }
        return error;
    }
    *out = decodeRecord(bytes);
    return error;
}

FileError appendRecord(const QString& path, const ResultRecord& record)
{
    const QByteArray bytes = encodeRecord(record);
    // Read and write, never O_APPEND: the record goes just after the last
    // whole record, over a fragment a broken write may have left.
    if (const int injected = injectedOpenError())
        return errorFrom(injected, path, QStringLiteral("開くことが"));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return errorFrom(errno, path, QStringLiteral("開くことが"));
    // Another writer holds the lock for a moment only: try again briefly
    // before reporting a sharing conflict.
    int locked = -1;
    for (int attempt = 0; attempt < 40; ++attempt) {
        locked = lockResultsFile(fd, F_WRLCK);
        if (locked == 0 || (errno != EAGAIN && errno != EACCES))
            break;
        QThread::usleep(2500);
    }
    if (locked != 0) {
        const FileError e = errorFrom(errno, path, QStringLiteral("ロックすることが"));
        ::close(fd);
        return e;
    }
    FileError result;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result = errorFrom(errno, path, QStringLiteral("調べることが"));
    } else {
        const off_t at = st.st_size - st.st_size % kRecordSize;
        qsizetype written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::pwrite(fd, bytes.constData() + written, std::size_t(bytes.size() - written), at + written);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                // A part written before a conflict is a trailing fragment,
                // which the retried append writes over.
                result = errorFrom(n < 0 ? errno : EIO, path, QStringLiteral("書き込むことが"));
                break;
            }
            written += n;
        }
    }
    lockResultsFile(fd, F_UNLCK);
    if (::close(fd) != 0 && result.status == FileStatus::Ok)
        result = errorFrom(errno, path, QStringLiteral("書き込むことが"));
    return result;
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
    for (;;) {
        const FileError e = appendRecord(path, r);
        if (e.status == FileStatus::Ok)
            return true;
        if (e.status == FileStatus::SharingConflict) {
            ctx.clock().waitResponsive(1000);
            continue;
        }
        fatalError(ctx, QStringLiteral("成績ランダムファイル記録"), QStringLiteral("成績ランダムファイル記録") + e.description);
        return false;
    }
}

} // namespace soinsuu
