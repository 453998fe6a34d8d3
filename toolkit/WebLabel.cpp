#include "toolkit/WebLabel.h"

#include "platform/files/Shell.h"
#include "platform/framework/Published.h"

namespace {

const char* const defaultAddress = "mailto:developers@vortamix.example";

const bool webLabelPublished = RegisterPublishedClass(
    "TWebLabel", "TLabel", {Property("File", TypeString(), &TWebLabel::File, &TWebLabel::SetFile)});

} // namespace

TWebLabel::TWebLabel(TComponent* owner) : TLabel(owner), file_(defaultAddress) {
    Font().SetColor(clBlue);
    Font().SetStyle(fsUnderline);
    SetCursor(crHandPoint);
    SetCaption("developers@vortamix.example");
    OnClick = [this](TObject* sender) { OnLabelClick(sender); };
}

void TWebLabel::OnLabelClick(TObject*) {
    ShellExecute(file_);
}
