// Checks that a folder of the data root takes the results file's lock the
// way the drill takes it: a lock that one process holds must keep another
// process out, and must let it in once released. A mount that fakes locks
// (NFS without its lock manager, SMB with nobrl) fails here instead of
// letting two machines append to the results file at the same time.
//
// Usage: soinsuu-lockcheck <folder>

#include "results/resultsfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum ChildResult { kLocked = 0, kBlocked = 1, kFailed = 2 };

// Another process tries the lock, as another machine's drill would.
int tryInAnotherProcess(const std::string& path)
{
    const pid_t pid = fork();
    if (pid < 0)
        return kFailed;
    if (pid == 0) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            _exit(kFailed);
        if (soinsuu::lockResultsFile(fd, F_WRLCK) == 0)
            _exit(kLocked);
        _exit(errno == EAGAIN || errno == EACCES ? kBlocked : kFailed);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : kFailed;
}

int fail(const std::string& path, const char* what, int err)
{
    std::fprintf(stderr, "%s: %s%s%s\n", path.c_str(), what, err ? ": " : "", err ? std::strerror(err) : "");
    ::unlink(path.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "使い方: soinsuu-lockcheck フォルダ\n");
        return 2;
    }
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const std::string path = std::string(argv[1]) + "/.soinsuu-lockcheck-" + host + "-" + std::to_string(getpid());

    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0660);
    if (fd < 0) {
        std::fprintf(stderr, "%s: ファイルを作れません: %s\n", path.c_str(), std::strerror(errno));
        return 1;
    }
    if (soinsuu::lockResultsFile(fd, F_WRLCK) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(path, "ロックできません", err);
    }
    const int whileHeld = tryInAnotherProcess(path);
    if (soinsuu::lockResultsFile(fd, F_UNLCK) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(path, "ロックを外せません", err);
    }
    const int afterRelease = tryInAnotherProcess(path);
    ::close(fd);
    if (whileHeld == kLocked)
        return fail(path, "ロックが効いていません（別のプロセスも同時にロックできました）", 0);
    if (whileHeld != kBlocked)
        return fail(path, "別のプロセスからロックを確かめられません", 0);
    if (afterRelease != kLocked)
        return fail(path, "ロックを外した後も別のプロセスがロックできません", 0);
    ::unlink(path.c_str());
    std::printf("ロックは正しく効きます: %s\n", argv[1]);
    return 0;
}
