#include "toolkit/WinVerLb.h"

#include "platform/framework/Published.h"
#include "toolkit/Winutils.h"

namespace {

// Everything a label publishes but its caption, which is the version.
const bool versionLabelPublished = RegisterPublishedClass("TWinVerLabel", "TCustomLabel", {});

} // namespace

TWinVerLabel::TWinVerLabel(TComponent* owner) : TCustomLabel(owner) {
    SetCaption(GetWindowsVersion());
}

void TWinVerLabel::Loaded() {
    TCustomLabel::Loaded();
    SetCaption(GetWindowsVersion());
}
