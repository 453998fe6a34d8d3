#include "platform/framework/Dialogs.h"

#include "platform/framework/MessageService.h"

namespace {

const char* captionOf(TMsgDlgType type) {
    static const char* const captions[] = {"Warning", "Error", "Information", "Confirm", ""};
    return captions[type];
}

} // namespace

TMsgDlgButtons::TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons) {
    for (TMsgDlgBtn button : buttons)
        bits_ |= 1u << button;
}

unsigned MessageDlgFlags(TMsgDlgType type, const TMsgDlgButtons& buttons) {
    static const unsigned icons[] = {MB_ICONWARNING, MB_ICONERROR, MB_ICONINFORMATION, MB_ICONQUESTION, 0};
    const bool yes = buttons.Contains(mbYes) || buttons.Contains(mbYesToAll);
    const bool no = buttons.Contains(mbNo) || buttons.Contains(mbNoToAll);
    const bool cancel = buttons.Contains(mbCancel) || buttons.Contains(mbAbort);
    unsigned set = MB_OK;
    if (yes || no)
        set = cancel ? MB_YESNOCANCEL : MB_YESNO;
    else if (cancel)
        set = MB_OKCANCEL;
    return set | icons[type];
}

TModalResult MessageDlg(const std::string& text, TMsgDlgType type, const TMsgDlgButtons& buttons,
                        int helpContext) {
    (void)helpContext; // the boxes have no Help button to offer the topic through
    const int answer = ShowMessageBox(text, captionOf(type), MessageDlgFlags(type, buttons));
    switch (answer) {
    case IDCANCEL:
        return mrCancel;
    case IDYES:
        return mrYes;
    case IDNO:
        return mrNo;
    default:
        return mrOk;
    }
}
