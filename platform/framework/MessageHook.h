#pragma once
// A windowed control's messages, for code that watches a control without being it: a message
// filter set on a control sees each of the control's messages before the control does, may
// stop it there, and sees it again once the control has handled it.
//
// The messages are the desktop's events in the framework's message shape:
//   WM_MOVE, WM_SIZE      the control moved (LParam x | y << 16) or was resized (w | h << 16)
//   WM_SHOWWINDOW         WParam 1 when shown, 0 when hidden
//   WM_CLOSE              the user asks a window to close
//   WM_SETFOCUS, WM_KILLFOCUS
//   WM_KEYDOWN, WM_KEYUP  WParam the virtual key
//   WM_MOUSEMOVE, WM_[LRM]BUTTONDOWN/UP, WM_LBUTTONDBLCLK   LParam x | y << 16
//   WM_DESTROY            a form's window goes away (it is made again when shown, say after a
//                         change of border style); it always reaches the control
//   WM_GETMINMAXINFO      a form asks for its size limits (LParam points to a MINMAXINFO
//                         holding the form's own); the limits the filters leave are applied.
//                         Asked when the filter is set, soon after the form is shown or
//                         resized, and on RequestMinMaxInfo.
// Used on the GUI thread.
#include "platform/framework/Forms.h"

constexpr unsigned WM_DESTROY = 0x0002;
constexpr unsigned WM_SETFOCUS = 0x0007;
constexpr unsigned WM_KILLFOCUS = 0x0008;
constexpr unsigned WM_CLOSE = 0x0010;
constexpr unsigned WM_QUIT = 0x0012;
constexpr unsigned WM_SHOWWINDOW = 0x0018;
constexpr unsigned WM_GETMINMAXINFO = 0x0024;
constexpr unsigned WM_KEYDOWN = 0x0100;
constexpr unsigned WM_KEYUP = 0x0101;
constexpr unsigned WM_MOUSEMOVE = 0x0200;
constexpr unsigned WM_LBUTTONDOWN = 0x0201;
constexpr unsigned WM_LBUTTONUP = 0x0202;
constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
constexpr unsigned WM_RBUTTONDOWN = 0x0204;
constexpr unsigned WM_RBUTTONUP = 0x0205;
constexpr unsigned WM_MBUTTONDOWN = 0x0207;
constexpr unsigned WM_MBUTTONUP = 0x0208;

struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

class TMessageFilter {
public:
    virtual ~TMessageFilter() = default;
    // Before the control; true stops the message (WM_DESTROY still reaches the control).
    virtual bool FilterBefore(TMessage& message) = 0;
    // After the control handled the message.
    virtual void FilterAfter(TMessage& message) = 0;
};

// Sets the control's filter (nullptr: none); a control has at most one.
void SetMessageFilter(TWinControl* control, TMessageFilter* filter);
TMessageFilter* MessageFilterOf(const TWinControl* control);
// Asks a form with a filter for its size limits again (WM_GETMINMAXINFO).
void RequestMinMaxInfo(TWinControl* control);
