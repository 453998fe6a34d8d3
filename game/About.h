#pragma once
// TAboutForm: the program's description, its legal notice, two links, a picture, the
// running system and the DirectX version, opened from the Help menu.
#include "graphics/DXVersion.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/Forms.h"
#include "platform/framework/StdCtrls.h"
#include "toolkit/WebLabel.h"
#include "toolkit/WinVerLb.h"

class TAboutForm : public TForm {
    VX_CLASS(TAboutForm, TForm)
public:
    explicit TAboutForm(TComponent* owner);

    TPanel* Panel1;
    TLabel* Label1;
    TLabel* Label2;
    TWebLabel* WebLabel1;
    TWebLabel* WebLabel2;
    TImage* Image1;
    TWinVerLabel* WinVerLabel1;
    TDXVersion* DXVersion1;
    TButton* AboutCloseButton;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
};

extern TAboutForm* AboutForm;
