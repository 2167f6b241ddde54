#include "cli/AnalyseCommand.h"

#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "cli/BatchSink.h"
#include "cli/ConsoleModules.h"
#include "console/xConsole.h"
#include "kernel/xKernel.h"
#include "kernel/xReport.h"
#include "picture/xPicture.h"
#include "platform/ImageFile.h"
#include "platform/ProfileFile.h"
#ifdef MORVEX_HAVE_DOCUMENT
#include "ui/document/HeadlessDocument.h"
#endif
#include "plugins/host/xPlugData.h"
#include "plugins/host/xPlugExec.h"
#include "xStats.h"

namespace fs = std::filesystem;

namespace {

class TUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Shortest text that reads back as the same double, "." as separator.
std::string Shortest(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::vector<std::int32_t> ParseIntList(const std::string& text, std::size_t count, const char* option) {
    std::vector<std::int32_t> values;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        std::int32_t v = 0;
        const auto r = std::from_chars(item.data(), item.data() + item.size(), v);
        if (item.empty() || r.ec != std::errc() || r.ptr != item.data() + item.size())
            throw TUsageError(std::string(option) + ": \"" + item + "\" is not an integer");
        values.push_back(v);
    }
    if (values.size() != count)
        throw TUsageError(std::string(option) + " needs " + std::to_string(count) + " comma-separated integers");
    return values;
}

// "off" or a percentage 0..100.
void ApplyFilter(TProfileFile& ini, const std::string& text, const char* option, const char* onKey,
                 const char* barrierKey) {
    if (text.empty()) return;
    if (text == "off") {
        ini.WriteBool("KERNEL", onKey, false);
        return;
    }
    const auto v = ParseIntList(text, 1, option)[0];
    if (v < 0 || v > 100) throw TUsageError(std::string(option) + " must be 0..100 or off");
    ini.WriteBool("KERNEL", onKey, true);
    ini.WriteInteger("KERNEL", barrierKey, v);
}

bool ParseOnOff(const std::string& text, const char* option) {
    if (text == "on") return true;
    if (text == "off") return false;
    throw TUsageError(std::string(option) + " must be on or off");
}

// Writes the command-line overrides into a private copy of the settings, so that the
// program reads them exactly as if they were stored in its settings file.
void WriteOverrides(const TAnalyseOptions& o, const std::string& iniPath) {
    TProfileFile ini(iniPath);
    auto check = [&](bool ok) {
        if (!ok) throw std::runtime_error("cannot write temporary settings: " + ini.LastError());
    };
    check(ini.WriteBool("KERNEL", "Preload", false));
    if (!o.Zone.empty()) {
        const auto z = ParseIntList(o.Zone, 4, "--zone");
        check(ini.WriteInteger("ZONE", "Left", z[0]));
        check(ini.WriteInteger("ZONE", "Top", z[1]));
        check(ini.WriteInteger("ZONE", "Right", z[2]));
        check(ini.WriteInteger("ZONE", "Bottom", z[3]));
    }
    if (!o.Band.empty()) {
        const auto b = ParseIntList(o.Band, 2, "--band");
        if (b[0] < 0 || b[1] > 255 || b[0] > b[1]) throw TUsageError("--band must be MIN,MAX with 0 <= MIN <= MAX <= 255");
        check(ini.WriteInteger("PICTURE", "FilterMin", b[0]));
        check(ini.WriteInteger("PICTURE", "FilterMax", b[1]));
    }
    if (!o.Mark.empty()) {
        const auto m = ParseIntList(o.Mark, 4, "--mark");
        check(ini.WriteInteger("SCALE", "LMX", m[0]));
        check(ini.WriteInteger("SCALE", "LMY", m[1]));
        check(ini.WriteInteger("SCALE", "RMX", m[2]));
        check(ini.WriteInteger("SCALE", "RMY", m[3]));
    }
    if (o.Value >= 0) check(ini.WriteInteger("SCALE", "Value", o.Value));
    if (!o.Unit.empty()) {
        static const std::map<std::string, int> units{{"nm", 0}, {"um", 1}, {"mm", 2}, {"cm", 3}, {"m", 4}};
        const auto it = units.find(o.Unit);
        if (it == units.end()) throw TUsageError("--unit must be one of nm, um, mm, cm, m");
        check(ini.WriteInteger("SCALE", "Dims", it->second));
    }
    if (o.Vertical) check(ini.WriteBool("SCALE", "Vertical", true));
    if (o.Horizontal) check(ini.WriteBool("SCALE", "Vertical", false));
    ApplyFilter(ini, o.FillFilter, "--fill-filter", "FFilter", "FBarrier");
    ApplyFilter(ini, o.RadialFilter, "--radial-filter", "RFilter", "RBarrier");
    if (!o.FillRadius.empty()) check(ini.WriteBool("KERNEL", "FillRad", ParseOnOff(o.FillRadius, "--fill-radius")));
    if (!o.Containment.empty()) check(ini.WriteBool("FLAGS", "F_7", ParseOnOff(o.Containment, "--containment")));
}

nlohmann::json SeriesJson(const TSeriesData& s) {
    nlohmann::json a = nlohmann::json::array();
    for (const auto& [x, y] : s.Points) a.push_back({x, y});
    return a;
}

// What one image's analysis leaves for the parent to print, one file each.
struct TJobFiles {
    fs::path Dir;
    std::string Name(std::size_t index, const char* what) const {
        return (Dir / (std::to_string(index) + "." + what)).string();
    }
};

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string CsvFeatures(const TKernel& kernel) {
    std::string csv = "index,x,y,max_radius,fill_radius,filling,distance,area,pixel_count\n";
    const TScale& scale = *kernel.Scale;
    for (std::size_t i = 0; i < kernel.Dots.size(); ++i) {
        const TDot& f = kernel.Dots[i];
        if (!kernel.DotPasses(f)) continue;
        csv += std::to_string(i + 1) + "," + Shortest(scale.Convert(f.X)) + "," + Shortest(scale.Convert(f.Y)) + "," +
               Shortest(scale.Convert(f.Radius)) + "," + Shortest(scale.Convert(f.FillRadius)) + "," +
               Shortest(f.Filling) + "," + Shortest(f.Distance) + "," + Shortest(f.Area) + "," +
               std::to_string(f.PixelCount) + "\n";
    }
    return csv;
}

// The passing features as a plug-in sees them: the data provider filled exactly as for a
// plug-in run, read through IData by the Stats plug-in's statistics unit.
struct TPluginView {
    TStatsValues Stats;
    std::string DataFile;
};

TPluginView ThroughDataProvider(TKernel& kernel) {
    const TPic& pic = *kernel.Picture;
    FillPlugData(*kernel.PlugData, {pic.Left, pic.Top, pic.Right, pic.Bottom}, kernel.Dots,
                 [&](const TDot& f) { return kernel.DotPasses(f); });
    void* object = nullptr;
    if (kernel.PlugData->QueryInterface(IID_IData, &object) < 0 || object == nullptr)
        throw std::runtime_error("the data provider offers no IData");
    IData* data = static_cast<IData*>(object);
    TPluginView view;
    ComputeStats(*data, view.Stats);
    view.DataFile = DataFileText(*data);
    data->Release();
    return view;
}

nlohmann::json StatsJson(const TStatsValues& v) {
    auto pair = [](double mean, double sd) { return nlohmann::json{{"mean", mean}, {"sd", sd}}; };
    return {{"count", v.Count},
            {"zone_width", v.ZoneWidth},
            {"zone_height", v.ZoneHeight},
            {"zone_area", v.ZoneArea},
            {"filled_area", v.FilledArea},
            {"filling", v.Filling},
            {"fill_radius", pair(v.MeanRadius, v.SdRadius)},
            {"max_radius", pair(v.MeanMaxRadius, v.SdMaxRadius)},
            {"distance", pair(v.MeanDistance, v.SdDistance)},
            {"area", pair(v.MeanArea, v.SdArea)}};
}

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) q += (c == '"') ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

// Analyses one image in this process and leaves its outputs in files; returns the exit code.
int AnalyseOne(const TAnalyseOptions& o, std::size_t index, const std::string& image, const std::string& iniPath,
               const TJobFiles& files) {
    TBatchSink sink(o.Verbose);
    TProgramModules modules(&sink, iniPath, true);
    int code = 0;
    {
        TKernel kernel(nullptr, nullptr, nullptr, nullptr);
        const auto start = std::chrono::steady_clock::now();
        std::string error;
        try {
            kernel.LoadPicture(image);
            if (!kernel.Picture->HasImage()) error = image + ": file not found";
        } catch (const TImageError& e) {
            error = e.what();
        }
        if (!error.empty()) {
            WriteText(files.Name(index, "err"), error + "\n");
            code = 3;
        } else {
            if (!kernel.Scale->IsPlaced())
                std::cerr << "morvex-cli: warning: " << image
                          << ": the scale mark is not placed; lengths use the stored scale\n";
            kernel.Analyse();
            TSeriesData radius, distance, area;
            TAnalysisResults r;
            kernel.ComputeResults(r, radius, distance, area);
            const double elapsed =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            if (!o.Report.empty()) {
                TSeriesData rs, ds, as;
                WriteText(files.Name(index, "txt"), TReport(kernel, rs, ds, as).ReportText());
            }
            if (!o.Csv.empty()) WriteText(files.Name(index, "csv"), CsvFeatures(kernel));
#ifdef MORVEX_HAVE_DOCUMENT
            if (!o.Document.empty()) {
                THeadlessGui gui;
                TSeriesData rs, ds, as;
                const std::string failure = SaveExportDocument(kernel, rs, ds, as, files.Name(index, "odt"));
                if (!failure.empty()) throw std::runtime_error(failure);
            }
#endif
            TPluginView pluginView;
            if (o.Json || !o.Features.empty()) pluginView = ThroughDataProvider(kernel);
            if (!o.Features.empty()) WriteText(files.Name(index, "dat"), pluginView.DataFile);
            const TPic& pic = *kernel.Picture;
            const std::string unit = kernel.Scale->DimsName(true);
            if (o.Json) {
                nlohmann::json j;
                j["image"] = image;
                j["width"] = pic.ImageWidth();
                j["height"] = pic.ImageHeight();
                j["zone"] = {pic.Left, pic.Top, pic.Right, pic.Bottom};
                j["band"] = {pic.FilterMin, pic.FilterMax};
                j["gray"] = {pic.GrayMin, pic.GrayMax};
                j["factor"] = kernel.Scale->Factor;
                j["unit"] = unit;
                j["dots_found"] = kernel.Dots.size();
                j["results"] = {{"number", r.Number},           {"mean_radius", r.MeanRadius},
                                {"filling", r.Filling},         {"mean_distance", r.MeanDistance},
                                {"zone_area", r.ZoneArea},      {"filled_area", r.ZoneArea * r.Filling}};
                j["series"] = {{"radius", SeriesJson(radius)},
                               {"distance", SeriesJson(distance)},
                               {"area", SeriesJson(area)}};
                j["stats"] = StatsJson(pluginView.Stats);
                j["elapsed_ms"] = elapsed;
                WriteText(files.Name(index, "json"), j.dump() + "\n");
            }
            if (!o.Summary.empty()) {
                WriteText(files.Name(index, "row"),
                          CsvField(image) + "," + std::to_string(kernel.Dots.size()) + "," + std::to_string(r.Number) +
                              "," + Shortest(r.MeanRadius) + "," + Shortest(r.MeanDistance) + "," +
                              Shortest(r.Filling) + "," + Shortest(r.ZoneArea) + "," +
                              Shortest(r.ZoneArea * r.Filling) + "," + unit + "," + Shortest(elapsed) + "\n");
            }
        }
    }
    return code;
}

// Runs the jobs in child processes, at most `jobs` at a time; returns each job's exit code.
std::vector<int> RunJobs(const TAnalyseOptions& o, const std::string& iniPath, const TJobFiles& files, int jobs) {
    std::vector<int> codes(o.Images.size(), 1);
    std::map<pid_t, std::size_t> running;
    std::size_t next = 0;
    std::cout.flush();
    std::cerr.flush();
    while (next < o.Images.size() || !running.empty()) {
        while (next < o.Images.size() && static_cast<int>(running.size()) < jobs) {
            const pid_t pid = fork();
            if (pid == 0) {
                int code = 1;
                try {
                    code = AnalyseOne(o, next, o.Images[next], iniPath, files);
                } catch (const std::exception& e) {
                    std::ofstream(files.Name(next, "err")) << o.Images[next] << ": " << e.what() << "\n";
                    code = 3;
                }
                std::cout.flush();
                std::cerr.flush();
                std::_Exit(code);
            }
            if (pid < 0) throw std::runtime_error("cannot start a worker process");
            running[pid] = next++;
        }
        int status = 0;
        const pid_t done = wait(&status);
        if (done < 0) break;
        const auto it = running.find(done);
        if (it == running.end()) continue;
        codes[it->second] = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
        if (!WIFEXITED(status))
            std::ofstream(files.Name(it->second, "err"))
                << o.Images[it->second] << ": the analysis ended abnormally (signal " << WTERMSIG(status) << ")\n";
        running.erase(it);
    }
    return codes;
}

// Where a per-image output goes: stdout ("-"), the file itself (one image), or
// <folder>/<stem><ext> (several images).
std::string OutputPath(const std::string& option, const std::string& image, const char* ext, bool several) {
    if (!several) return option;
    return (fs::path(option) / (fs::path(image).stem().string() + ext)).string();
}

void Emit(const std::string& target, const std::string& text) {
    if (target == "-") {
        std::cout << text;
        std::cout.flush();
    } else {
        WriteText(target, text);
    }
}

}  // namespace

CLI::App* AddAnalyseCommand(CLI::App& app, TAnalyseOptions& o) {
    CLI::App* cmd = app.add_subcommand("analyse", "Analyse image files with the desktop program's settings");
    cmd->footer(
        "Settings come from the desktop program's settings file (or --ini FILE) and are never written;\n"
        "the options override them as if they were stored there, before the image is loaded.\n"
        "With several images each is analysed on its own, in parallel; --report, --csv, --features and\n"
        "--document then name a folder that receives <image stem>.txt / .csv / .dat / .odt. Outputs are\n"
        "in input order.\n"
        "CSV columns: index (position in the feature list, from 1), x, y, max_radius, fill_radius,\n"
        "filling, distance, area, pixel_count; lengths and areas in scale units.\n"
        "Exit codes: 0 all analysed, 2 usage error, 3 at least one image could not be read.");
    cmd->add_option("IMAGE", o.Images, "Image files (PNG, JPEG, TIFF, BMP, PBM/PGM/PPM)")->required();
    cmd->add_option("--ini", o.IniFile, "Settings file to read instead of the desktop program's");
    cmd->add_option("--zone", o.Zone, "Zone L,T,R,B in image pixels, edges included");
    cmd->add_option("--band", o.Band, "Brightness band MIN,MAX (gray levels, both included)");
    cmd->add_option("--mark", o.Mark, "Scale mark X1,Y1,X2,Y2 in image pixels");
    cmd->add_option("--value", o.Value, "Scale mark worth: 10^N units")->check(CLI::Range(0, 9));
    cmd->add_option("--unit", o.Unit, "Length unit: nm, um, mm, cm or m");
    auto* v = cmd->add_flag("--vertical", o.Vertical, "Measure the scale mark along y");
    auto* h = cmd->add_flag("--horizontal", o.Horizontal, "Measure the scale mark along x");
    v->excludes(h);
    cmd->add_option("--fill-filter", o.FillFilter, "Fill filter threshold in per cent, or off");
    cmd->add_option("--radial-filter", o.RadialFilter, "Radial filter threshold in per cent, or off");
    cmd->add_option("--fill-radius", o.FillRadius, "Use the fill radius (on) or the maximum radius (off)");
    cmd->add_option("--containment", o.Containment, "Merge features inside one another: on or off");
    cmd->add_option("--report", o.Report, "Write the text report to FILE, or - for standard output");
    cmd->add_option("--csv", o.Csv, "Write the passing features as CSV to FILE, or -");
    cmd->add_option("--features", o.Features,
                    "Write the passing features' data file, as the Stats plug-in saves it, to FILE, or -");
    cmd->add_option("--document", o.Document,
                    "Write the export document (report, picture, charts) to FILE.odt, as the desktop program's export");
    cmd->add_flag("--json", o.Json, "Print one JSON object per image on standard output");
    cmd->add_option("--summary", o.Summary, "Write one CSV row per image to FILE, or -");
    cmd->add_option("-j,--jobs", o.Jobs, "Images analysed at once (default: all cores)")->check(CLI::Range(1, 256));
    cmd->add_flag("-v,--verbose", o.Verbose, "Show the log's information lines on standard error");
    return cmd;
}

int RunAnalyse(const TAnalyseOptions& o) {
    const bool several = o.Images.size() > 1;
    TJobFiles files;
    try {
#ifndef MORVEX_HAVE_DOCUMENT
        if (!o.Document.empty()) throw TUsageError("--document: this morvex-cli was built without Qt");
#endif
        if (o.Document == "-") throw TUsageError("--document needs a file name, not -");
        if (several) {
            for (const std::string* folder : {&o.Report, &o.Csv, &o.Features, &o.Document}) {
                if (folder->empty()) continue;
                if (*folder == "-")
                    throw TUsageError(
                        "with several images --report, --csv, --features and --document name a folder, not -");
                std::error_code ec;
                fs::create_directories(*folder, ec);
                if (!fs::is_directory(*folder)) throw TUsageError("cannot create the folder " + *folder);
            }
        }
        const std::string source = o.IniFile.empty() ? DesktopSettingsFileName() : o.IniFile;
        if (!o.IniFile.empty() && !fs::is_regular_file(o.IniFile))
            throw TUsageError("settings file not found: " + o.IniFile);

        files.Dir = fs::temp_directory_path() / ("morvex-cli-" + std::to_string(getpid()));
        fs::create_directories(files.Dir);
        const std::string iniPath = (files.Dir / "settings.ini").string();
        std::error_code ec;
        if (fs::is_regular_file(source, ec)) fs::copy_file(source, iniPath, fs::copy_options::overwrite_existing);
        WriteOverrides(o, iniPath);

        const int jobs = o.Jobs > 0 ? o.Jobs : std::max(1u, std::thread::hardware_concurrency());
        const std::vector<int> codes = RunJobs(o, iniPath, files, jobs);

        int exitCode = 0;
        std::string summary;
        if (!o.Summary.empty())
            summary = "image,dots_found,number,mean_radius,mean_distance,filling,zone_area,filled_area,unit,elapsed_ms\n";
        for (std::size_t i = 0; i < o.Images.size(); ++i) {
            const std::string& image = o.Images[i];
            if (codes[i] != 0) {
                std::string err = ReadText(files.Name(i, "err"));
                if (err.empty()) err = image + ": the analysis failed\n";
                std::cerr << "morvex-cli: " << err;
                exitCode = 3;
                continue;
            }
            if (o.Json) std::cout << ReadText(files.Name(i, "json")) << std::flush;
            if (!o.Report.empty()) Emit(OutputPath(o.Report, image, ".txt", several), ReadText(files.Name(i, "txt")));
            if (!o.Csv.empty()) Emit(OutputPath(o.Csv, image, ".csv", several), ReadText(files.Name(i, "csv")));
            if (!o.Features.empty())
                Emit(OutputPath(o.Features, image, ".dat", several), ReadText(files.Name(i, "dat")));
            if (!o.Document.empty())
                Emit(OutputPath(o.Document, image, ".odt", several), ReadText(files.Name(i, "odt")));
            if (!o.Summary.empty()) summary += ReadText(files.Name(i, "row"));
        }
        if (!o.Summary.empty()) Emit(o.Summary, summary);
        fs::remove_all(files.Dir, ec);
        return exitCode;
    } catch (const TUsageError& e) {
        std::cerr << "morvex-cli analyse: " << e.what() << "\nRun 'morvex-cli analyse --help' for the options.\n";
        std::error_code ec;
        if (!files.Dir.empty()) fs::remove_all(files.Dir, ec);
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "morvex-cli analyse: " << e.what() << "\n";
        std::error_code ec;
        if (!files.Dir.empty()) fs::remove_all(files.Dir, ec);
        return 3;
    }
}
