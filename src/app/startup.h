#pragma once
#include "foundation/runcontext.h"

namespace soinsuu {

// Runs start-up for the program in `executableFolder` and hands over to the
// name-selection window. A broken installation is reported in a message box
// naming the file, and the program ends with status 1. Returns whether
// start-up succeeded.
bool startUpAndHandOver(RunContext& ctx, const QString& executableFolder);

} // namespace soinsuu
