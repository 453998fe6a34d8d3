#include "sound/DevCmbDC.h"

#include "platform/framework/StringList.h"

namespace {

const bool captureChooserPublished =
    RegisterPublishedClass("TDCaptureDevCombo", "TWinControl", DeviceComboProperties());

} // namespace

TDCaptureDevCombo::TDCaptureDevCombo(TComponent* owner) : TComboBox(owner) {
    SetSorted(false);
    SetStyle(csDropDownList);
    Init();
}

TDCaptureDevCombo::~TDCaptureDevCombo() {
    Items()->Clear();
}

void TDCaptureDevCombo::Init() {
    devices_.Fill(*this, DirectSoundCaptureEnumerate);
    SetItemIndex(defaultIndex_);
}

const GUID* TDCaptureDevCombo::GetDefDriver() const {
    return TSoundDeviceList::GuidOf(*this, ItemIndex());
}

void TDCaptureDevCombo::SetDefDriver(const GUID* guid) {
    defaultIndex_ = TSoundDeviceList::IndexOf(*this, guid);
    SetItemIndex(defaultIndex_);
}
