#include "platform/dinput/Keyboard.h"
#include "platform/dinput/DIKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!instance) instance = new QApplication(argc, argv);
    return *instance;
}

void send(QWidget& w, QEvent::Type type, int key, quint32 scan, bool repeat = false,
          Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(type, key, mods, scan, 0, 0, QString(), repeat);
    QApplication::sendEvent(&w, &e);
}

std::vector<std::pair<DWORD, DWORD>> drain(TDIKeyboard& k) {
    std::vector<std::pair<DWORD, DWORD>> out;
    for (const DIDEVICEOBJECTDATA& d : k.GetDeviceData())
        out.emplace_back(d.dwOfs, d.dwData);
    return out;
}

} // namespace

TEST(KeyTranslation, EvdevCodesOfTheMainBlockMapOneToOneAndExtendedKeysByTable) {
    struct Case {
        unsigned evdev;
        int dik;
    };
    const Case cases[] = {{1, DIK_ESCAPE},
                          {30, DIK_A},
                          {57, DIK_SPACE},
                          {82, DIK_NUMPAD0},
                          {88, DIK_F12},
                          {96, DIK_NUMPADENTER},
                          {97, DIK_RCONTROL},
                          {98, DIK_DIVIDE},
                          {100, DIK_RMENU},
                          {103, DIK_UP},
                          {105, DIK_LEFT},
                          {106, DIK_RIGHT},
                          {108, DIK_DOWN},
                          {110, DIK_INSERT},
                          {111, DIK_DELETE},
                          {102, DIK_HOME},
                          {107, DIK_END},
                          {104, DIK_PRIOR},
                          {109, DIK_NEXT},
                          {119, DIK_PAUSE},
                          {0, 0},
                          {240, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(DikFromEvdev(c.evdev), c.dik) << c.evdev;
}

TEST(KeyTranslation, FrameworkKeysWithoutAScanCode) {
    EXPECT_EQ(DikFromFrameworkKey(Qt::Key_A, false), DIK_A);
    EXPECT_EQ(DikFromFrameworkKey(Qt::Key_L, false), DIK_L);
    EXPECT_EQ(DikFromFrameworkKey(Qt::Key_B, false), DIK_B);
    EXPECT_EQ(DikFromFrameworkKey(Qt::Key_Left, false), DIK_LEFT);
    EXPECT_EQ(DikFromFrameworkKey(Qt::Key_4, true), DIK_NUMPAD4);
    EXPECT_EQ(DikFromFrameworkKey(Qt::Key_Left, true), DIK_NUMPAD4);
    EXPECT_EQ(DikFromFrameworkKey(Qt::Key_Insert, true), DIK_NUMPAD0);
    EXPECT_EQ(DikFromFrameworkKey(Qt::Key_Pause, false), DIK_PAUSE);
    EXPECT_EQ(DikFromFrameworkKey(Qt::Key_Return, false), DIK_RETURN);
    EXPECT_EQ(DikFromFrameworkKey(Qt::Key_unknown, false), 0);
}

TEST(KeyboardDevice, BuffersPressesAndReleasesInOrderWithoutRepeats) {
    app();
    QWidget window;
    TDIKeyboard keyboard;
    keyboard.Attach(&window);
    send(window, QEvent::KeyPress, Qt::Key_Left, 105 + 8);
    send(window, QEvent::KeyPress, Qt::Key_Left, 105 + 8, true);
    send(window, QEvent::KeyPress, Qt::Key_A, 0);
    send(window, QEvent::KeyRelease, Qt::Key_Left, 105 + 8);
    send(window, QEvent::KeyRelease, Qt::Key_A, 0);
    auto events = drain(keyboard);
    std::vector<std::pair<DWORD, DWORD>> expected = {
        {DIK_LEFT, 0x80}, {DIK_A, 0x80}, {DIK_LEFT, 0}, {DIK_A, 0}};
    EXPECT_EQ(events, expected);
    EXPECT_TRUE(drain(keyboard).empty());
}

TEST(KeyboardDevice, KeepsEveryEventPastEightBetweenPolls) {
    app();
    QWidget window;
    TDIKeyboard keyboard;
    keyboard.Attach(&window);
    for (int i = 0; i < 20; ++i) {
        send(window, QEvent::KeyPress, Qt::Key_Space, 57 + 8);
        send(window, QEvent::KeyRelease, Qt::Key_Space, 57 + 8);
    }
    EXPECT_EQ(drain(keyboard).size(), 40u);
}

TEST(KeyboardDevice, ShortcutCheckCountsAsThePressOnce) {
    app();
    QWidget window;
    TDIKeyboard keyboard;
    keyboard.Attach(&window);
    send(window, QEvent::ShortcutOverride, Qt::Key_F1, 59 + 8);
    send(window, QEvent::KeyPress, Qt::Key_F1, 59 + 8);
    send(window, QEvent::KeyRelease, Qt::Key_F1, 59 + 8);
    std::vector<std::pair<DWORD, DWORD>> expected = {{DIK_F1, 0x80}, {DIK_F1, 0}};
    EXPECT_EQ(drain(keyboard), expected);
}

TEST(KeyboardDevice, LosingTheFocusReleasesHeldKeys) {
    app();
    QWidget window;
    TDIKeyboard keyboard;
    keyboard.Attach(&window);
    send(window, QEvent::KeyPress, Qt::Key_Up, 103 + 8);
    send(window, QEvent::KeyPress, Qt::Key_W, 17 + 8);
    drain(keyboard);
    EXPECT_TRUE(keyboard.IsHeld(DIK_UP));
    QFocusEvent focus(QEvent::FocusOut);
    QApplication::sendEvent(&window, &focus);
    auto events = drain(keyboard);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], (std::pair<DWORD, DWORD>{DIK_W, 0}));
    EXPECT_EQ(events[1], (std::pair<DWORD, DWORD>{DIK_UP, 0}));
    EXPECT_FALSE(keyboard.IsHeld(DIK_UP));
    // A release after the focus came back is not reported twice.
    send(window, QEvent::KeyRelease, Qt::Key_Up, 103 + 8);
    EXPECT_TRUE(drain(keyboard).empty());
}
