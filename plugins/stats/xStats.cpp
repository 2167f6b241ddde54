#include "xStats.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace {

// x in scientific form with 15 significant digits, correctly rounded from its binary value:
// the 15 digits, the decimal exponent and the sign. x must be finite and not 0.
struct TDigits15 {
    bool Negative = false;
    char Digits[15] = {};
    int Exponent = 0;
};

TDigits15 Digits15(double x) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    const char* p = buf;
    TDigits15 d;
    if (*p == '-') {
        d.Negative = true;
        ++p;
    }
    d.Digits[0] = *p++;
    ++p;  // '.'
    for (int i = 1; i < 15; ++i) d.Digits[i] = *p++;
    ++p;  // 'e'
    std::from_chars(*p == '+' ? p + 1 : p, res.ptr, d.Exponent);
    return d;
}

double PowerOfTen(int n) {
    double p = 1.0;
    for (int i = 0; i < n; ++i) p *= 10.0;  // exact up to 10^22
    return p;
}

std::string NonFinite(double x) {
    if (std::isnan(x)) return "NAN";
    return x > 0 ? "INF" : "-INF";
}

}  // namespace

std::string FormatGeneral15(double x, const std::string& sep) {
    if (!std::isfinite(x)) return NonFinite(x);
    if (x == 0) return "0";  // also -0
    const TDigits15 d = Digits15(x);
    int n = 15;
    while (n > 1 && d.Digits[n - 1] == '0') --n;
    std::string s = d.Negative ? "-" : "";
    const int e = d.Exponent;
    if (e >= 15) {
        s += d.Digits[0];
        if (n > 1) s += sep + std::string(d.Digits + 1, d.Digits + n);
        s += "E+" + std::to_string(e);
    } else if (e >= 0) {
        for (int i = 0; i <= e; ++i) s += i < n ? d.Digits[i] : '0';
        if (n > e + 1) s += sep + std::string(d.Digits + e + 1, d.Digits + n);
    } else {
        s += "0" + sep + std::string(static_cast<std::size_t>(-e - 1), '0') +
             std::string(d.Digits, d.Digits + n);
    }
    return s;
}

std::string RoundText(int D, double X, const std::string& sep) {
    const double p = PowerOfTen(D);
    return FormatGeneral15(std::nearbyint(X * p) / p, sep);
}

std::string FormatReal23(double x) {
    if (!std::isfinite(x)) {
        std::string t = std::isnan(x) ? "NAN" : (x > 0 ? "+INF" : "-INF");
        return std::string(23 - t.size(), ' ') + t;
    }
    if (x == 0) return " 0.00000000000000E+0000";
    const TDigits15 d = Digits15(x);
    std::string s;
    s.reserve(23);
    s += d.Negative ? '-' : ' ';
    s += d.Digits[0];
    s += '.';
    s.append(d.Digits + 1, d.Digits + 15);
    s += 'E';
    s += d.Exponent < 0 ? '-' : '+';
    const std::string e = std::to_string(d.Exponent < 0 ? -d.Exponent : d.Exponent);
    s += std::string(4 - e.size(), '0') + e;
    return s;
}

TFeatureValues FeatureValues(IData& data, MvxInteger index) {
    TFeatureValues f;
    f.FillRadius = data.GetFillRadius(index);
    f.MaxRadius = data.GetMaxRadius(index);
    f.Distance = data.GetDistance(index);
    f.Area = (data.GetFilling(index) * M_PI) * (f.MaxRadius * f.MaxRadius);
    return f;
}

bool ComputeStats(IData& data, TStatsValues& v) {
    v = TStatsValues{};
    v.Count = data.GetCount();
    v.ZoneWidth = data.GetZoneWidth();
    v.ZoneHeight = data.GetZoneHeight();
    v.ZoneArea = v.ZoneWidth * v.ZoneHeight;
    if (v.Count < 1) return false;

    double sumMax = 0, sumFill = 0, sumDist = 0, sumArea = 0;
    for (MvxInteger i = 0; i < v.Count; ++i) {
        const TFeatureValues f = FeatureValues(data, i);
        sumMax += f.MaxRadius;
        sumFill += f.FillRadius;
        sumDist += f.Distance;
        sumArea += f.Area;
    }
    const double n = v.Count;
    v.MeanMaxRadius = sumMax / n;
    v.MeanRadius = sumFill / n;
    v.MeanDistance = sumDist / n;
    v.MeanArea = sumArea / n;
    v.FilledArea = sumArea;
    v.Filling = v.FilledArea / v.ZoneArea;

    double sqMax = 0, sqFill = 0, sqDist = 0, sqArea = 0;
    for (MvxInteger i = 0; i < v.Count; ++i) {
        const TFeatureValues f = FeatureValues(data, i);
        sqMax += (f.MaxRadius - v.MeanMaxRadius) * (f.MaxRadius - v.MeanMaxRadius);
        sqFill += (f.FillRadius - v.MeanRadius) * (f.FillRadius - v.MeanRadius);
        sqDist += (f.Distance - v.MeanDistance) * (f.Distance - v.MeanDistance);
        sqArea += (f.Area - v.MeanArea) * (f.Area - v.MeanArea);
    }
    // Population deviations: the features handed over are the whole population.
    v.SdMaxRadius = std::sqrt(sqMax / n);
    v.SdRadius = std::sqrt(sqFill / n);
    v.SdDistance = std::sqrt(sqDist / n);
    v.SdArea = std::sqrt(sqArea / n);
    return true;
}

const std::array<const char*, StatsRowCount> StatsKeys = {
    " Number", " Zone Width", " Zone Height", " Zone Area", " Filled Area",
    " Filling", " Radius", " Max Radius", " Distance", " Area"};

std::array<std::string, StatsRowCount> StatsValueTexts(const TStatsValues& v,
                                                       const std::string& unit,
                                                       const std::string& sep) {
    const std::string U = " " + unit;
    auto R = [&sep](double x) { return RoundText(3, x, sep); };
    auto meanSd = [&R](double mean, double sd) { return R(mean) + " [ " + R(sd) + " ]"; };
    return {" " + std::to_string(v.Count),
            " " + R(v.ZoneWidth) + U,
            " " + R(v.ZoneHeight) + U,
            " " + R(v.ZoneArea) + U + "^2",
            " " + R(v.FilledArea) + U + "^2",
            " " + R(v.Filling * 100) + " %",
            " " + meanSd(v.MeanRadius, v.SdRadius) + U,
            " " + meanSd(v.MeanMaxRadius, v.SdMaxRadius) + U,
            " " + meanSd(v.MeanDistance, v.SdDistance) + U,
            " " + meanSd(v.MeanArea, v.SdArea) + U + "^2"};
}

std::array<std::string, GridColumns> GridHeader(const std::string& unit) {
    return {" #", " Radius [" + unit + "]", " Max Radius [" + unit + "]",
            " Distance [" + unit + "]", " Area [" + unit + "^2]"};
}

std::string GridCell(const TFeatureValues& f, std::int32_t index, int col,
                     const std::string& sep) {
    switch (col) {
        case 0: return " " + std::to_string(std::int64_t{index} + 1);
        case 1: return " " + RoundText(8, f.FillRadius, sep);
        case 2: return " " + RoundText(8, f.MaxRadius, sep);
        case 3: return " " + RoundText(8, f.Distance, sep);
        case 4: return " " + RoundText(8, f.Area, sep);
        default: return "";
    }
}

std::string DataFileLine(const TFeatureValues& f) {
    return FormatReal23(f.FillRadius) + '\t' + FormatReal23(f.MaxRadius) + '\t' +
           FormatReal23(f.Distance) + '\t' + FormatReal23(f.Area) + "\r\n";
}

std::string DataFileText(IData& data) {
    std::string text;
    const MvxInteger count = data.GetCount();
    for (MvxInteger i = 0; i < count; ++i) text += DataFileLine(FeatureValues(data, i));
    return text;
}

bool WriteDataFile(const std::string& path, IData& data, std::string& error) {
    auto reason = [](int code) { return std::error_code(code, std::generic_category()).message(); };
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "Cannot create file \"" + path + "\": " + reason(errno);
        return false;
    }
    bool ok = true;
    int code = 0;
    const MvxInteger count = data.GetCount();
    for (MvxInteger i = 0; i < count && ok; ++i) {
        const std::string line = DataFileLine(FeatureValues(data, i));
        if (std::fwrite(line.data(), 1, line.size(), file) != line.size()) {
            ok = false;
            code = errno;
        }
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (!ok) error = "Cannot write file \"" + path + "\": " + reason(code);
    return ok;
}

TStatsSheet::TStatsSheet(std::string decimalSeparator)
    : DecimalSeparator(std::move(decimalSeparator)) {}

TStatsSheet::~TStatsSheet() {
    if (Data) Data->Release();
}

void TStatsSheet::ShowData(IData* data) {
    if (data) data->AddRef();
    if (Data) Data->Release();
    Data = data;
    Stats = TStatsValues{};
    if (!Data || !ComputeStats(*Data, Stats)) return;  // earlier texts and grid stay
    const char* name = Data->GetDimsName(1);
    const std::string unit = name ? name : "";
    Values = StatsValueTexts(Stats, unit, DecimalSeparator);
    Header = GridHeader(unit);
    Rows.resize(static_cast<std::size_t>(Stats.Count));
    for (MvxInteger i = 0; i < Stats.Count; ++i)
        Rows[static_cast<std::size_t>(i)] = FeatureValues(*Data, i);
    GridSeparator = DecimalSeparator;
}

bool TStatsSheet::CanSave() const { return Data != nullptr && Data->GetCount() > 0; }

bool TStatsSheet::Save(const std::string& path, std::string& error) {
    DecimalSeparator = ".";
    if (!Data) {
        error = "No data to save";
        return false;
    }
    return WriteDataFile(path, *Data, error);
}

std::string TStatsSheet::Cell(std::int32_t row, int col) const {
    if (row < 0 || static_cast<std::size_t>(row) >= Rows.size()) return "";
    return GridCell(Rows[static_cast<std::size_t>(row)], row, col, GridSeparator);
}

TStats::TStats(TStatsWindowFactory makeForm) : MakeForm(std::move(makeForm)) {}

TStats::~TStats() = default;

HRESULT TStats::QueryInterface(const GUID& iid, void** object) {
    if (object == nullptr) return MVX_E_POINTER;
    if (iid == IID_IPlugin || iid == IID_IUnknown) {
        *object = static_cast<IPlugin*>(this);
        AddRef();
        return MVX_S_OK;
    }
    *object = nullptr;
    return MVX_E_NOINTERFACE;
}

std::uint32_t TStats::AddRef() { return RefCount.fetch_add(1) + 1; }

std::uint32_t TStats::Release() {
    const std::uint32_t count = RefCount.fetch_sub(1) - 1;
    if (count == 0) delete this;
    return count;
}

MvxText TStats::GetID() { return "{76AAF380-E858-11D7-8030-000102960A47}"; }

MvxText TStats::GetName() { return "Statistics"; }

HRESULT TStats::Execute(IData* Data) {
    if (Data == nullptr) return MVX_E_POINTER;
    if (!Form && MakeForm) Form = MakeForm();
    if (!Form) return MVX_E_FAIL;
    Form->ShowData(Data);
    Form->ShowModal();
    return MVX_S_OK;
}
