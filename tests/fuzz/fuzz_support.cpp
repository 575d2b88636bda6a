#include "fuzz_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace soinsuu::fuzz {

QString scratchFolder()
{
    static const QString folder = [] {
        const QString f = QDir::tempPath() + QStringLiteral("/soinsuu-fuzz-%1/").arg(::getpid());
        QDir().mkpath(f);
        return f;
    }();
    return folder;
}

QString writeScratch(const QString& name, const QByteArray& bytes)
{
    const QString path = scratchFolder() + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        finding("the scratch file could not be written");
    return path;
}

test::TestContext& context()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    // Made in place and never moved: its parts point at one another.
    static test::TestContext* t = [] {
        auto* made = new test::TestContext;
        // Sounds end at once: the targets read lists, they do not listen.
        made->sound.clipMs = 0;
        return made;
    }();
    return *t;
}

void finding(const char* what)
{
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

} // namespace soinsuu::fuzz
