#include "toolkit/WinVerLb.h"

#include "toolkit/Winutils.h"

TWinVerLabel::TWinVerLabel(TComponent* owner) : TCustomLabel(owner) {
    SetCaption(GetWindowsVersion());
}

void TWinVerLabel::Loaded() {
    TCustomLabel::Loaded();
    SetCaption(GetWindowsVersion());
}
