#pragma once
// The statistics plug-in without its window: the plug-in object TStats, the summary values
// and the per-feature values of a run, their texts, and the data file. Everything here works
// on IData alone (no Qt, nothing of the host), so other front ends can compile it too.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PlugInt.h"

// ---- numbers and texts ----

// X rounded to D decimals (X * 10^D to the nearest integer, halves to even, divided by 10^D),
// in the general form with separator sep as decimal separator.
std::string RoundText(int D, double X, const std::string& sep = ".");

// General form: up to 15 significant digits from the exact binary value, no trailing zeros,
// no exponent below 1e15 in magnitude ("2.346", "0.5", "12"); at or above it "1.5E+15".
std::string FormatGeneral15(double x, const std::string& sep = ".");

// The data file's 23-character number: sign blank or "-", one digit, ".", 14 digits, "E",
// exponent sign and four digits, rounded to 15 significant digits (" 1.50000000000000E+0000").
std::string FormatReal23(double x);

// ---- one run's values ----

// One feature as the window and the data file list it.
struct TFeatureValues {
    double FillRadius = 0;
    double MaxRadius = 0;
    double Distance = 0;
    double Area = 0;  // Filling * pi * MaxRadius^2, in the unit squared
};

TFeatureValues FeatureValues(IData& data, MvxInteger index);

struct TStatsValues {
    std::int32_t Count = 0;
    double ZoneArea = 0;
    double ZoneWidth = 0;
    double ZoneHeight = 0;
    double FilledArea = 0;
    double Filling = 0;  // FilledArea / ZoneArea, a fraction
    double MeanMaxRadius = 0, SdMaxRadius = 0;
    double MeanRadius = 0, SdRadius = 0;  // fill radius
    double MeanDistance = 0, SdDistance = 0;
    double MeanArea = 0, SdArea = 0;
};

// Count and zone always; means, population deviations, filled area and filling only when
// there is at least one feature (they stay 0 otherwise). Returns Count >= 1.
bool ComputeStats(IData& data, TStatsValues& v);

inline constexpr int StatsRowCount = 10;
extern const std::array<const char*, StatsRowCount> StatsKeys;  // " Number" ... " Area"

// The value column for v, each text with its leading blank. unit is the short unit name
// ("um"); sep the decimal separator.
std::array<std::string, StatsRowCount> StatsValueTexts(const TStatsValues& v,
                                                       const std::string& unit,
                                                       const std::string& sep);

inline constexpr int GridColumns = 5;
std::array<std::string, GridColumns> GridHeader(const std::string& unit);
// Cell col (0 to 4) of the grid row for feature number index (from 0).
std::string GridCell(const TFeatureValues& f, std::int32_t index, int col,
                     const std::string& sep);

// ---- the data file ----

// One line: fill radius, max radius, distance, area in the 23-character form, tab
// separated, ending in CR LF.
std::string DataFileLine(const TFeatureValues& f);
// The whole file for data: one line per feature, nothing else (empty without features).
std::string DataFileText(IData& data);
// Writes the data file to path, replacing it. On failure returns false with a message in
// error; the file is closed either way and may keep the lines written before the failure.
bool WriteDataFile(const std::string& path, IData& data, std::string& error);

// ---- what the window shows, without the window ----

class TStatsSheet {
public:
    explicit TStatsSheet(std::string decimalSeparator = ".");
    ~TStatsSheet();  // drops the kept data
    TStatsSheet(const TStatsSheet&) = delete;
    TStatsSheet& operator=(const TStatsSheet&) = delete;

    // Keeps a counted reference to data (dropping the previous one) and computes the
    // statistics. Without features the value texts and the grid keep what they showed.
    void ShowData(IData* data);
    // Saving needs kept data with at least one feature.
    bool CanSave() const;
    // From now on "." is the decimal separator; then writes the data file (WriteDataFile).
    bool Save(const std::string& path, std::string& error);
    std::string Cell(std::int32_t row, int col) const;  // grid row from 0 (one per feature)

    IData* Data = nullptr;  // counted
    TStatsValues Stats;
    std::array<std::string, StatsRowCount> Values{};  // value column; empty before any fill
    std::array<std::string, GridColumns> Header{};    // empty before any fill
    std::vector<TFeatureValues> Rows;                 // the grid's features
    std::string DecimalSeparator;                     // for texts made from now on
    std::string GridSeparator = ".";                  // the one the grid was filled with
};

// ---- the plug-in object ----

// The statistics window as the plug-in object drives it.
class IStatsWindow {
public:
    virtual ~IStatsWindow() = default;
    virtual void ShowData(IData* data) = 0;
    virtual void ShowModal() = 0;  // returns when the user closed it
};

// Makes the window when a run first needs it; null when no window can be shown (no GUI).
using TStatsWindowFactory = std::function<std::unique_ptr<IStatsWindow>()>;

class TStats final : public IPlugin {
public:
    explicit TStats(TStatsWindowFactory makeForm);
    TStats(const TStats&) = delete;
    TStats& operator=(const TStats&) = delete;

    HRESULT QueryInterface(const GUID& iid, void** object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    MvxText GetID() override;
    MvxText GetName() override;
    // Shows the data in the window, modally; 0 when done, MVX_E_FAIL when no window can be
    // shown (no GUI in this process), MVX_E_POINTER without data.
    HRESULT Execute(IData* Data) override;

    std::unique_ptr<IStatsWindow> Form;  // made by the first run, freed with the object

private:
    ~TStats();
    TStatsWindowFactory MakeForm;
    std::atomic<std::uint32_t> RefCount{0};
};
