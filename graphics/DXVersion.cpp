#include "graphics/DXVersion.h"

#include "graphics/DXVersionProbe.h"

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
