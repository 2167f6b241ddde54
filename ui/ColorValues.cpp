#include "ui/ColorValues.h"

#include <QGuiApplication>
#include <QPalette>

namespace ColorValue {

namespace {

struct TSystemColor {
    const char* Name;
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};

// System colour elements by index, as the screen's palette shows them.
const TSystemColor SystemColors[] = {
    {"Scroll Bar", QPalette::Active, QPalette::Button},
    {"Desktop", QPalette::Active, QPalette::Dark},
    {"Active Caption", QPalette::Active, QPalette::Highlight},
    {"Inactive Caption", QPalette::Inactive, QPalette::Highlight},
    {"Menu", QPalette::Active, QPalette::Window},
    {"Window", QPalette::Active, QPalette::Base},
    {"Window Frame", QPalette::Active, QPalette::Shadow},
    {"Menu Text", QPalette::Active, QPalette::WindowText},
    {"Window Text", QPalette::Active, QPalette::Text},
    {"Caption Text", QPalette::Active, QPalette::HighlightedText},
    {"Active Border", QPalette::Active, QPalette::Mid},
    {"Inactive Border", QPalette::Inactive, QPalette::Mid},
    {"Application Workspace", QPalette::Active, QPalette::Dark},
    {"Highlight", QPalette::Active, QPalette::Highlight},
    {"Highlight Text", QPalette::Active, QPalette::HighlightedText},
    {"Button Face", QPalette::Active, QPalette::Button},
    {"Button Shadow", QPalette::Active, QPalette::Dark},
    {"Gray Text", QPalette::Disabled, QPalette::Text},
    {"Button Text", QPalette::Active, QPalette::ButtonText},
    {"Inactive Caption Text", QPalette::Inactive, QPalette::HighlightedText},
    {"Button Highlight", QPalette::Active, QPalette::Light},
    {"3D Dark Shadow", QPalette::Active, QPalette::Shadow},
    {"3D Light", QPalette::Active, QPalette::Midlight},
    {"Info Text", QPalette::Active, QPalette::ToolTipText},
    {"Info Background", QPalette::Active, QPalette::ToolTipBase},
};
constexpr int SystemCount = static_cast<int>(sizeof(SystemColors) / sizeof(SystemColors[0]));

}  // namespace

std::optional<QColor> Resolve(std::int32_t value) {
    if (value == None) return std::nullopt;
    if (IsSystem(value)) {
        const int index = value & 0xFF;
        if (index >= SystemCount) return QColor(Qt::black);
        const TSystemColor& s = SystemColors[index];
        return QGuiApplication::palette().color(s.Group, s.Role);
    }
    // Any other value is an RGB value; its highest byte is ignored.
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

std::uint32_t ToArgb(std::int32_t value, std::uint32_t fallback) {
    const std::optional<QColor> c = Resolve(value);
    return c ? (c->rgb() | 0xFF000000u) : fallback;
}

std::int32_t FromQColor(const QColor& c) { return Rgb(c.red(), c.green(), c.blue()); }

const std::vector<TNamed>& NamedColors() {
    static const std::vector<TNamed> list = [] {
        std::vector<TNamed> l = {
            {Rgb(0, 0, 0), "Black", TGroup::Standard},
            {Rgb(128, 0, 0), "Maroon", TGroup::Standard},
            {Rgb(0, 128, 0), "Green", TGroup::Standard},
            {Rgb(128, 128, 0), "Olive", TGroup::Standard},
            {Rgb(0, 0, 128), "Navy", TGroup::Standard},
            {Rgb(128, 0, 128), "Purple", TGroup::Standard},
            {Rgb(0, 128, 128), "Teal", TGroup::Standard},
            {Rgb(128, 128, 128), "Gray", TGroup::Standard},
            {Rgb(192, 192, 192), "Silver", TGroup::Standard},
            {Rgb(255, 0, 0), "Red", TGroup::Standard},
            {Rgb(0, 255, 0), "Lime", TGroup::Standard},
            {Rgb(255, 255, 0), "Yellow", TGroup::Standard},
            {Rgb(0, 0, 255), "Blue", TGroup::Standard},
            {Rgb(255, 0, 255), "Fuchsia", TGroup::Standard},
            {Rgb(0, 255, 255), "Aqua", TGroup::Standard},
            {Rgb(255, 255, 255), "White", TGroup::Standard},
            {Rgb(192, 220, 192), "Money Green", TGroup::Extended},
            {Rgb(166, 202, 240), "Sky Blue", TGroup::Extended},
            {Rgb(255, 251, 240), "Cream", TGroup::Extended},
            {Rgb(160, 160, 164), "Medium Gray", TGroup::Extended},
        };
        for (int i = 0; i < SystemCount; ++i)
            l.push_back({SystemBase | i, SystemColors[i].Name, TGroup::System});
        l.push_back({None, "None", TGroup::None});
        return l;
    }();
    return list;
}

}  // namespace ColorValue
