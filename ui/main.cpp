// Morvex, the desktop program. Start-up: the console (with its hidden window) and the
// display parameters first, then the splash, the main window with the kernel and the
// preferences dialog. Shut-down in reverse, so that every settings section is written
// while the console exists.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>
#include <memory>

#include "MorvexVersion.h"
#include "console/uConsole.h"
#include "console/xConsole.h"
#include "console/xInfo.h"
#include "platform/SystemInfo.h"
#include "settings/uParams.h"
#include "settings/xParams.h"
#include "ui/Glyphs.h"
#include "ui/uAbout.h"
#include "ui/uMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvex"));
    QApplication::setApplicationVersion(TfrmAbout::VersionText(QStringLiteral(MORVEX_FILE_VERSION)));
    QApplication::setWindowIcon(GlyphIcon(TGlyph::Program));
    // The program ends when the main window closes, whatever other windows are open.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Quantitative analysis of grayscale microscope images."));
    options.addHelpOption();
    options.addVersionOption();
    options.addPositionalArgument(QStringLiteral("image"), QStringLiteral("An image file to open at start."),
                                  QStringLiteral("[image]"));
    options.process(app);

    // Modules: the console with its window, then the display parameters.
    auto* consoleWindow = new TfrmConsole;
    consoleWindow->setAttribute(Qt::WA_QuitOnClose, false);
    Console = new TConsole(consoleWindow, DefaultSettingsFileName(ProgramPath()));
    Params = new TParams;

    // Splash, shown and painted at once.
    auto* splash = new TfrmAbout;
    splash->setAttribute(Qt::WA_QuitOnClose, false);
    if (Console->Info) splash->txtVersion->setText(QString::fromStdString(Console->Info->VersionText()));
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    auto* frmMain = new TfrmMain(consoleWindow);
    frmMain->SetAboutBox(splash);
    auto* dlgParams = new TdlgParams;
    dlgParams->setAttribute(Qt::WA_QuitOnClose, false);
    frmMain->SetParamsDialog(dlgParams);
    splash->Timer->start();

    frmMain->showMaximized();
    splash->raise();
    if (!options.positionalArguments().isEmpty())
        frmMain->OpenPicture(QFileInfo(options.positionalArguments().first()).absoluteFilePath());

    const int code = QApplication::exec();

    delete splash;
    delete frmMain;    // writes INTERFACE, frees the kernel (KERNEL, PICTURE, ZONE, SCALE)
    delete dlgParams;
    delete Params;     // writes COLORS and FLAGS
    Params = nullptr;
    delete Console;
    Console = nullptr;
    delete consoleWindow;
    return code;
}
