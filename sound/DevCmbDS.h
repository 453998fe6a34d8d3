#pragma once
// TDSoundDevCombo: a drop-down list of the DirectSound playback devices. Each item shows a
// device's description; its object is the control's own copy of the device identifier
// (none for the system's default device), which is what an engine takes as its device.
#include "platform/dsound/DSound.h"
#include "platform/framework/Published.h"
#include "platform/framework/StdCtrls.h"

#include <memory>
#include <vector>

// The device identifiers behind a chooser's items, owned by the chooser.
class TSoundDeviceList {
public:
    using Enumerate = HRESULT (*)(LPDSENUMCALLBACK callback, void* context);
    // Replaces the combo's items by the devices the enumeration lists, in its order; the
    // identifiers of an earlier fill are freed, so no device is listed twice.
    void Fill(TComboBox& combo, Enumerate enumerate);
    // The identifier an item carries; null for the default device or an index off the list.
    static const GUID* GuidOf(const TComboBox& combo, int index);
    // The last item (searching from the end) whose identifier is that very pointer; 0 when none.
    static int IndexOf(const TComboBox& combo, const GUID* guid);

private:
    class DeviceId : public TObject {
    public:
        explicit DeviceId(const GUID& guid) : Guid(guid) {}
        GUID Guid;
    };
    static bool added(const GUID* guid, const char* description, const char* module, void* context);

    TComboBox* filling_ = nullptr;
    std::vector<std::unique_ptr<DeviceId>> ids_;
};

// What a device chooser publishes of its combo box. The items and the style are the
// chooser's own: a stored list would lose the identifiers behind the items.
std::vector<TPropInfo> DeviceComboProperties();

class TDSoundDevCombo : public TComboBox {
    VX_CLASS(TDSoundDevCombo, TComboBox)
public:
    explicit TDSoundDevCombo(TComponent* owner);
    ~TDSoundDevCombo() override;

    // Lists the devices again and selects the item at the default index.
    void Init();
    // The identifier of the selected device; null for the default device or no selection.
    const GUID* GetDefDriver() const;
    // Selects the item whose identifier is that pointer (compared as a pointer, as
    // GetDefDriver of this control gave it); any other pointer selects item 0.
    void SetDefDriver(const GUID* guid);

private:
    TSoundDeviceList devices_;
    int defaultIndex_ = 0;
};
