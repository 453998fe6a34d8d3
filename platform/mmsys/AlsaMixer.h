#pragma once
// The mixer service's backend on ALSA's mixer interface. The devices are the system's
// default device, when it has a mixer of its own (a sound server's), followed by each sound
// card; their elements become lines as AlsaMixerMap.h describes. Changes made by other
// programs arrive through the mixer's poll descriptors.
#include "platform/mmsys/MixerBackend.h"

#include <string>
#include <vector>

class AlsaMixerBackend : public MixerBackend {
public:
    std::vector<MixerDeviceInfo> listDevices() override;
    std::vector<MixerDeviceInfo> devices() override;
    MMRESULT open(UINT device, std::unique_ptr<MixerDevice>& opened) override;

private:
    struct Entry {
        std::string alsaName; // "default", "hw:0", ...
        std::string name;
    };
    std::vector<Entry> entries_;
    bool listed_ = false;
};
