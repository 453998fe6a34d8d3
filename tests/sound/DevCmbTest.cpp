#include "platform/dsound/ManualBackend.h"
#include "platform/framework/StringList.h"
#include "sound/DevCmbDC.h"
#include "sound/DevCmbDS.h"

#include <gtest/gtest.h>

namespace {

class Choosers : public ::testing::Test {
protected:
    void SetUp() override {
        audio.backend().SetOutputDevices({{"hw:0", "Onboard audio"}, {"hw:1", "USB headset"}});
        audio.backend().SetCaptureDevices({{"mic", "Microphone"}});
    }
    ScopedManualAudio audio;
};

} // namespace

TEST_F(Choosers, ListTheDefaultDeviceFirstThenEachCardWithItsIdentifier) {
    TDSoundDevCombo combo(nullptr);
    ASSERT_EQ(combo.Items()->Count(), 3);
    EXPECT_EQ(combo.Items()->Strings(1), "Onboard audio");
    EXPECT_EQ(combo.Items()->Objects(0), nullptr);
    EXPECT_EQ(combo.ItemIndex(), 0);
    EXPECT_EQ(combo.GetDefDriver(), nullptr);
    EXPECT_EQ(combo.Style(), csDropDownList);
    combo.SetItemIndex(2);
    ASSERT_NE(combo.GetDefDriver(), nullptr);
    EXPECT_EQ(*combo.GetDefDriver(), DeviceGuid("hw:1", false));
}

TEST_F(Choosers, NoSelectionGivesNoDevice) {
    TDSoundDevCombo combo(nullptr);
    combo.SetItemIndex(-1);
    EXPECT_EQ(combo.GetDefDriver(), nullptr);
}

TEST_F(Choosers, SetDefDriverFindsItsOwnPointerButNotAnEqualCopy) {
    TDSoundDevCombo combo(nullptr);
    combo.SetItemIndex(1);
    const GUID* chosen = combo.GetDefDriver();
    combo.SetItemIndex(0);
    combo.SetDefDriver(chosen);
    EXPECT_EQ(combo.ItemIndex(), 1);
    const GUID copy = *chosen;
    combo.SetDefDriver(&copy);
    EXPECT_EQ(combo.ItemIndex(), 0);
    combo.SetItemIndex(2);
    combo.SetDefDriver(nullptr);
    EXPECT_EQ(combo.ItemIndex(), 0);
}

TEST_F(Choosers, ListingAgainNeverHoldsADeviceTwiceAndKeepsTheDefaultIndex) {
    TDSoundDevCombo combo(nullptr);
    combo.SetItemIndex(2);
    combo.SetDefDriver(combo.GetDefDriver());
    combo.Init();
    EXPECT_EQ(combo.Items()->Count(), 3);
    EXPECT_EQ(combo.ItemIndex(), 2);
    EXPECT_EQ(*combo.GetDefDriver(), DeviceGuid("hw:1", false));
}

TEST_F(Choosers, TheCaptureChooserListsCaptureDevices) {
    TDCaptureDevCombo combo(nullptr);
    ASSERT_EQ(combo.Items()->Count(), 2);
    EXPECT_EQ(combo.Items()->Strings(1), "Microphone");
    combo.SetItemIndex(1);
    IDirectSoundCapture* capture = nullptr;
    ASSERT_EQ(DirectSoundCaptureCreate(combo.GetDefDriver(), &capture, nullptr), DS_OK);
    capture->Release();
}
