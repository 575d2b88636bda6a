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
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

using namespace soinsuu;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Windows hand over to one another; only an explicit end stops the program.
    app.setQuitOnLastWindowClosed(false);
    installFontSubstitutions();
    // Qt's own dialogs (the print and file dialogs, the message boxes'
    // buttons) speak Japanese like the rest of the program.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);

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
