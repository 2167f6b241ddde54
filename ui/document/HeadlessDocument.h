#pragma once
// The export document for front ends without windows (morvex-cli): no Qt type in sight.
#include <memory>
#include <string>

class ISeries;
class TKernel;

// Qt's GUI module on the offscreen platform, for the life of this object, when the process
// has no Qt application yet (fonts and pictures need one; no window system is used).
class THeadlessGui {
public:
    THeadlessGui();
    ~THeadlessGui();
    THeadlessGui(const THeadlessGui&) = delete;
    THeadlessGui& operator=(const THeadlessGui&) = delete;

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};

// Writes the export document of the kernel's current state (the report's lines, the
// picture and the distribution charts as the export flags ask) to path as OpenDocument
// text, replacing a file there. Needs a Qt application (THeadlessGui). Returns an empty
// text, or what went wrong.
std::string SaveExportDocument(TKernel& kernel, ISeries& radius, ISeries& distance, ISeries& area,
                               const std::string& path);
