#pragma once
// The keyboard device: key presses and releases of the game window, in order, as DIK codes,
// buffered until the frame thread drains them. Auto-repeat is dropped, held keys are released
// when the window loses focus, and nothing is dropped for lack of room.
#include "platform/kernel/Types.h"

#include <array>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class QWidget;

// One buffered key event: the key's DIK code and 0x80 in Data when it went down.
struct DIDEVICEOBJECTDATA {
    DWORD dwOfs = 0;
    DWORD dwData = 0;
};

// The DIK code of an evdev key code (0 when the key has none).
int DikFromEvdev(unsigned evdevCode);
// The DIK code of a framework key (its Qt key value) when no scan code is known.
int DikFromFrameworkKey(int key, bool keypad);

class TDIKeyboard {
public:
    TDIKeyboard();
    ~TDIKeyboard();
    TDIKeyboard(const TDIKeyboard&) = delete;
    TDIKeyboard& operator=(const TDIKeyboard&) = delete;

    // Listens to the key and focus events of a window; none detaches.
    void Attach(QWidget* window);

    // Records a key change; a press of a held key and a release of a free key are ignored.
    void KeyChange(int dik, bool down);
    // Releases every held key (the window lost the focus).
    void ReleaseAll();
    // Takes every buffered event, oldest first.
    std::vector<DIDEVICEOBJECTDATA> GetDeviceData();
    bool IsHeld(int dik) const;

private:
    class Filter;
    mutable std::mutex lock_;
    std::deque<DIDEVICEOBJECTDATA> events_;
    std::array<bool, 256> held_{};
    std::unique_ptr<Filter> filter_;
};
