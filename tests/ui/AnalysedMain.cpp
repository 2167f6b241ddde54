#include "AnalysedMain.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <filesystem>

#include "kernel/xKernel.h"
#include "picture/xPicture.h"
#include "settings/xScale.h"
#include "ui/uMain.h"

namespace {

// Bright discs of radius 1 to 6 on a grid.
int Discs(int x, int y) {
    const int i = x / 16, j = y / 16;
    const int cx = i * 16 + 8, cy = j * 16 + 8;
    const int r = 1 + (i * 3 + j) % 6;
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r ? 210 : 25;
}

}  // namespace

void SettleEvents() {
    for (int i = 0; i < 4; ++i) QApplication::processEvents();
}

TAnalysedMain::TAnalysedMain(const std::function<void(TUiEnv&)>& beforeMain)
    : Env("[PICTURE]\nFilterMin=128\nFilterMax=255\n[SCALE]\nLMX=2\nLMY=5\nRMX=12\nRMY=5\n") {
    std::filesystem::create_directories(Env.Temp.File("pics"));
    Picture = Env.Temp.File("pics/cells.pgm");
    WriteTestPicture(Picture, 160, 128, Discs);
    if (beforeMain) beforeMain(Env);
    Main = Env.CreateMain();
    Main->resize(900, 700);
    Main->show();
    SettleEvents();
    Main->OpenPicture(QString::fromStdString(Picture));
    SettleEvents();
    Main->UpdateActions();
    Main->actAnalyse->trigger();
    SettleEvents();
}

TAnalysedMain::~TAnalysedMain() { Env.Finish(Main); }

void AnswerNextFileDialog(QString* openedIn, const QString& name, int filter) {
    QTimer::singleShot(0, [=] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        if (openedIn) *openedIn = QDir(d->directory()).absolutePath();
        if (name.isEmpty()) {
            d->reject();
            return;
        }
        if (filter >= 0) d->selectNameFilter(d->nameFilters().value(filter));
        d->selectFile(QDir(d->directory()).filePath(name));
        QMetaObject::invokeMethod(d, "accept");
    });
}
