#include "graphics/DDModesCombo.h"
#include "FormTestSupport.h"
#include "graphics/DXVersion.h"
#include "platform/ddraw/DirectXInfo.h"
#include "platform/framework/StringList.h"

#include <algorithm>

namespace {

std::vector<std::string> itemsOf(const TDDModesCombo& combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo.Items()->Count(); ++i)
        items.push_back(combo.Items()->Strings(i));
    return items;
}

bool lists(const TDDModesCombo& combo, const std::string& text) {
    auto items = itemsOf(combo);
    return std::find(items.begin(), items.end(), text) != items.end();
}

} // namespace

using DDModesComboList = FormTest;

TEST_F(DDModesComboList, DefaultsListFourByThreeModesUpTo1024In16And32Bits) {
    Create();
    TDDModesCombo combo(nullptr);
    combo.SetDDForm(form);
    EXPECT_TRUE(lists(combo, "640x480 16bpp"));
    EXPECT_TRUE(lists(combo, "1024x768 32bpp"));
    EXPECT_FALSE(lists(combo, "1280x1024 16bpp"));
    EXPECT_FALSE(lists(combo, "640x480 8bpp"));
    EXPECT_FALSE(lists(combo, "1280x720 32bpp"));
    int index = 0;
    auto items = itemsOf(combo);
    index = int(std::find(items.begin(), items.end(), "800x600 16bpp") - items.begin());
    EXPECT_EQ(combo.ItemModeCode(index), 800u | 600u << 12 | 16u << 24);
}

TEST_F(DDModesComboList, FifteenBitsAloneListsNothing) {
    Create();
    TDDModesCombo combo(nullptr);
    combo.Show15bit = true;
    combo.Show16bit = combo.Show32bit = false;
    combo.SetDDForm(form);
    EXPECT_EQ(combo.Items()->Count(), 0);
}

TEST_F(DDModesComboList, FixIndexSelectsTheFormsModeOrNothing) {
    Create();
    form->ChangeSize(800, 600, 32);
    TDDModesCombo combo(nullptr);
    combo.SetDDForm(form);
    ASSERT_GE(combo.ItemIndex(), 0);
    EXPECT_EQ(combo.Items()->Strings(combo.ItemIndex()), "800x600 32bpp");
    form->ChangeSize(640, 480, 8);
    combo.FixIndex();
    EXPECT_EQ(combo.ItemIndex(), -1);
}

TEST_F(DDModesComboList, ComboOwnedByTheFormLinksItself) {
    TDDModesCombo* combo = nullptr;
    Create([&](DemoForm& f) { combo = new TDDModesCombo(&f); });
    EXPECT_EQ(combo->DDForm(), form);
    combo->Init();
    EXPECT_GT(combo->Items()->Count(), 0);
}

namespace {

class NoDirectX : public DirectXInfoSource {
public:
    NoDirectX() { SetDirectXInfoSource(this); }
    ~NoDirectX() override { SetDirectXInfoSource(nullptr); }
    bool OpenDiagnostics() override { return false; }
    void CloseDiagnostics() override {}
    HRESULT GetDiagProperty(const std::string&, const std::string&, DiagValue&) override { return E_FAIL; }
    std::string SystemDirectory() override { return {}; }
    bool GetFileVersion(const std::string&, DWORD&, DWORD&) override { return false; }
};

} // namespace

TEST(DXVersionLabel, ShowsTheVersionOrItsAbsence) {
    ScopedDDrawTest hooks;
    TDXVersion* label = CreateComponent<TDXVersion>(nullptr);
    EXPECT_EQ(label->Caption(), "DirectX 7.0 installed");
    delete label;
    NoDirectX none;
    label = CreateComponent<TDXVersion>(nullptr);
    EXPECT_EQ(label->Caption(), "DirectX not installed");
    delete label;
}
