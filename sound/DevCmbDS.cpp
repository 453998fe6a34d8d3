#include "sound/DevCmbDS.h"

#include "platform/framework/StringList.h"

bool TSoundDeviceList::added(const GUID* guid, const char* description, const char*, void* context) {
    auto* list = static_cast<TSoundDeviceList*>(context);
    DeviceId* id = nullptr;
    if (guid) {
        list->ids_.push_back(std::make_unique<DeviceId>(*guid));
        id = list->ids_.back().get();
    }
    list->filling_->Items()->AddObject(description, id);
    return true;
}

void TSoundDeviceList::Fill(TComboBox& combo, Enumerate enumerate) {
    combo.Items()->Clear();
    ids_.clear();
    filling_ = &combo;
    enumerate(&TSoundDeviceList::added, this);
    filling_ = nullptr;
}

const GUID* TSoundDeviceList::GuidOf(const TComboBox& combo, int index) {
    if (index < 0 || index >= combo.Items()->Count()) return nullptr;
    auto* id = static_cast<DeviceId*>(combo.Items()->Objects(index));
    return id ? &id->Guid : nullptr;
}

int TSoundDeviceList::IndexOf(const TComboBox& combo, const GUID* guid) {
    for (int i = combo.Items()->Count() - 1; i >= 0; --i)
        if (GuidOf(combo, i) == guid) return i;
    return 0;
}

std::vector<TPropInfo> DeviceComboProperties() {
    auto combo = [](const char* name, std::optional<std::int64_t> defaultValue = std::nullopt) {
        return InheritedProperty("TComboBox", name, defaultValue);
    };
    return {combo("DropDownCount", 8), combo("ItemHeight"), combo("OnChange"), combo("OnDropDown")};
}

namespace {

const bool playbackChooserPublished =
    RegisterPublishedClass("TDSoundDevCombo", "TWinControl", DeviceComboProperties());

} // namespace

TDSoundDevCombo::TDSoundDevCombo(TComponent* owner) : TComboBox(owner) {
    SetSorted(false);
    SetStyle(csDropDownList);
    Init();
}

TDSoundDevCombo::~TDSoundDevCombo() {
    Items()->Clear();
}

void TDSoundDevCombo::Init() {
    devices_.Fill(*this, DirectSoundEnumerate);
    SetItemIndex(defaultIndex_);
}

const GUID* TDSoundDevCombo::GetDefDriver() const {
    return TSoundDeviceList::GuidOf(*this, ItemIndex());
}

void TDSoundDevCombo::SetDefDriver(const GUID* guid) {
    defaultIndex_ = TSoundDeviceList::IndexOf(*this, guid);
    SetItemIndex(defaultIndex_);
}
