// Key translation: evdev key codes equal the PC scan codes of the main block; the extended
// keys (arrows, editing block, keypad Enter and slash, right Ctrl and Alt, Pause) need a table.
#include "platform/dinput/DIKeys.h"
#include "platform/dinput/Keyboard.h"

#include <Qt>

namespace {

struct Extended {
    unsigned evdev;
    int dik;
};

constexpr Extended ExtendedKeys[] = {
    {96, DIK_NUMPADENTER}, {97, DIK_RCONTROL}, {98, DIK_DIVIDE}, {99, DIK_SYSRQ},   {100, DIK_RMENU},
    {102, DIK_HOME},       {103, DIK_UP},      {104, DIK_PRIOR}, {105, DIK_LEFT},   {106, DIK_RIGHT},
    {107, DIK_END},        {108, DIK_DOWN},    {109, DIK_NEXT},  {110, DIK_INSERT}, {111, DIK_DELETE},
    {119, DIK_PAUSE},      {125, DIK_LWIN},    {126, DIK_RWIN},  {127, DIK_APPS},
};

struct Named {
    int key;
    int dik;
};

// Keys whose place on the keyboard the framework key tells (letters and digits by value).
constexpr Named FrameworkKeys[] = {
    {Qt::Key_Escape, DIK_ESCAPE},
    {Qt::Key_Return, DIK_RETURN},
    {Qt::Key_Enter, DIK_NUMPADENTER},
    {Qt::Key_Space, DIK_SPACE},
    {Qt::Key_Tab, DIK_TAB},
    {Qt::Key_Backspace, DIK_BACK},
    {Qt::Key_Shift, DIK_LSHIFT},
    {Qt::Key_Control, DIK_LCONTROL},
    {Qt::Key_Alt, DIK_LMENU},
    {Qt::Key_F1, DIK_F1},
    {Qt::Key_F2, DIK_F2},
    {Qt::Key_F10, DIK_F10},
    {Qt::Key_F11, DIK_F11},
    {Qt::Key_F12, DIK_F12},
    {Qt::Key_Pause, DIK_PAUSE},
    {Qt::Key_Left, DIK_LEFT},
    {Qt::Key_Right, DIK_RIGHT},
    {Qt::Key_Up, DIK_UP},
    {Qt::Key_Down, DIK_DOWN},
    {Qt::Key_Insert, DIK_INSERT},
    {Qt::Key_Delete, DIK_DELETE},
    {Qt::Key_Home, DIK_HOME},
    {Qt::Key_End, DIK_END},
    {Qt::Key_PageUp, DIK_PRIOR},
    {Qt::Key_PageDown, DIK_NEXT},
};

// Keypad keys by the character they type.
constexpr Named KeypadKeys[] = {
    {Qt::Key_0, DIK_NUMPAD0},         {Qt::Key_1, DIK_NUMPAD1},        {Qt::Key_2, DIK_NUMPAD2},
    {Qt::Key_3, DIK_NUMPAD3},         {Qt::Key_4, DIK_NUMPAD4},        {Qt::Key_5, DIK_NUMPAD5},
    {Qt::Key_6, DIK_NUMPAD6},         {Qt::Key_7, DIK_NUMPAD7},        {Qt::Key_8, DIK_NUMPAD8},
    {Qt::Key_9, DIK_NUMPAD9},         {Qt::Key_Slash, DIK_DIVIDE},     {Qt::Key_Asterisk, DIK_MULTIPLY},
    {Qt::Key_Minus, DIK_SUBTRACT},    {Qt::Key_Plus, DIK_ADD},         {Qt::Key_Period, DIK_DECIMAL},
    {Qt::Key_Enter, DIK_NUMPADENTER}, {Qt::Key_Insert, DIK_NUMPAD0},   {Qt::Key_End, DIK_NUMPAD1},
    {Qt::Key_Down, DIK_NUMPAD2},      {Qt::Key_PageDown, DIK_NUMPAD3}, {Qt::Key_Left, DIK_NUMPAD4},
    {Qt::Key_Clear, DIK_NUMPAD5},     {Qt::Key_Right, DIK_NUMPAD6},    {Qt::Key_Home, DIK_NUMPAD7},
    {Qt::Key_Up, DIK_NUMPAD8},        {Qt::Key_PageUp, DIK_NUMPAD9},   {Qt::Key_Delete, DIK_DECIMAL},
};

// The letters of the main block by row, as the scan codes run.
constexpr const char* LetterRows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
constexpr int LetterRowStarts[] = {0x10, 0x1E, 0x2C};

} // namespace

int DikFromEvdev(unsigned evdevCode) {
    if (evdevCode >= 1 && evdevCode <= 88) return static_cast<int>(evdevCode);
    for (const Extended& e : ExtendedKeys)
        if (e.evdev == evdevCode) return e.dik;
    return 0;
}

int DikFromFrameworkKey(int key, bool keypad) {
    if (keypad) {
        for (const Named& k : KeypadKeys)
            if (k.key == key) return k.dik;
    }
    for (const Named& k : FrameworkKeys)
        if (k.key == key) return k.dik;
    if (key >= Qt::Key_1 && key <= Qt::Key_9) return DIK_1 + (key - Qt::Key_1);
    if (key == Qt::Key_0) return DIK_0;
    for (int row = 0; row < 3; ++row)
        for (int i = 0; LetterRows[row][i] != '\0'; ++i)
            if (key == Qt::Key_A + (LetterRows[row][i] - 'A')) return LetterRowStarts[row] + i;
    return 0;
}
