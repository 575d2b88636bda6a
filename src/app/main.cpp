// The drill program: a splash while the installation is read, then the
// chain of windows from name selection to the drill and back.

#include "appnavigator.h"
#include "qtdialogs.h"
#include "qtprinter.h"
#include "startup.h"

#include "foundation/fonts.h"
#include "foundation/runcontext.h"
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
    QtPrinter printer;
    QtPrintDialogs printDialogs;
    auto ctx = std::make_unique<RunContext>();
    AppNavigator navigator(*ctx);
    ctx->services = Services{&clock, &random, &sound, &dialogs, &navigator, &printer, &printDialogs};

    int failure = 0;
    auto splash = std::make_unique<Firstfrm>(*ctx, [&] {
        if (!startUpAndHandOver(*ctx, QCoreApplication::applicationDirPath()))
            failure = 1;
    });
    splash->begin();
    const int code = app.exec();
    return failure ? failure : code;
}
