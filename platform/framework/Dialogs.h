#pragma once
// The framework's message dialog: a text with an icon for its kind and a choice of buttons,
// shown through the message service (so tests record it) with the kind's name as caption.
#include "platform/framework/Forms.h"

#include <initializer_list>
#include <string>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};

class TMsgDlgButtons {
public:
    TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons = {});
    bool Contains(TMsgDlgBtn button) const { return (bits_ >> button) & 1u; }

private:
    unsigned bits_ = 0;
};

// The message-box flags that show the dialog: the kind's icon and the nearest set of
// buttons the boxes offer (OK; OK and Cancel; Yes and No; Yes, No and Cancel).
unsigned MessageDlgFlags(TMsgDlgType type, const TMsgDlgButtons& buttons);
// Shows the dialog; answers the modal result of the button pressed (mrOk, mrYes...).
TModalResult MessageDlg(const std::string& text, TMsgDlgType type, const TMsgDlgButtons& buttons,
                        int helpContext);
