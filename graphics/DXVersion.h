#pragma once
// TDXVersion: a label that shows the installed DirectX version.
#include "platform/framework/StdCtrls.h"

class TDXVersion : public TLabel {
    VX_CLASS(TDXVersion, TLabel)
public:
    explicit TDXVersion(TComponent* Owner);

protected:
    void Loaded() override;
};
