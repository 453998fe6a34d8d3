#include "graphics/DXVersion.h"

#include "graphics/DXVersionProbe.h"
#include "platform/framework/Published.h"

namespace {

// The caption is the probe's: the label adds no property of its own.
const bool versionPublished = RegisterPublishedClass("TDXVersion", "TLabel", {});

} // namespace

TDXVersion::TDXVersion(TComponent* Owner) : TLabel(Owner) {}

void TDXVersion::Loaded() {
    TLabel::Loaded();
    DWORD value = 0;
    char text[10];
    std::string caption;
    if (FAILED(QueryDirectXVersion(&value, text, sizeof text)))
        caption = "Unknown version of DirectX installed";
    else if (value != 0)
        caption = std::string("DirectX ") + text + " installed";
    else
        caption = "DirectX not installed";
    SetCaption(caption.substr(0, 127));
}
