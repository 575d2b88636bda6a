// Preloaded into a child process: the CUT_WRITE_AT-th positioned write
// writes only the first half of its bytes, and the process is then killed,
// as a machine losing power in the middle of a write leaves a file.

#include <csignal>
#include <cstdlib>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

long writesSeen = 0;

ssize_t cutOrPass(int fd, const void* buf, size_t count, off_t offset)
{
    static const long cutAt = [] {
        const char* v = std::getenv("CUT_WRITE_AT");
        return v ? std::atol(v) : 0L;
    }();
    if (++writesSeen == cutAt && count > 1) {
        ::syscall(SYS_pwrite64, fd, buf, count / 2, offset);
        ::kill(::getpid(), SIGKILL);
    }
    return ::syscall(SYS_pwrite64, fd, buf, count, offset);
}

} // namespace

extern "C" ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset)
{
    return cutOrPass(fd, buf, count, offset);
}

extern "C" ssize_t pwrite64(int fd, const void* buf, size_t count, off_t offset)
{
    return cutOrPass(fd, buf, count, offset);
}
