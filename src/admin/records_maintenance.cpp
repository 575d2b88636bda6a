#include "records_maintenance.h"

#include "foundation/cp932.h"
#include "foundation/roster.h"
#include "results/changejournal.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace soinsuu {
namespace {

const QString kFullWidthSpace = QStringLiteral("　");

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

QString systemText(int number) { return QString::fromLocal8Bit(std::strerror(number)); }

ChangeResult failure(ChangeOutcome outcome, const QString& text)
{
    return ChangeResult{outcome, text};
}

ChangeResult ioFailure(const QString& path, const QString& doing, int number)
{
    return failure(ChangeOutcome::Failed,
                   QStringLiteral("%1を%2できません（%3）").arg(native(path), doing, systemText(number)));
}

ChangeResult missing(const QString& path, std::int64_t n)
{
    return failure(ChangeOutcome::Missing, QStringLiteral("%1に記録%2がありません").arg(native(path)).arg(n));
}

bool readFully(int fd, char* data, std::int64_t size, off_t at, int* number)
{
    std::int64_t got = 0;
    while (got < size) {
        const ssize_t r = ::pread(fd, data + got, std::size_t(size - got), at + off_t(got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            *number = r < 0 ? errno : EIO;
            return false;
        }
        got += r;
    }
    return true;
}

// The results file opened for a change and locked for writing (a change
// another process was cut off in already completed), released and closed
// when it goes out of scope.
class LockedFile {
public:
    LockedFile(const QString& path, std::int64_t n) : path_(path)
    {
        // An appender holds the lock for one short write: about a second of
        // tries rides out any number of them.
        FileError error;
        for (int attempt = 0; attempt < 10; ++attempt) {
            fd_ = openResultsForWriting(path, false, &error);
            if (fd_ >= 0 || error.status != FileStatus::SharingConflict)
                break;
        }
        if (fd_ < 0) {
            if (error.status == FileStatus::NotFound)
                result_ = missing(path, n);
            else if (error.status == FileStatus::SharingConflict)
                result_ = failure(ChangeOutcome::Conflict,
                                  QStringLiteral("%1はほかのコンピュータが記録中です").arg(native(path)));
            else
                result_ = failure(ChangeOutcome::Failed, error.description);
            return;
        }
        struct stat st {};
        if (::fstat(fd_, &st) != 0) {
            result_ = ioFailure(path, QStringLiteral("調べることが"), errno);
            return;
        }
        size_ = st.st_size;
        if (n < 1 || n > size_ / kRecordSize)
            result_ = missing(path, n);
    }
    ~LockedFile()
    {
        if (fd_ >= 0)
            closeResultsFile(fd_);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    bool ready() const { return result_.outcome == ChangeOutcome::Done; }
    const ChangeResult& result() const { return result_; }
    int fd() const { return fd_; }
    std::int64_t size() const { return size_; }
    // Closes now, so a failure to close is seen (a network share may report
    // a failed write only here).
    bool close(int* number)
    {
        const bool ok = closeResultsFile(fd_);
        if (!ok)
            *number = errno;
        fd_ = -1;
        return ok;
    }

private:
    QString path_;
    int fd_ = -1;
    std::int64_t size_ = 0;
    ChangeResult result_;
};

// What the teacher is told once a change has been tried.
ChangeResult changeOutcome(const QString& path, const FileError& error, ChangeReach reach, LockedFile& file)
{
    int number = 0;
    if (error.status == FileStatus::Ok) {
        if (!file.close(&number))
            return failure(ChangeOutcome::Unflushed,
                           QStringLiteral("%1の記録は変えましたが、閉じるときにエラーがありました（%2）")
                               .arg(native(path), causeText(number)));
        return {};
    }
    switch (reach) {
    case ChangeReach::NotTouched:
        return failure(ChangeOutcome::Failed, error.description);
    case ChangeReach::Interrupted:
        return failure(ChangeOutcome::Interrupted,
                       QStringLiteral("%1。\n変更は途中までです。次にこのファイルを使うときに、変更を最後まで済ませます")
                           .arg(error.description));
    case ChangeReach::Unflushed:
        return failure(ChangeOutcome::Unflushed,
                       QStringLiteral("%1の記録は変えましたが、ディスクに書き出されたことを確かめられません（%2）")
                           .arg(native(path), causeText(error.number)));
    case ChangeReach::Done:
        break;
    }
    return {};
}

} // namespace

bool fillMaintenanceRoster(const QString& rosterText, int schoolYear, MaintenanceRoster* out, QString* error)
{
    return forEachRosterLine(rosterText, [&](const RosterLine& line) {
        const auto n = std::size_t(line.studentNumber);
        const QString name = trimHalfWidthSpaces(line.studentName);
        out->names[n] = name;
        const QString grade = gradeNameOf(gradeNumberOf(schoolYear, line.birthYear));
        if (!grade.isEmpty())
            out->gradeNames[n] = grade;
        out->entries << studentEntry(line.studentNumber, name);
    }, error);
}

QString studentEntry(int studentNumber, const QString& trimmedName)
{
    return QString::number(studentNumber) + QStringLiteral(" /  ") + trimmedName;
}

QString recordDateText(double date)
{
    const QDate d = std::isfinite(date) && std::abs(date) < 3e6 ? dateFromOle(date) : QDate();
    return d.isValid() ? d.toString(QStringLiteral("yyyy/MM/dd")) : QStringLiteral("----/--/--");
}

QString recordTimeOfDayText(double fraction)
{
    if (!std::isfinite(fraction))
        fraction = 0;
    fraction -= std::floor(fraction);
    const int seconds = std::min(86399, int(std::lround(fraction * 86400.0)));
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int recordNumberWidth(std::int64_t highestRecordNumber)
{
    return std::max<int>(4, int(QString::number(highestRecordNumber).size()));
}

QString recordListLine(std::int64_t number, const ResultRecord& r, const MaintenanceRoster& roster,
                       const RecordLineSettings& settings)
{
    const bool known = isValidStudentNumber(r.Bangou);
    const QString name = known ? roster.names[std::size_t(r.Bangou)] : QString();
    const QString grade = known ? roster.gradeNames[std::size_t(r.Bangou)] : QString();
    QString line;
    line.reserve(80);
    line += QString::number(number).rightJustified(settings.numberWidth, u' ');
    line += u' ';
    line += recordDateText(r.date);
    line += kFullWidthSpace;
    line += recordTimeOfDayText(r.timeOfDay).rightJustified(9, u' ');
    line += QStringLiteral("ﾚﾍﾞﾙ") + QString::number(r.level);
    line += kFullWidthSpace;
    line += QString::number(r.time).rightJustified(5, u' ');
    line += QStringLiteral("秒 ");
    line += kFullWidthSpace;
    line += QString::number(r.Bangou).rightJustified(4, u' ');
    line += u' ';
    line += (name + kFullWidthSpace.repeated(5)).left(6);
    line += u' ';
    line += grade;
    line += QStringLiteral("++");
    line += r.schoolCode == settings.ownSchoolCode ? settings.schoolName : QStringLiteral("他塾");
    return line;
}

RecordLines buildRecordLines(const RawRecords& raw, const MaintenanceRoster& roster, const RecordLineSettings& settings)
{
    RecordLines out;
    out.lines.reserve(raw.size());
    out.numbers.reserve(std::size_t(raw.size()));
    for (std::int64_t i = 0; i < raw.size(); ++i) {
        const char* bytes = raw.record(i);
        ResultRecord r;
        decodeNumbers(bytes, &r);
        if (r.level == 0)
            continue;
        r.schoolCode = cp932::decode(QByteArray(bytes + 24, 5));
        const std::int64_t number = raw.firstRecordNumber + i;
        out.lines << recordListLine(number, r, roster, settings);
        out.numbers.push_back(number);
    }
    return out;
}

std::optional<double> typedNumber(const QString& text)
{
    // Full-width digits, signs and points read as their half-width forms: a
    // teacher typing with the Japanese input method on gets what they see.
    QByteArray ascii;
    ascii.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0x3000)
            ascii += ' ';
        else if (u >= 0xFF01 && u <= 0xFF5E)
            ascii += char(u - 0xFF01 + 0x21);
        else if (u < 0x80)
            ascii += char(u);
        else
            break;
    }
    qsizetype i = 0;
    while (i < ascii.size() && (ascii[i] == ' ' || ascii[i] == '\t'))
        ++i;
    const qsizetype start = i;
    if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-'))
        ++i;
    qsizetype digits = 0;
    while (i < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[i]))) {
        ++i;
        ++digits;
    }
    if (i < ascii.size() && ascii[i] == '.') {
        ++i;
        while (i < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[i]))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < ascii.size() && (ascii[i] == 'e' || ascii[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < ascii.size() && (ascii[j] == '+' || ascii[j] == '-'))
            ++j;
        if (j < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[j]))) {
            while (j < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[j])))
                ++j;
            i = j;
        }
    }
    bool ok = false;
    const double v = ascii.mid(start, i - start).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::int32_t> parseTimeField(const QString& text)
{
    const double v = std::nearbyint(typedNumber(text).value_or(0.0));
    if (v < 0 || v > double(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return std::int32_t(v);
}

std::optional<std::int16_t> parseStudentField(const QString& text)
{
    const qsizetype slash = text.indexOf(u'/');
    if (slash < 0)
        return std::nullopt;
    const std::optional<double> n = typedNumber(text.left(slash));
    if (!n)
        return std::nullopt;
    const double v = std::nearbyint(*n);
    if (v < 0 || v > kMaxStudent)
        return std::nullopt;
    return std::int16_t(v);
}

QByteArray correctedRecord(const QByteArray& raw, std::int16_t Bangou, std::int32_t time)
{
    QByteArray out = raw;
    ResultRecord fields;
    decodeNumbers(raw.constData(), &fields);
    fields.Bangou = Bangou;
    fields.time = time;
    // Only the two numbers are taken from a fresh encoding; the text fields
    // and the padding keep the bytes they were stored with.
    const QByteArray encoded = encodeRecord(fields);
    std::memcpy(out.data() + 16, encoded.constData() + 16, 2);
    std::memcpy(out.data() + 20, encoded.constData() + 20, 4);
    return out;
}

ChangeResult readRawRecord(const QString& path, std::int64_t n, QByteArray* out)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? missing(path, n) : ioFailure(path, QStringLiteral("開くことが"), errno);
    ChangeResult result;
    struct stat st {};
    int number = 0;
    QByteArray bytes(kRecordSize, '\0');
    if (::fstat(fd, &st) != 0)
        result = ioFailure(path, QStringLiteral("調べることが"), errno);
    else if (n < 1 || n > st.st_size / kRecordSize)
        result = missing(path, n);
    else if (!readFully(fd, bytes.data(), kRecordSize, off_t((n - 1) * kRecordSize), &number))
        result = ioFailure(path, QStringLiteral("読むことが"), number);
    ::close(fd);
    if (result.outcome == ChangeOutcome::Done)
        *out = bytes;
    return result;
}

ChangeResult writeRecordInPlace(const QString& path, std::int64_t n, const QByteArray& expected,
                                const QByteArray& replacement)
{
    Q_ASSERT(replacement.size() == kRecordSize);
    LockedFile file(path, n);
    if (!file.ready())
        return file.result();
    const off_t at = off_t((n - 1) * kRecordSize);
    QByteArray current(kRecordSize, '\0');
    int number = 0;
    if (!readFully(file.fd(), current.data(), kRecordSize, at, &number))
        return ioFailure(path, QStringLiteral("読むことが"), number);
    if (!expected.isEmpty() && current != expected)
        return failure(ChangeOutcome::Changed,
                       QStringLiteral("%1の記録%2はほかのコンピュータで変更されています").arg(native(path)).arg(n));
    JournaledChange change;
    change.kind = JournaledChange::Correction;
    change.from = at;
    change.count = file.size() / kRecordSize;
    change.newBytes = replacement;
    ChangeReach reach = ChangeReach::NotTouched;
    const FileError error = makeJournaledChange(file.fd(), path, change, &reach);
    return changeOutcome(path, error, reach, file);
}

ChangeResult deleteRecordInPlace(const QString& path, std::int64_t n, const QByteArray& expected)
{
    LockedFile file(path, n);
    if (!file.ready())
        return file.result();
    // The chosen record and every whole record after it, in one read.
    const std::int64_t count = file.size() / kRecordSize;
    const off_t from = off_t((n - 1) * kRecordSize);
    QByteArray tail(qsizetype((count - n + 1) * kRecordSize), '\0');
    int number = 0;
    if (!readFully(file.fd(), tail.data(), tail.size(), from, &number))
        return ioFailure(path, QStringLiteral("読むことが"), number);
    if (!expected.isEmpty() && tail.left(kRecordSize) != expected)
        return failure(ChangeOutcome::Changed,
                       QStringLiteral("%1の記録%2はほかのコンピュータで変更されています").arg(native(path)).arg(n));
    // The records after it move down by one and the file is shortened,
    // which also drops a trailing fragment; the journal lets whoever locks
    // the file next finish the move if this process is cut off.
    JournaledChange change;
    change.kind = JournaledChange::Deletion;
    change.from = from;
    change.count = count;
    change.newBytes = tail.mid(kRecordSize);
    change.lastOriginal = tail.right(kRecordSize);
    ChangeReach reach = ChangeReach::NotTouched;
    const FileError error = makeJournaledChange(file.fd(), path, change, &reach);
    return changeOutcome(path, error, reach, file);
}

} // namespace soinsuu
