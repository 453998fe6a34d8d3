#include "game/About.h"

#include "game/Title.h"
#include "platform/files/PathResolver.h"
#include "toolkit/Kxverinf.h"

#include <filesystem>
#include <string>
#include <system_error>

TAboutForm* AboutForm = nullptr;

namespace {

constexpr int clientWidth = 242;
constexpr int clientHeight = 333;

TLabel* centredLabel(TAboutForm* form, int top, int height, int fontHeight, const char* caption) {
    auto* label = new TLabel(form);
    label->SetParent(form->Panel1);
    label->SetAutoSize(false);
    label->SetBounds(0, top, clientWidth, height);
    label->SetAlignment(taCenter);
    label->SetTransparent(true);
    SetDialogFont(label->Font(), fontHeight, clWindowText);
    label->SetCaption(caption);
    return label;
}

// What the link opens, as the user knows it here: a local page by its full path.
std::string hintOf(const std::string& target) {
    if (target.find(':') != std::string::npos) return target;
    std::error_code failed;
    std::filesystem::path page = std::filesystem::absolute(ResolvePath(target), failed);
    return failed ? ResolvePath(target) : page.lexically_normal().string();
}

TWebLabel* link(TAboutForm* form, int top, const char* caption, const char* target) {
    auto* label = new TWebLabel(form);
    label->SetParent(form->Panel1);
    label->SetAutoSize(false);
    label->SetBounds(0, top, clientWidth, 14);
    label->SetAlignment(taCenter);
    label->SetTransparent(true);
    label->Font().SetName("Arial");
    label->SetCaption(caption);
    label->SetFile(target);
    label->SetHint(hintOf(target));
    label->SetShowHint(true);
    return label;
}

} // namespace

TAboutForm::TAboutForm(TComponent* owner) : TForm(owner) {
    SetName("AboutForm");
    SetCaption("About...");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(clientWidth);
    SetClientHeight(clientHeight);
    OnCreate = [this](TObject* sender) { FormCreate(sender); };
    OnShow = [this](TObject* sender) { FormShow(sender); };

    Panel1 = new TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetAlign(alClient);
    Panel1->SetBevelInner(bvLowered);

    Label1 = centredLabel(this, 2, 24, -21, "Vortamix");
    Label2 = centredLabel(this, 26, 14, -11, DesignLegalNotice);
    WebLabel1 = link(this, 40, "Vortamix help", ".\\Help\\Index.htm");
    WebLabel2 = link(this, 54, "developers@vortamix.example", "mailto:developers@vortamix.example");

    Image1 = new TImage(this);
    Image1->SetParent(Panel1);
    Image1->SetBounds(5, 69, 232, 216);
    Image1->SetCenter(true);
    LoadDialogPicture(*Image1, "data\\gfx\\about.jpg");

    WinVerLabel1 = new TWinVerLabel(this);
    WinVerLabel1->SetParent(Panel1);
    WinVerLabel1->SetAutoSize(false);
    WinVerLabel1->SetWordWrap(true);
    WinVerLabel1->SetTransparent(true);
    WinVerLabel1->SetBounds(6, 287, 168, 28);
    WinVerLabel1->Font().SetName("Arial");

    DXVersion1 = new TDXVersion(this);
    DXVersion1->SetParent(Panel1);
    DXVersion1->SetTransparent(true);
    DXVersion1->SetBounds(6, 316, 168, 14);
    DXVersion1->Font().SetName("Arial");

    AboutCloseButton = new TButton(this);
    AboutCloseButton->SetParent(Panel1);
    AboutCloseButton->SetBounds(178, 296, 58, 25);
    AboutCloseButton->SetCaption("&Ok");
    AboutCloseButton->SetDefault(true);
    AboutCloseButton->SetCancel(true);
    AboutCloseButton->SetModalResult(mrOk);
}

void TAboutForm::FormCreate(TObject*) {
    std::unique_ptr<TVersionInfo> version = AppVerInfo();
    if (!version->Valid()) return;
    Label1->SetCaption(version->GetFileDescription());
    Label2->SetCaption(version->GetLegalCopyright());
}

void TAboutForm::FormShow(TObject*) {
    SetLeft((Screen->Width() - Width()) / 2);
    SetTop((Screen->Height() - Height()) / 2);
}
