#pragma once
// TWinVerLabel: a label whose text is the running system's version (GetWindowsVersion),
// set when it is created whatever a form description gives it.
#include "platform/framework/StdCtrls.h"

class TWinVerLabel : public TCustomLabel {
    VX_CLASS(TWinVerLabel, TCustomLabel)
public:
    explicit TWinVerLabel(TComponent* owner);
};
