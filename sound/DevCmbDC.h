#pragma once
// TDCaptureDevCombo: the DirectSound capture devices, chosen as TDSoundDevCombo chooses
// playback devices.
#include "sound/DevCmbDS.h"

class TDCaptureDevCombo : public TComboBox {
    VX_CLASS(TDCaptureDevCombo, TComboBox)
public:
    explicit TDCaptureDevCombo(TComponent* owner);
    ~TDCaptureDevCombo() override;

    void Init();
    const GUID* GetDefDriver() const;
    void SetDefDriver(const GUID* guid);

private:
    TSoundDeviceList devices_;
    int defaultIndex_ = 0;
};
