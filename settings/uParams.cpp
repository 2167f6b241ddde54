#include "settings/uParams.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGroupBox>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include "settings/xParams.h"
#include "ui/ColorValues.h"

namespace {

QIcon Swatch(std::int32_t value) {
    QPixmap pm(16, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const std::optional<QColor> c = ColorValue::Resolve(value);
    p.setPen(Qt::black);
    if (c) {
        p.setBrush(*c);
        p.drawRect(0, 0, 15, 11);
    } else {
        p.setBrush(Qt::white);
        p.drawRect(0, 0, 15, 11);
        p.drawLine(0, 11, 15, 0);  // no colour
    }
    return QIcon(pm);
}

constexpr int CustomIndex = 0;

}  // namespace

// ---- colour box ----

TColorBox::TColorBox(QWidget* parent) : QComboBox(parent) {
    setMaxVisibleItems(16);
    addItem(Swatch(0), QStringLiteral("Custom..."), QVariant(0));
    for (const ColorValue::TNamed& n : ColorValue::NamedColors())
        addItem(Swatch(n.Value), n.Name, QVariant(n.Value));
    setCurrentIndex(1);
    FLastIndex = 1;
    PickCustomColor = [this](const QColor& start) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(start, this, QStringLiteral("Custom Colour"));
        if (!c.isValid()) return std::nullopt;
        return c;
    };
    connect(this, &QComboBox::activated, this, &TColorBox::Activated);
}

std::int32_t TColorBox::Selected() const { return currentData().toInt(); }

void TColorBox::SetCustom(std::int32_t value) {
    setItemData(CustomIndex, QVariant(value));
    setItemIcon(CustomIndex, Swatch(value));
}

void TColorBox::SetSelected(std::int32_t value) {
    for (int i = 1; i < count(); ++i) {
        if (itemData(i).toInt() == value) {
            setCurrentIndex(i);
            FLastIndex = i;
            return;
        }
    }
    SetCustom(value);
    setCurrentIndex(CustomIndex);
    FLastIndex = CustomIndex;
}

void TColorBox::Activated(int index) {
    if (index == CustomIndex) {
        const std::optional<QColor> start = ColorValue::Resolve(itemData(FLastIndex).toInt());
        const std::optional<QColor> picked = PickCustomColor ? PickCustomColor(start.value_or(Qt::white)) : std::nullopt;
        if (!picked) {
            setCurrentIndex(FLastIndex);  // cancelled: the previous choice stays
            return;
        }
        SetSelected(ColorValue::FromQColor(*picked));
    } else {
        FLastIndex = index;
    }
    emit Changed();
}

// ---- dialog ----

TdlgParams::TdlgParams(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral(" Preferences"));
    setFixedSize(313, 214);
    setModal(true);
    // The main window's font (the dialog is laid out for it).
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);

    GroupBox1 = new QGroupBox(QStringLiteral(" Colors "), this);
    GroupBox1->setGeometry(8, 8, 145, 161);
    ColorBox = new TColorBox(GroupBox1);
    ColorBox->setGeometry(8, 18, 129, 22);
    ListBox = new QListWidget(GroupBox1);
    ListBox->setGeometry(8, 44, 129, 111);
    for (const char* name : {" Zone border", " Feature border", " Zone color", " Selected pixels", " Graphs",
                             " Zone grid", " Zone labels", " Scale mark"})
        ListBox->addItem(QString::fromLatin1(name));

    GroupBox2 = new QGroupBox(QStringLiteral(" Exports "), this);
    GroupBox2->setGeometry(160, 8, 145, 65);
    chkExpSetts = new QCheckBox(QStringLiteral("Settings"), GroupBox2);
    chkExpSetts->setGeometry(8, 20, 64, 17);
    chkExpStats = new QCheckBox(QStringLiteral("Statistics"), GroupBox2);
    chkExpStats->setGeometry(72, 20, 70, 17);
    chkExpImage = new QCheckBox(QStringLiteral("Image"), GroupBox2);
    chkExpImage->setGeometry(8, 42, 64, 17);
    chkExpGraph = new QCheckBox(QStringLiteral("Graphs"), GroupBox2);
    chkExpGraph->setGeometry(72, 42, 70, 17);

    chkLabels = new QCheckBox(QStringLiteral("Zone labels"), this);
    chkLabels->setGeometry(168, 84, 137, 17);
    chkGrid = new QCheckBox(QStringLiteral("Zone grid"), this);
    chkGrid->setGeometry(168, 108, 137, 17);
    chkPrefilter = new QCheckBox(QStringLiteral(" Containment filter"), this);
    chkPrefilter->setGeometry(168, 132, 137, 17);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(152, 180, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setGeometry(232, 180, 75, 25);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, ColorBox);
    setTabOrder(ColorBox, ListBox);
    setTabOrder(ListBox, chkExpImage);
    setTabOrder(chkExpImage, chkExpGraph);
    setTabOrder(chkExpGraph, chkExpStats);
    setTabOrder(chkExpStats, chkExpSetts);
    setTabOrder(chkExpSetts, chkLabels);
    setTabOrder(chkLabels, chkGrid);
    setTabOrder(chkGrid, chkPrefilter);

    connect(ListBox, &QListWidget::itemClicked, this, [this] { ListBoxClick(); });
    connect(ListBox, &QListWidget::currentRowChanged, this, [this] { ListBoxClick(); });
    connect(ColorBox, &TColorBox::Changed, this, &TdlgParams::ColorBoxChange);
}

std::array<QCheckBox*, 8> TdlgParams::FlagBoxes() const {
    return {nullptr, chkExpSetts, chkExpStats, chkExpGraph, chkExpImage, chkLabels, chkGrid, chkPrefilter};
}

void TdlgParams::LoadFromParams() {
    for (int i = 1; i <= 8; ++i) Colors[i] = Params->Colors[i];
    if (ListBox->currentRow() < 0) {
        ListBox->setCurrentRow(0);
        ListBoxClick();
    }
    const auto boxes = FlagBoxes();
    for (int i = 1; i <= 7; ++i) boxes[i]->setChecked(Params->Flags[i]);
}

void TdlgParams::StoreToParams() {
    for (int i = 1; i <= 8; ++i) Params->Colors[i] = Colors[i];
    const auto boxes = FlagBoxes();
    for (int i = 1; i <= 7; ++i) Params->Flags[i] = boxes[i]->isChecked();
}

void TdlgParams::ListBoxClick() {
    const int row = ListBox->currentRow();
    if (row < 0 || row > 7) return;
    ColorBox->SetSelected(Colors[row + 1]);
}

void TdlgParams::ColorBoxChange() {
    const int row = ListBox->currentRow();
    if (row < 0 || row > 7) return;
    Colors[row + 1] = ColorBox->Selected();
}
