// Keys and joystick: they only set or clear a player's direction and bomb-key bits, call the
// bomb actions, and steer the pause, the overlays and the next round.
#include "game/GameRules.h"
#include "platform/dinput/DIKeys.h"

#include <cstdlib>

namespace {

struct PlayerKeys {
    int left, right, up, down, bomb, detonate;
};

constexpr PlayerKeys KeysOf[4] = {
    {DIK_LEFT, DIK_RIGHT, DIK_UP, DIK_DOWN, DIK_INSERT, DIK_DELETE},
    {DIK_A, DIK_D, DIK_W, DIK_S, DIK_LSHIFT, DIK_LCONTROL},
    {DIK_J, DIK_L, DIK_I, DIK_K, DIK_SPACE, DIK_B},
    {DIK_NUMPAD4, DIK_NUMPAD6, DIK_NUMPAD8, DIK_NUMPAD5, DIK_NUMPAD0, DIK_NUMPAD1},
};

long directionOf(const PlayerKeys& keys, int key) {
    if (key == keys.left) return TagLeft;
    if (key == keys.right) return TagRight;
    if (key == keys.up) return TagUp;
    if (key == keys.down) return TagDown;
    return 0;
}

} // namespace

void TGameRules::HandleKeyDown(int key) {
    std::lock_guard lock(gameLock_);
    if (key == DIK_PAUSE && UiState.PauseEnabled) PauseKeyPressed();
    if (IsAppPaused() || !GameRunning) return;
    if (key == DIK_RETURN) {
        ShowInfo = false;
        InfoWaitsForEnter = false;
    } else if (key == DIK_F1) {
        ShowStats = !ShowStats;
        SetTimerEnabled(gtStats, ShowStats);
    } else if (key == DIK_F2) {
        ShowInfo = !ShowInfo;
    }
    if (ShowInfo && InfoWaitsForEnter) return;
    // While the game is paused its clock stands still: a bomb laid now would be stamped with
    // a time that the resume moves back, and a new round would start behind the pause.
    if (Paused) return;
    if (key == DIK_ESCAPE) NextRoundRequested = true;
    for (int p = 0; p < PlayerList.Count() && p < 4; ++p) {
        TDDSprite* s = PlayerList[p];
        if (s->Visible() && (!TimerEnabled(gtFreez) || Players[static_cast<std::size_t>(p)].FreezeExempt))
            handlePlayerKey(p, key, true);
    }
}

void TGameRules::HandleKeyUp(int key) {
    std::lock_guard lock(gameLock_);
    if (IsAppPaused() || !GameRunning) return;
    for (int p = 0; p < PlayerList.Count() && p < 4; ++p)
        handlePlayerKey(p, key, false);
}

void TGameRules::handlePlayerKey(int p, int key, bool down) {
    const PlayerKeys& keys = KeysOf[p];
    TDDSprite* s = PlayerList[p];
    if (long dir = directionOf(keys, key)) {
        if (down)
            PressDirection(s, dir);
        else
            ReleaseDirection(s, dir);
    } else if (key == keys.bomb) {
        if (down)
            PressBombKey(s);
        else
            s->SetTag(s->Tag() & ~TagBombKey);
    } else if (key == keys.detonate && down) {
        DetonateBombs(s);
    }
}

void TGameRules::HandleJoystick(const TJoystickState& state) {
    std::lock_guard lock(gameLock_);
    bool changed = false;
    for (std::size_t i = 0; i < 2; ++i) {
        if (state.Buttons[i] != JoystickButtons[i]) {
            changed = true;
            JoystickButtons[i] = state.Buttons[i];
        }
    }
    if (IsAppPaused() || !GameRunning) return;
    bool fire = (state.Buttons[0] & 0x80) != 0;
    bool detonate = (state.Buttons[1] & 0x80) != 0;
    bool centred = std::abs(state.X) < 500 && std::abs(state.Y) < 500;
    TDDSprite* s = JoystickSprite;
    // Letting go is the joystick's key-up: it acts while the player is frozen, the game
    // paused or the round screen up, like the keyboard's, so that nothing sticks. The stick
    // releases its directions once, when it comes back to the centre, so that a centred stick
    // leaves the keyboard to its player.
    if (s) {
        if (centred && !JoystickCentred)
            for (long d : {TagLeft, TagRight, TagUp, TagDown})
                ReleaseDirection(s, d);
        if (changed && !fire) s->SetTag(s->Tag() & ~TagBombKey);
    }
    JoystickCentred = centred;
    if (Paused) return;
    if (detonate) {
        ShowInfo = false;
        InfoWaitsForEnter = false;
    }
    if ((ShowInfo && InfoWaitsForEnter) || !s || !s->Visible()) return;
    if (TimerEnabled(gtFreez) && !RecordOf(s).FreezeExempt) return;
    if (fire) PressBombKey(s);
    if (changed && detonate) DetonateBombs(s);
    if (centred) return;
    if (std::abs(state.X) > std::abs(state.Y))
        PressDirection(s, state.X < 0 ? TagLeft : TagRight);
    else
        PressDirection(s, state.Y < 0 ? TagUp : TagDown);
}
