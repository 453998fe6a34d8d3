#include "game/Title.h"

#include "platform/files/PathResolver.h"
#include "toolkit/Kxverinf.h"

TTitleForm* TitleForm = nullptr;

void SetDialogFont(TFont& font, int height, TColor color, TFontStyles style) {
    font.SetName("Arial");
    font.SetHeight(height);
    font.SetColor(color);
    font.SetStyle(style);
}

void LoadDialogPicture(TImage& image, const std::string& fileName) {
    if (!FileExists(fileName)) return;
    try {
        image.Picture().LoadFromFile(fileName);
    } catch (const Exception&) {
        image.Picture().Clear();
    }
}

namespace {

constexpr int clientWidth = 287;
constexpr int clientHeight = 348;
constexpr DWORD showTime = 11000;

// Bottom-aligned controls stack upwards: each new one, placed at the top before it is
// aligned, goes above those already at the bottom.
void alignAboveTheOthers(TControl* control) {
    control->SetTop(0);
    control->SetAlign(alBottom);
}

TLabel* bottomLabel(TTitleForm* form, TWinControl* parent, const char* caption) {
    auto* label = new TLabel(form);
    label->SetParent(parent);
    label->SetAlignment(taCenter);
    label->SetTransparent(true);
    SetDialogFont(label->Font(), -15, clWhite);
    label->SetCaption(caption);
    label->OnClick = [form](TObject* sender) { form->FormClick(sender); };
    alignAboveTheOthers(label);
    return label;
}

TKxLabel* shadowedLabel(TTitleForm* form, TWinControl* parent, int height, const char* caption) {
    auto* label = new TKxLabel(form);
    label->SetParent(parent);
    label->SetAlignment(taCenter);
    label->SetTransparent(true);
    SetDialogFont(label->Font(), height, clRed, fsBold);
    label->SetShadowColor(clWhite);
    label->SetCaption(caption);
    label->OnClick = [form](TObject* sender) { form->FormClick(sender); };
    alignAboveTheOthers(label);
    return label;
}

} // namespace

TTitleForm::TTitleForm(TComponent* owner) : TForm(owner) {
    SetName("TitleForm");
    SetBorderStyle(bsNone);
    SetPosition(poScreenCenter);
    SetClientWidth(clientWidth);
    SetClientHeight(clientHeight);
    auto click = [this](TObject* sender) { FormClick(sender); };
    OnCreate = [this](TObject* sender) { FormCreate(sender); };
    OnShow = [this](TObject* sender) { FormShow(sender); };
    OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
    OnClick = click;
    OnMouseDown = [this](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
        FormMouseDown(sender, button, shift, x, y);
    };
    OnKeyDown = [this](TObject* sender, WORD& key, TShiftState shift) { FormKeyDown(sender, key, shift); };

    Panel1 = new TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetAlign(alClient);
    Panel1->SetColor(clBlack);
    Panel1->SetBevelInner(bvLowered);
    Panel1->SetBevelOuter(bvNone);
    Panel1->OnClick = click;

    Label2 = bottomLabel(this, Panel1, DesignLegalNotice);
    // The lowest line keeps its descenders clear of the frame.
    Label2->SetAutoSize(false);
    Label2->SetHeight(Label2->Height() + 5);
    Label1 = bottomLabel(this, Panel1, "Version ");
    KxLabel1 = shadowedLabel(this, Panel1, -53, "AMIX");
    KxLabel2 = shadowedLabel(this, Panel1, -27, "VORT");

    Image1 = new TImage(this);
    Image1->SetParent(Panel1);
    Image1->SetAlign(alClient);
    Image1->SetCenter(true);
    Image1->OnClick = click;
    LoadDialogPicture(*Image1, "data\\gfx\\title.jpg");

    Timer = new TTimer(this);
    Timer->SetEnabled(false);
    Timer->SetInterval(showTime);
    Timer->OnTimer = [this](TObject* sender) { TimerTimer(sender); };
}

TTitleForm::~TTitleForm() {
    if (TitleForm == this) TitleForm = nullptr;
}

void TTitleForm::FormCreate(TObject*) {
    std::unique_ptr<TVersionInfo> version = AppVerInfo();
    if (!version->Valid()) return;
    Label1->SetCaption(Label1->Caption() + version->GetFileVersion());
    Label2->SetCaption(version->GetLegalCopyright());
}

void TTitleForm::FormShow(TObject*) {
    Timer->SetEnabled(true);
}

void TTitleForm::TimerTimer(TObject*) {
    Timer->SetEnabled(false);
    Close();
}

void TTitleForm::FormClick(TObject*) {
    Close();
}

void TTitleForm::FormMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    Close();
}

void TTitleForm::FormKeyDown(TObject*, WORD&, TShiftState) {
    Close();
}

void TTitleForm::FormClose(TObject*, TCloseAction& action) {
    action = caFree;
}
