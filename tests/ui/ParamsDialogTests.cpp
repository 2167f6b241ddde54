// The preferences dialog: first opening, the colour box's entries, Cancel and OK, and the
// main window's preferences command re-rendering the band colouring.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "UiSupport.h"
#include "kernel/xKernel.h"
#include "picture/xPicture.h"
#include "platform/ProfileFile.h"
#include "settings/uParams.h"
#include "settings/xParams.h"
#include "ui/ColorValues.h"
#include "ui/uMain.h"

namespace {

// Chooses the colour box's entry of that value as the user would.
void Choose(TColorBox* box, std::int32_t value) {
    for (int i = 1; i < box->count(); ++i)
        if (box->itemData(i).toInt() == value) {
            box->setCurrentIndex(i);
            emit box->activated(i);
            return;
        }
    FAIL() << "no entry " << value;
}

int Flat(int, int) { return 128; }

}  // namespace

TEST(TParamsDialogTest, FirstOpeningSelectsZoneBorderInYellow) {
    TUiEnv env;
    TdlgParams dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral(" Preferences"));
    ASSERT_EQ(dlg.ListBox->count(), 8);
    EXPECT_EQ(dlg.ListBox->item(7)->text(), QStringLiteral(" Scale mark"));
    dlg.LoadFromParams();
    EXPECT_EQ(dlg.ListBox->currentRow(), 0);
    EXPECT_EQ(dlg.ListBox->currentItem()->text(), QStringLiteral(" Zone border"));
    EXPECT_EQ(dlg.ColorBox->Selected(), 65535);
    EXPECT_EQ(dlg.ColorBox->currentText(), QStringLiteral("Yellow"));
    EXPECT_TRUE(dlg.chkPrefilter->isChecked());
    // Clicking another item shows its colour.
    dlg.ListBox->setCurrentRow(4);
    EXPECT_EQ(dlg.ColorBox->Selected(), 12639424);
    EXPECT_EQ(dlg.ColorBox->currentText(), QStringLiteral("Money Green"));
}

TEST(TParamsDialogTest, CancelKeepsTheParametersAndOkStoresThem) {
    TUiEnv env;
    TdlgParams dlg;
    dlg.LoadFromParams();
    dlg.ListBox->setCurrentRow(4);  // " Graphs"
    Choose(dlg.ColorBox, ColorValue::Rgb(255, 0, 0));
    EXPECT_EQ(dlg.Colors[5], 255);
    dlg.chkGrid->setChecked(false);
    dlg.reject();
    EXPECT_EQ(Params->Colors[5], 12639424) << "Cancel stores nothing";
    EXPECT_TRUE(Params->Flags[6]);

    // The next opening takes the parameters again; the selection stays on " Graphs".
    dlg.LoadFromParams();
    EXPECT_EQ(dlg.ListBox->currentRow(), 4);
    EXPECT_EQ(dlg.Colors[5], 12639424);
    EXPECT_TRUE(dlg.chkGrid->isChecked());
    dlg.ListBoxClick();
    Choose(dlg.ColorBox, ColorValue::Rgb(0, 0, 255));
    dlg.chkGrid->setChecked(false);
    dlg.StoreToParams();
    EXPECT_EQ(Params->Colors[5], ColorValue::Rgb(0, 0, 255));
    EXPECT_FALSE(Params->Flags[6]);
}

TEST(TParamsDialogTest, SystemNoAndCustomColoursAreStoredAsTheBoxReturnsThem) {
    TUiEnv env;
    TdlgParams dlg;
    dlg.LoadFromParams();
    Choose(dlg.ColorBox, ColorValue::SystemBase | 15);  // Button Face
    EXPECT_EQ(dlg.Colors[1], static_cast<std::int32_t>(0x8000000F));
    dlg.ListBox->setCurrentRow(1);
    Choose(dlg.ColorBox, ColorValue::None);
    EXPECT_EQ(dlg.Colors[2], ColorValue::None);
    // Custom: the colour dialog's answer, or the previous choice when it is cancelled.
    dlg.ColorBox->PickCustomColor = [](const QColor&) { return std::optional<QColor>(QColor(1, 2, 3)); };
    dlg.ColorBox->setCurrentIndex(0);
    emit dlg.ColorBox->activated(0);
    EXPECT_EQ(dlg.Colors[2], ColorValue::Rgb(1, 2, 3));
    dlg.ListBox->setCurrentRow(2);
    dlg.ColorBox->PickCustomColor = [](const QColor&) { return std::optional<QColor>(); };
    dlg.ColorBox->setCurrentIndex(0);
    emit dlg.ColorBox->activated(0);
    EXPECT_EQ(dlg.Colors[3], 32896) << "a cancelled custom choice changes nothing";
    EXPECT_EQ(dlg.ColorBox->Selected(), 32896);
    // An unlisted stored value shows as the custom entry.
    dlg.Colors[3] = ColorValue::Rgb(9, 8, 7);
    dlg.ListBoxClick();
    EXPECT_EQ(dlg.ColorBox->currentIndex(), 0);
    EXPECT_EQ(dlg.ColorBox->Selected(), ColorValue::Rgb(9, 8, 7));
}

TEST(TParamsDialogTest, PreferencesCommandRerendersTheBandColouringOnOk) {
    TUiEnv env("[PICTURE]\nZoom=3\nFilter=1\n");
    const std::string path = env.Temp.File("flat.pgm");
    WriteTestPicture(path, 40, 30, Flat);
    auto main = env.CreateMain();
    TdlgParams dlg;
    main->SetParamsDialog(&dlg);
    ASSERT_TRUE(main->OpenPicture(QString::fromStdString(path)));
    // The whole flat picture is in the band: selected-pixels colour, green by default.
    EXPECT_EQ(main->Kernel->Picture->Display()->Pixels[0], 0xFF008000u);
    QTimer::singleShot(0, [&dlg] {
        dlg.ListBox->setCurrentRow(3);  // " Selected pixels"
        Choose(dlg.ColorBox, ColorValue::Rgb(255, 0, 255));
        dlg.chkGrid->setChecked(false);
        dlg.reject();
    });
    main->actParamsExecute();
    EXPECT_EQ(main->Kernel->Picture->Display()->Pixels[0], 0xFF008000u) << "Cancel: nothing changes";
    QTimer::singleShot(0, [&dlg] {
        Choose(dlg.ColorBox, ColorValue::Rgb(255, 0, 255));
        dlg.chkGrid->setChecked(false);
        QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
    });
    main->actParamsExecute();
    EXPECT_EQ(Params->Colors[4], ColorValue::Rgb(255, 0, 255));
    EXPECT_EQ(main->Kernel->Picture->Display()->Pixels[0], 0xFFFF00FFu);
    env.Finish(main);
    TProfileFile ini(env.Ini);
    EXPECT_FALSE(ini.ReadBool("FLAGS", "F_6", true)) << "written at the end of the run";
    EXPECT_EQ(ini.ReadInteger("COLORS", "CL_4", 0), ColorValue::Rgb(255, 0, 255));
}
