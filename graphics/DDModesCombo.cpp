#include "graphics/DDModesCombo.h"

#include "graphics/DDForm.h"
#include "platform/framework/Published.h"
#include "platform/framework/StringList.h"

#include <cstdint>
#include <string>

namespace {

TObject* codeObject(DWORD code) {
    return reinterpret_cast<TObject*>(static_cast<std::uintptr_t>(code));
}

HRESULT addMode(DDSURFACEDESC2* mode, void* context) {
    auto* combo = static_cast<TDDModesCombo*>(context);
    DWORD bpp = mode->ddpfPixelFormat.dwRGBBitCount;
    if (combo->ShowsMode(mode->dwWidth, mode->dwHeight, bpp))
        combo->Items()->AddObject(std::to_string(mode->dwWidth) + "x" + std::to_string(mode->dwHeight) + " " +
                                      std::to_string(bpp) + "bpp",
                                  codeObject(DisplayModeCode(mode->dwWidth, mode->dwHeight, bpp)));
    return DDENUMRET_OK;
}

std::vector<TPropInfo> modesComboProperties() {
    auto shows = [](const char* name, bool TDDModesCombo::*field, bool defaultValue) {
        return FieldProperty(name, TypeBoolean(), field, defaultValue);
    };
    return {
        shows("Show8bit", &TDDModesCombo::Show8bit, false),
        shows("Show15bit", &TDDModesCombo::Show15bit, false),
        shows("Show16bit", &TDDModesCombo::Show16bit, true),
        shows("Show24bit", &TDDModesCombo::Show24bit, false),
        shows("Show32bit", &TDDModesCombo::Show32bit, true),
        shows("ShowRatio4x3", &TDDModesCombo::ShowRatio4x3, true),
        FieldProperty("ShowMaxWidth", IntegerType("Cardinal"), &TDDModesCombo::ShowMaxWidth, 1024),
        Property("DDForm", ClassType("TDDForm"), &TDDModesCombo::DDForm, &TDDModesCombo::SetDDForm),
    };
}

const bool modesComboPublished = RegisterPublishedClass("TDDModesCombo", "TComboBox", modesComboProperties());

} // namespace

TDDModesCombo::TDDModesCombo(TComponent* Owner) : TComboBox(Owner) {
    SetSorted(false);
    SetStyle(csDropDownList);
    if (Owner && Owner->ClassParentName() == "TDDForm") SetDDForm(static_cast<TDDForm*>(Owner));
}

void TDDModesCombo::Loaded() {
    TComboBox::Loaded();
    Init();
}

void TDDModesCombo::Notification(TComponent* component, TOperation operation) {
    TComboBox::Notification(component, operation);
    if (operation == opRemove && component == ddForm_) ddForm_ = nullptr;
}

void TDDModesCombo::SetDDForm(TDDForm* form) {
    if (form == ddForm_) return;
    if (ddForm_) RemoveFreeNotification(ddForm_);
    ddForm_ = form;
    if (ddForm_) FreeNotification(ddForm_);
    Init();
}

bool TDDModesCombo::ShowsMode(DWORD width, DWORD height, DWORD bpp) const {
    bool depth = (bpp == 8 && Show8bit) || (bpp == 15 && Show15bit) || (bpp == 16 && Show16bit) ||
                 (bpp == 24 && Show24bit) || (bpp == 32 && Show32bit);
    if (!depth || width > ShowMaxWidth) return false;
    return !ShowRatio4x3 || width * 3 / 4 == height;
}

void TDDModesCombo::Init() {
    Items()->Clear();
    if (ddForm_ && ddForm_->DirectDraw7) ddForm_->DirectDraw7->EnumDisplayModes(0, nullptr, this, addMode);
    FixIndex();
}

void TDDModesCombo::FixIndex() {
    if (!ddForm_) return;
    SetItemIndex(Items()->Count() > 0 ? 0 : -1);
    DWORD current =
        DisplayModeCode(DWORD(ddForm_->DDWidth()), DWORD(ddForm_->DDHeight()), DWORD(ddForm_->DDBPP()));
    SetItemIndex(Items()->IndexOfObject(codeObject(current)));
}

DWORD TDDModesCombo::ItemModeCode(int index) const {
    return DWORD(reinterpret_cast<std::uintptr_t>(Items()->Objects(index)));
}
