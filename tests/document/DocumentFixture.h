#pragma once
// An analysed picture of discs of several sizes, with the console and the display
// parameters on a temporary settings file, for building export documents.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "document/OdtReader.h"
#include "kernel/xKernel.h"
#include "support/TestSupport.h"

// Bright discs of radius 1 to 6 on a grid over a dark background.
int DiscsGray(int x, int y);
void WriteDiscsPicture(const std::string& path, int width, int height);

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Sets the export flags F_1 (settings), F_2 (statistics), F_3 (graphs), F_4 (image).
    static void SetExportFlags(bool settings, bool statistics, bool graphs, bool image);
    // Builds the export document into a file and reads it back.
    TOdt Export(const std::string& name = "export.odt");

    TConsoleScope Scope;
    std::string PicturePath;
    std::unique_ptr<TKernel> Kernel;
};
