#pragma once
// TWinVerLabel: a label whose text is the running system's version (GetWindowsVersion).
// Its caption is no property of a form description: it is set at creation and set again
// once the description has been applied, whatever that gave it.
#include "platform/framework/StdCtrls.h"

class TWinVerLabel : public TCustomLabel {
    VX_CLASS(TWinVerLabel, TCustomLabel)
public:
    explicit TWinVerLabel(TComponent* owner);

protected:
    void Loaded() override;
};
