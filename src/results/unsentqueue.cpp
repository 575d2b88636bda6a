#include "unsentqueue.h"

#include "changejournal.h"
#include "resultsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace soinsuu {
namespace {

QString describe(const QString& path, const QString& doing, int number)
{
    return QStringLiteral("%1を%2できません（%3）").arg(QDir::toNativeSeparators(path), doing, causeText(number));
}

} // namespace

QString unsentQueuePath()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/soinsuu/未送信成績.dat");
}

bool readUnsentRecords(std::vector<QByteArray>* out, QString* error)
{
    out->clear();
    const QString path = unsentQueuePath();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        *error = describe(path, QStringLiteral("開くことが"), errno);
        return false;
    }
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = describe(path, QStringLiteral("読むことが"), errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buffer, qsizetype(n));
    }
    ::close(fd);
    // The queue is only ever replaced whole; a fragment is no record.
    for (qsizetype at = 0; at + kRecordSize <= bytes.size(); at += kRecordSize)
        out->push_back(bytes.mid(at, kRecordSize));
    return true;
}

bool writeUnsentRecords(const std::vector<QByteArray>& records, QString* error)
{
    const QString path = unsentQueuePath();
    int number = 0;
    if (records.empty()) {
        if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT) {
            *error = describe(path, QStringLiteral("消すことが"), errno);
            return false;
        }
        flushFolder(QFileInfo(path).absolutePath(), &number);
        return true;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = describe(folder, QStringLiteral("作ることが"), EACCES);
        return false;
    }
    QByteArray bytes;
    for (const QByteArray& r : records)
        bytes += r;
    if (!replaceFileAtomically(path, bytes, &number)) {
        *error = describe(path, QStringLiteral("書き込むことが"), number);
        return false;
    }
    return true;
}

} // namespace soinsuu
