// The drill program: a splash while the installation is read, then the
// chain of windows from name selection to the drill and back.

#include "appnavigator.h"
#include "qtdialogs.h"

#include "foundation/fonts.h"
#include "foundation/runcontext.h"
#include "foundation/settings.h"
#include "foundation/soundoutput.h"
#include "foundation/windows.h"

#include <QApplication>

#include <memory>

using namespace soinsuu;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Windows hand over to one another; only an explicit end stops the program.
    app.setQuitOnLastWindowClosed(false);
    installFontSubstitutions();

    SystemClock clock;
    StandardRandom random;
    QtSoundOutput sound;
    QtDialogs dialogs;
    auto ctx = std::make_unique<RunContext>();
    AppNavigator navigator(*ctx);
    ctx->services = Services{&clock, &random, &sound, &dialogs, &navigator};

    int failure = 0;
    auto splash = std::make_unique<Firstfrm>(*ctx, [&] {
        QString error;
        if (!startUp(*ctx, QCoreApplication::applicationDirPath(), &error)) {
            dialogs.message(QStringLiteral("起動できません"),
                            QStringLiteral("データファイルを読めないため起動できません。先生を呼びなさい。\n\n") + error,
                            Dialogs::Icon::Critical);
            failure = 1;
            navigator.endProgram(1);
            return;
        }
        navigator.showNameSelection();
    });
    splash->begin();
    const int code = app.exec();
    return failure ? failure : code;
}
