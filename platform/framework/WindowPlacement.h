#pragma once
// A form window's placement: its state (normal, minimised, maximised) and the rectangle it
// has when normal, also while it is minimised or maximised. Positions are the form's own
// (Left, Top, Left + Width, Top + Height). The places a window goes to when minimised or
// maximised belong to the window manager here: they read as (-1, -1) and setting them does
// nothing.
#include "platform/framework/Forms.h"

constexpr unsigned WPF_SETMINPOSITION = 0x0001;
constexpr unsigned SW_HIDE = 0;
constexpr unsigned SW_SHOWNORMAL = 1;
constexpr unsigned SW_SHOWMINIMIZED = 2;
constexpr unsigned SW_SHOWMAXIMIZED = 3;
constexpr unsigned SW_SHOW = 5;
constexpr unsigned SW_MINIMIZE = 6;
constexpr unsigned SW_SHOWMINNOACTIVE = 7;
constexpr unsigned SW_RESTORE = 9;

struct WINDOWPLACEMENT {
    unsigned length = 44;
    unsigned flags = 0;
    unsigned showCmd = SW_SHOWNORMAL;
    POINT ptMinPosition;
    POINT ptMaxPosition;
    RECT rcNormalPosition;
};

// The show command is the window's state (a hidden window reads as its state too).
bool GetWindowPlacement(const TForm* form, WINDOWPLACEMENT* placement);
// Gives the form its normal rectangle, moved (and shrunk where it must) onto the screen it
// overlaps most, or the nearest one, so a placement saved on a larger or another screen
// never puts the window out of reach. SW_HIDE changes only the rectangle; a minimising
// command minimises, SW_SHOWMAXIMIZED maximises, any other makes the window normal. It
// never shows or hides the window. False without a form or placement.
bool SetWindowPlacement(TForm* form, const WINDOWPLACEMENT* placement);

// The rectangle moved, and shrunk where it is larger, to lie inside area.
RECT FitRectInto(const RECT& rect, const RECT& area);
// Of the screens' work areas, the one rect overlaps most, else the one nearest to it.
RECT WorkAreaFor(const RECT& rect);
