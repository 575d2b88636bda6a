#include "startup.h"

#include "foundation/settings.h"
#include "results/resultsfile.h"

namespace soinsuu {

bool startUpAndHandOver(RunContext& ctx, const QString& executableFolder)
{
    QString error;
    if (!startUp(ctx, executableFolder, &error)) {
        ctx.dialogs().message(QStringLiteral("起動できません"),
                              QStringLiteral("データファイルを読めないため起動できません。先生を呼びなさい。\n\n") + error,
                              Dialogs::Icon::Critical);
        ctx.navigator().endProgram(1);
        return false;
    }
    // Runs this machine could not record last time go first.
    sendUnsentResults(ctx);
    ctx.navigator().showNameSelection();
    return true;
}

} // namespace soinsuu
