#pragma once
// Leaving the drill for the family's launcher.

#include <QString>
#include <QStringList>
#include <functional>

namespace soinsuu {

// Starts a program detached: (program, arguments, working folder) -> started.
using ProgramStarter = std::function<bool(const QString&, const QStringList&, const QString&)>;

// Replaces how programs are started (tests record the call instead).
void setProgramStarter(ProgramStarter starter);

// Starts "プログラムメニューc.exe" in the folder "起動" beside the program
// folder with the argument "001"; where that file is missing, the same name
// without ".exe". Returns whether a launcher was started.
bool startLauncher(const QString& programFolder);

} // namespace soinsuu
