#pragma once
// TTitleForm: the borderless splash shown once, at the main form's first show, while the
// default music plays: the picture, "VORT" over "AMIX" in shadowed letters, the version
// and the legal notice. It closes itself after 11 seconds, at a click or at a key press,
// and frees itself when closed.
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/Forms.h"
#include "platform/framework/StdCtrls.h"
#include "platform/framework/Timer.h"
#include "toolkit/KXCtrls.h"

#include <string>

class TTitleForm : public TForm {
    VX_CLASS(TTitleForm, TForm)
public:
    explicit TTitleForm(TComponent* owner);
    // The dialog frees itself when it closes; TitleForm then no longer points at it.
    ~TTitleForm() override;

    TPanel* Panel1;
    TImage* Image1;
    TKxLabel* KxLabel2;
    TKxLabel* KxLabel1;
    TLabel* Label1;
    TLabel* Label2;
    TTimer* Timer;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void FormClick(TObject* sender);
    void FormMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void FormKeyDown(TObject* sender, WORD& key, TShiftState shift);
    void TimerTimer(TObject* sender);
};

extern TTitleForm* TitleForm;

// Shared with the about dialog: the legal notice a dialog shows when the executable
// carries no version block, the dialogs' fonts and their pictures.
inline constexpr const char* DesignLegalNotice = "(C) the Vortamix developers";
void SetDialogFont(TFont& font, int height, TColor color, TFontStyles style = 0);
// Loads a dialog picture from the data tree; a missing or broken picture leaves the image
// empty, so the dialog still shows.
void LoadDialogPicture(TImage& image, const std::string& fileName);
