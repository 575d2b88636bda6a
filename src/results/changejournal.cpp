#include "changejournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace soinsuu {

bool writeWholeAt(int fd, const char* data, std::int64_t size, off_t at, int* number)
{
    std::int64_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, std::size_t(size - done), at + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *number = n < 0 ? errno : EIO;
            return false;
        }
        done += n;
    }
    return true;
}

namespace {

const QByteArray kMagic("SOINSUU-CHANGE-1");

std::uint64_t checksum(const char* data, qsizetype size)
{
    // FNV-1a: enough to tell a journal that was written whole from one a
    // cut-off write left behind.
    std::uint64_t h = 1469598103934665603ull;
    for (qsizetype i = 0; i < size; ++i) {
        h ^= std::uint8_t(data[i]);
        h *= 1099511628211ull;
    }
    return h;
}

template <typename T>
void put(QByteArray& b, T value)
{
    char bytes[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = char((std::uint64_t(value) >> (8 * i)) & 0xFF);
    b.append(bytes, sizeof(T));
}

template <typename T>
T get(const char* p)
{
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v |= std::uint64_t(std::uint8_t(p[i])) << (8 * i);
    return T(v);
}

QByteArray encodeJournal(const JournaledChange& c)
{
    QByteArray b = kMagic;
    put<std::int32_t>(b, c.kind);
    put<std::int64_t>(b, c.from);
    put<std::int64_t>(b, c.count);
    put<std::int64_t>(b, c.newBytes.size());
    b += c.newBytes;
    b += c.lastOriginal.leftJustified(kRecordSize, '\0', true);
    put<std::uint64_t>(b, checksum(b.constData(), b.size()));
    return b;
}

bool decodeJournal(const QByteArray& b, JournaledChange* c)
{
    const qsizetype head = kMagic.size() + 4 + 8 + 8 + 8;
    if (b.size() < head + kRecordSize + 8 || !b.startsWith(kMagic))
        return false;
    const char* p = b.constData() + kMagic.size();
    const auto kind = get<std::int32_t>(p);
    c->from = get<std::int64_t>(p + 4);
    c->count = get<std::int64_t>(p + 12);
    const auto size = get<std::int64_t>(p + 20);
    if (size < 0 || size != b.size() - head - kRecordSize - 8)
        return false;
    if (get<std::uint64_t>(b.constData() + b.size() - 8) != checksum(b.constData(), b.size() - 8))
        return false;
    if (kind != JournaledChange::Correction && kind != JournaledChange::Deletion)
        return false;
    c->kind = JournaledChange::Kind(kind);
    c->newBytes = b.mid(head, qsizetype(size));
    c->lastOriginal = b.mid(head + qsizetype(size), kRecordSize);
    return c->from >= 0 && c->count >= 0;
}

bool readAll(int fd, char* data, qsizetype size, off_t at, int* number)
{
    qsizetype got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, data + got, std::size_t(size - got), at + off_t(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *number = n < 0 ? errno : EIO;
            return false;
        }
        got += n;
    }
    return true;
}

// Some file systems (a share among them) cannot flush; only a real
// failure counts.
bool flushFile(int fd, int* number)
{
    if (::fsync(fd) == 0 || errno == EINVAL || errno == EROFS)
        return true;
    *number = errno;
    return false;
}

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

FileError failure(int number, const QString& path, const QString& doing)
{
    FileError e;
    e.status = FileStatus::Failed;
    e.number = number;
    e.description = QStringLiteral("%1を%2できません（%3）").arg(native(path), doing, causeText(number));
    return e;
}

bool removeJournal(const QString& path, int* number)
{
    const QByteArray name = QFile::encodeName(changeJournalPath(path));
    if (::unlink(name.constData()) != 0 && errno != ENOENT) {
        *number = errno;
        return false;
    }
    return flushFolder(QFileInfo(path).absolutePath(), number);
}

// Writes what the journal says; `truncate` for a deletion whose file has
// not been shortened yet.
FileError apply(int fd, const QString& path, const JournaledChange& c, bool truncate, ChangeReach* reach)
{
    int number = 0;
    *reach = ChangeReach::Interrupted;
    if (const int injected = injectedResultsError(ResultsStep::Write))
        return failure(injected, path, QStringLiteral("書き換えることが"));
    if (!writeWholeAt(fd, c.newBytes.constData(), c.newBytes.size(), off_t(c.from), &number))
        return failure(number, path, QStringLiteral("書き換えることが"));
    if (truncate && ::ftruncate(fd, off_t(c.from + c.newBytes.size())) != 0)
        return failure(errno, path, QStringLiteral("書き換えることが"));
    number = injectedResultsError(ResultsStep::Flush);
    if (number != 0 || !flushFile(fd, &number)) {
        // The journal stays: the next lock writes the same bytes again.
        *reach = ChangeReach::Unflushed;
        return failure(number, path, QStringLiteral("ディスクに書き出すことが"));
    }
    *reach = ChangeReach::Done;
    // A journal left behind only makes the next lock write the same bytes
    // again, which changes nothing.
    removeJournal(path, &number);
    return {};
}

bool readJournal(const QString& journal, QByteArray* out, int* number)
{
    const int fd = ::open(QFile::encodeName(journal).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *number = errno;
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok)
        *number = errno;
    if (ok) {
        out->resize(qsizetype(st.st_size));
        ok = readAll(fd, out->data(), out->size(), 0, number);
    }
    ::close(fd);
    return ok;
}

} // namespace

QString changeJournalPath(const QString& resultsPath) { return resultsPath + QStringLiteral(".journal"); }

bool changeJournalExists(const QString& resultsPath)
{
    struct stat st {};
    return ::stat(QFile::encodeName(changeJournalPath(resultsPath)).constData(), &st) == 0;
}

bool flushFolder(const QString& folder, int* number)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true;  // a folder that cannot be opened cannot be flushed either
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS || errno == EBADF;
    if (!ok)
        *number = errno;
    ::close(fd);
    return ok;
}

bool replaceFileAtomically(const QString& path, const QByteArray& bytes, int* number)
{
    const QByteArray target = QFile::encodeName(path);
    // One name: a file left by a process cut off here is simply written
    // over the next time.
    const QByteArray temp = target + ".tmp";
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0664);
    if (fd < 0) {
        *number = errno;
        return false;
    }
    ::fchmod(fd, 0664);
    bool ok = writeWholeAt(fd, bytes.constData(), bytes.size(), 0, number) && flushFile(fd, number);
    if (::close(fd) != 0 && ok) {
        *number = errno;
        ok = false;
    }
    if (ok && ::rename(temp.constData(), target.constData()) != 0) {
        *number = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.constData());
        return false;
    }
    return flushFolder(QFileInfo(path).absolutePath(), number);
}

FileError makeJournaledChange(int fd, const QString& path, const JournaledChange& change, ChangeReach* reach)
{
    *reach = ChangeReach::NotTouched;
    int number = 0;
    if (!replaceFileAtomically(changeJournalPath(path), encodeJournal(change), &number)) {
        removeJournal(path, &number);
        return failure(number, changeJournalPath(path), QStringLiteral("書き込むことが"));
    }
    return apply(fd, path, change, change.kind == JournaledChange::Deletion, reach);
}

FileError finishInterruptedChange(int fd, const QString& path)
{
    const QString journal = changeJournalPath(path);
    QByteArray bytes;
    int number = 0;
    if (!readJournal(journal, &bytes, &number)) {
        if (number == ENOENT)
            return {};
        return failure(number, journal, QStringLiteral("読むことが"));
    }
    JournaledChange c;
    if (!decodeJournal(bytes, &c)) {
        // Cut off while it was being written: the results file was never
        // touched.
        if (!removeJournal(path, &number))
            return failure(number, journal, QStringLiteral("消すことが"));
        return {};
    }
    bool truncate = false;
    if (c.kind == JournaledChange::Deletion) {
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            return failure(errno, path, QStringLiteral("調べることが"));
        const std::int64_t whole = st.st_size / kRecordSize;
        // Not shortened yet while the last record it had is still where it
        // was (a record appended after the shortening lies there instead).
        if (c.count >= 1 && whole >= c.count) {
            QByteArray last(kRecordSize, '\0');
            if (!readAll(fd, last.data(), kRecordSize, off_t((c.count - 1) * kRecordSize), &number))
                return failure(number, path, QStringLiteral("読むことが"));
            truncate = last == c.lastOriginal;
        }
        if (truncate && whole > c.count) {
            // Another program of the family appended after the cut-off:
            // its records move down with the rest, so the journal takes
            // them in before anything moves.
            const qsizetype extra = qsizetype((whole - c.count) * kRecordSize);
            QByteArray appended(extra, '\0');
            if (!readAll(fd, appended.data(), extra, off_t(c.count * kRecordSize), &number))
                return failure(number, path, QStringLiteral("読むことが"));
            c.newBytes += appended;
            c.lastOriginal = appended.right(kRecordSize);
            c.count = whole;
            if (!replaceFileAtomically(journal, encodeJournal(c), &number))
                return failure(number, journal, QStringLiteral("書き込むことが"));
        }
    }
    ChangeReach reach = ChangeReach::NotTouched;
    return apply(fd, path, c, truncate, &reach);
}

} // namespace soinsuu
