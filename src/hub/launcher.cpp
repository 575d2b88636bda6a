#include "launcher.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace soinsuu {
namespace {

ProgramStarter& starter()
{
    static ProgramStarter s = [](const QString& program, const QStringList& args, const QString& folder) {
        // An argument list, never a shell: folder names with spaces or
        // quotes cannot change what is run.
        return QProcess::startDetached(program, args, folder);
    };
    return s;
}

} // namespace

void setProgramStarter(ProgramStarter s) { starter() = std::move(s); }

bool startLauncher(const QString& programFolder)
{
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(programFolder) + QStringLiteral("/../起動"));
    QString program = folder + QStringLiteral("/プログラムメニューc.exe");
    if (!QFileInfo::exists(program))
        program = folder + QStringLiteral("/プログラムメニューc");
    return starter()(program, {QStringLiteral("001")}, folder);
}

} // namespace soinsuu
