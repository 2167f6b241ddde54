// Renders the program's windows to PNG files for a look at them, and times the steps that
// must stay fluid: one band-drag step and one track-bar step over a large picture.
//   morvex-ui-shots OUTDIR
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTabWidget>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "UiSupport.h"
#include "console/xConsole.h"
#include "kernel/xKernel.h"
#include "picture/xPicture.h"
#include "settings/uParams.h"
#include "settings/xParams.h"
#include "ui/ChartPicture.h"
#include "ui/ChartSeries.h"
#include "ui/ImageView.h"
#include "ui/PaintBox.h"
#include "ui/uAbout.h"
#include "ui/uMain.h"

namespace {

void Save(QWidget* w, const QString& file) {
    w->grab().save(file);
    std::printf("wrote %s (%dx%d)\n", qPrintable(file), w->width(), w->height());
}

void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// An 8-megapixel picture with 10000 grains on a grid, with some scatter of size.
void WriteLargePicture(const std::string& path, int w, int h) {
    std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h, 60);
    std::mt19937 rng(7);
    const int cols = 100, rows = 100;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) {
            const int cx = (2 * i + 1) * w / (2 * cols), cy = (2 * j + 1) * h / (2 * rows);
            const int r = 4 + static_cast<int>(rng() % 7);
            for (int y = cy - r; y <= cy + r; ++y)
                for (int x = cx - r; x <= cx + r; ++x)
                    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                        px[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(180 + rng() % 40);
        }
    std::ofstream out(path, std::ios::binary);
    out << "P5\n" << w << " " << h << "\n255\n";
    out.write(reinterpret_cast<const char*>(px.data()), static_cast<std::streamsize>(px.size()));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // --screen FILE: a picture of the whole screen (to look at the running program).
    if (argc > 2 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--screen")) {
        const bool ok = QApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(argv[2]));
        std::printf("%s %s\n", ok ? "wrote" : "could not write", argv[2]);
        return ok ? 0 : 1;
    }
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    std::filesystem::create_directories(out.toStdString());

    // The sample micrograph with its settings, band colouring on.
    std::string ini = ReadFile(SampleFolder() + "morvex.ini");
    ini += "\n[INTERFACE]\nReportPanel=230\n";
    ini.replace(ini.find("[PICTURE]"), 9, "[PICTURE]\nFilter=1\nZoom=3");
    {
        TUiEnv env(ini);
        auto main = env.CreateMain();
        auto* params = new TdlgParams;
        main->SetParamsDialog(params);
        main->resize(1400, 900);
        main->show();
        Settle();
        main->OpenPicture(QString::fromStdString(SampleFolder() + "sample.png"));
        Settle();
        main->actAnalyseExecute();
        Settle();
        // The lens at a grain.
        main->Kernel->PointerPos = {8 + 300, 8 + 200};
        main->LensBox->Invalidate();
        Settle();
        Save(main.get(), out + "/main.png");
        main->PageControl1->setCurrentIndex(1);
        Settle();
        Save(main->Panel5, out + "/results-distance.png");
        // The distance chart as the context menu saves it, and the export document.
        for (const auto& [format, name] : {std::pair{TChartFormat::Png, "/chart-distance.png"},
                                           std::pair{TChartFormat::Svg, "/chart-distance.svg"},
                                           std::pair{TChartFormat::Pdf, "/chart-distance.pdf"}}) {
            const QString error = SaveChartFile(*main->Series2->View(), out + QString::fromLatin1(name), format);
            std::printf("%s %s\n", error.isEmpty() ? "wrote" : qPrintable(error), name);
        }
        main->ExportFolder = out;
        main->OpenDocument = [](const QString&) { return true; };
        main->actExportWordExecute();
        std::printf("wrote %s\n", qPrintable(main->LastDocument));

        // Rubber bands in the middle of their drags: the left zone edge moved 60 pixels to
        // the right, a scale line and a band rectangle.
        TKernel& k = *main->Kernel;
        const TViewRect z = k.Picture->ZoneInView();
        const int my = (z.Top + z.Bottom) / 2;
        k.MouseDown(TMouseButton::Left, TShiftState{}, z.Left, my);
        for (int x = z.Left + 10; x <= z.Left + 60; x += 10) k.MouseMove(TShiftState{}, x, my, false);
        TShiftState ctrl;
        ctrl.Ctrl = true;
        TShiftState alt;
        alt.Alt = true;
        k.PointerMode = 0;
        k.MouseDown(TMouseButton::Left, ctrl, 300, 120);
        k.MouseMove(TShiftState{}, 420, 160, false);
        k.PointerMode = 0;
        k.MouseDown(TMouseButton::Left, alt, 500, 300);
        k.MouseMove(TShiftState{}, 600, 380, false);
        Settle();
        Save(main->ScrollBox, out + "/view-dragging.png");
        k.MouseUp(600, 380);  // the band rectangle ends: band from the sample
        Settle();
        main->PageControl1->setCurrentIndex(0);

        // Console with a few commands.
        env.ConsoleWindow->ShowWindow();
        Console->ExecuteLine("?");
        Console->ExecuteLine("console");
        Console->ExecuteLine(">console>echo");
        Console->ExecuteLine(">console>nosuch");
        env.ConsoleWindow->Edit->setText(QStringLiteral(">console>"));
        Settle();
        Save(env.ConsoleWindow.get(), out + "/console.png");

        params->LoadFromParams();
        params->ListBox->setCurrentRow(4);
        params->show();
        Settle();
        Save(params, out + "/preferences.png");
        params->hide();

        TfrmAbout about;
        about.show();
        Settle();
        Save(&about, out + "/splash.png");

        env.Finish(main);
        delete params;
    }

    // Timing: an 8-megapixel picture with 10000 features, at 50 %.
    {
        TUiEnv env("[PICTURE]\nZoom=2\nFilter=1\nFilterMin=150\nFilterMax=255\n"
                   "[SCALE]\nLMX=10\nRMX=109\nLMY=10\nRMY=10\nValue=2\n");
        const std::string path = env.Temp.File("large.pgm");
        WriteLargePicture(path, 3264, 2448);
        auto main = env.CreateMain();
        main->resize(1400, 900);
        main->show();
        Settle();
        QElapsedTimer t;
        t.start();
        main->OpenPicture(QString::fromStdString(path));
        Settle();
        std::printf("open and first paint: %lld ms\n", static_cast<long long>(t.elapsed()));
        t.restart();
        main->actAnalyseExecute();
        Settle();
        std::printf("analyse: %lld ms, %zu features\n", static_cast<long long>(t.elapsed()),
                    main->Kernel->Dots.size());
        main->Kernel->FFilter = false;
        main->Kernel->RFilter = false;

        const int steps = 10;
        // One band-drag step: the bound moves, the band colouring is rendered again, the view
        // (results, picture, outlines) and the bar are repainted.
        main->PaintBox1MouseDown(Qt::LeftButton, 70);
        main->ScrollBox->RenderNow();
        t.restart();
        for (int i = 0; i < steps; ++i) {
            main->PaintBox1MouseMove(71 + i % 3);
            main->ScrollBox->RenderNow();
            main->PaintBox1->RenderNow();
        }
        main->PaintBox1MouseUp();
        std::printf("band drag: %.1f ms per step\n", double(t.elapsed()) / steps);

        // One track-bar step: the threshold changes, the view is repainted.
        main->Kernel->FFilter = true;
        t.restart();
        for (int i = 0; i < steps; ++i) {
            main->trkDBarrier->setValue(51 + i);
            main->ScrollBox->RenderNow();
        }
        std::printf("track bar: %.1f ms per step\n", double(t.elapsed()) / steps);

        // Of which the results pass alone.
        t.restart();
        for (int i = 0; i < steps; ++i) main->ShowResults();
        std::printf("  results pass and list/charts: %.1f ms\n", double(t.elapsed()) / steps);
        t.restart();
        for (int i = 0; i < steps; ++i) {
            main->ScrollBox->PrepareBuffer();
            main->Kernel->PaintView();
        }
        std::printf("  picture and overlays: %.1f ms\n", double(t.elapsed()) / steps);
        t.restart();
        for (int i = 0; i < steps; ++i) {
            main->Kernel->DrawZone(true);
            main->Kernel->DrawZone(true);
        }
        std::printf("edge drag step (two XOR frames): %.2f ms\n", double(t.elapsed()) / steps);

        // The same band drag at 200 % (a 32-megapixel display image).
        main->cmbZoomChange(5);
        main->ScrollBox->RenderNow();
        main->PaintBox1MouseDown(Qt::LeftButton, 70);
        t.restart();
        for (int i = 0; i < steps; ++i) {
            main->PaintBox1MouseMove(71 + i % 3);
            main->ScrollBox->RenderNow();
            main->PaintBox1->RenderNow();
        }
        main->PaintBox1MouseUp();
        std::printf("band drag at 200 %%: %.1f ms per step\n", double(t.elapsed()) / steps);
        t.restart();
        for (int i = 0; i < steps; ++i) {
            main->trkDBarrier->setValue(70 + i);
            main->ScrollBox->RenderNow();
        }
        std::printf("track bar at 200 %%: %.1f ms per step\n", double(t.elapsed()) / steps);
        env.Finish(main);
    }
    return 0;
}
