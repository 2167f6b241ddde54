#include "document/DocumentFixture.h"

#include <QTextDocument>

#include "kernel/xSeries.h"
#include "picture/xPicture.h"
#include "settings/xParams.h"
#include "ui/document/ReportDocument.h"

int DiscsGray(int x, int y) {
    const int i = x / 16, j = y / 16;
    const int cx = i * 16 + 8, cy = j * 16 + 8;
    const int r = 1 + (i * 3 + j) % 6;
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r ? 210 : 25 + (x + y) % 7;
}

void WriteDiscsPicture(const std::string& path, int width, int height) {
    std::string data = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) data += static_cast<char>(DiscsGray(x, y));
    WriteFile(path, data);
}

void DocumentTest::SetUp() {
    Params = new TParams;
    PicturePath = Scope.Temp.File("cells.pgm");
    WriteDiscsPicture(PicturePath, 160, 128);
    Kernel = std::make_unique<TKernel>(nullptr, nullptr, nullptr, nullptr, Scope.Temp.File("Plugins/"));
    Kernel->LoadPicture(PicturePath);
    Kernel->Picture->SetFilterMin(128);
    Kernel->Picture->SetFilterMax(255);
    Kernel->Scale->SetMark({0, 0}, {9, 0});
    Kernel->Analyse();
}

void DocumentTest::TearDown() {
    Kernel.reset();
    delete Params;
    Params = nullptr;
}

void DocumentTest::SetExportFlags(bool settings, bool statistics, bool graphs, bool image) {
    Params->Flags[1] = settings;
    Params->Flags[2] = statistics;
    Params->Flags[3] = graphs;
    Params->Flags[4] = image;
}

TOdt DocumentTest::Export(const std::string& name) {
    TSeriesData r, d, a;
    std::unique_ptr<QTextDocument> document = BuildExportDocument(*Kernel, r, d, a);
    const std::string path = Scope.Temp.File(name);
    const QString error = SaveOpenDocument(*document, QString::fromStdString(path));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return ReadOdt(path);
}
