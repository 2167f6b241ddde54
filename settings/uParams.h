#pragma once
// The preferences dialog: the eight drawing colours, the export switches, the zone grid and
// labels switches and the containment filter of the display parameters.
#include <QComboBox>
#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QListWidget;
class QPushButton;

// A colour drop-down: standard, extended and system colours, no colour, and a custom entry
// that asks for any colour. Values are colour values (red in the low byte).
class TColorBox : public QComboBox {
    Q_OBJECT
public:
    explicit TColorBox(QWidget* parent = nullptr);
    std::int32_t Selected() const;
    // Selects the entry of that value; a value of no entry becomes the custom entry.
    void SetSelected(std::int32_t value);
    // Asks for a custom colour starting from the given one; empty when cancelled.
    // Replaceable (tests); the default opens the platform's colour dialog.
    std::function<std::optional<QColor>(const QColor&)> PickCustomColor;

signals:
    // The user chose an entry (not emitted by SetSelected).
    void Changed();

private:
    void Activated(int index);
    void SetCustom(std::int32_t value);
    int FLastIndex = 0;
};

class TdlgParams : public QDialog {
    Q_OBJECT
public:
    explicit TdlgParams(QWidget* parent = nullptr);

    void LoadFromParams();
    void StoreToParams();
    void ListBoxClick();
    void ColorBoxChange();

    QGroupBox* GroupBox1;
    TColorBox* ColorBox;
    QListWidget* ListBox;
    QGroupBox* GroupBox2;
    QCheckBox* chkExpSetts;
    QCheckBox* chkExpStats;
    QCheckBox* chkExpImage;
    QCheckBox* chkExpGraph;
    QCheckBox* chkLabels;
    QCheckBox* chkGrid;
    QCheckBox* chkPrefilter;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    // Working copy of the colours, indexed 1 to 8.
    std::array<std::int32_t, 9> Colors{};

private:
    std::array<QCheckBox*, 8> FlagBoxes() const;  // by flag index 1 to 7
};
