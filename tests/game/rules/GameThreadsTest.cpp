#include "GameHarness.h"
#include "platform/dinput/DIKeys.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using game_test::TTestGame;

// The frame thread plays while the GUI thread fires the timers' ends and works the menu:
// the game lock keeps the model whole.
TEST(GameThreads, FramesTimersAndMenusShareTheModelUnderTheGameLock) {
    TTestGame g(777);
    g.Options.Playing = {true, true, true, true};
    g.Options.Monsters = 30;
    g.Start();
    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    std::thread frameThread([&] {
        const int keys[] = {DIK_LEFT, DIK_RIGHT, DIK_UP, DIK_DOWN, DIK_INSERT, DIK_A, DIK_SPACE, DIK_ESCAPE};
        for (int i = 0; !stop; ++i) {
            int key = keys[i % 8];
            g.HandleKeyDown(key);
            if (g.RunFrameRules()) g.AnimateSprites({});
            g.HandleKeyUp(key);
            if (i % 50 == 0) g.HandleKeyDown(DIK_RETURN);
            frames.fetch_add(1);
        }
    });
    const TGameTimer timers[] = {gtFreez, gtShow, gtGluck, gtMulti, gtGodFlip, gtGameOver, gtStats};
    // Bounded by real time, not by a count of rounds: on a loaded machine the frame thread may
    // get the lock rarely, so the GUI side also lets it in on every round.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (int i = 0; frames.load() < 2000 && std::chrono::steady_clock::now() < deadline; ++i) {
        std::this_thread::yield();
        g.Clock().Advance(7);
        {
            std::lock_guard lock(g.GameLock());
            g.StartTimer(timers[i % 7]);
            g.StartTimer(TTestGame::GodModeTimer(i % 4));
        }
        g.OnGameTimer(timers[(i + 3) % 7]);
        g.OnGameTimer(TTestGame::GodModeTimer(i % 4));
        g.OnGameTimer(TTestGame::WoodClipTimer(i % 4));
        if (i % 97 == 0) {
            g.MenuPauseClick();
            g.MenuPauseClick();
        }
    }
    stop = true;
    frameThread.join();
    EXPECT_GE(frames.load(), 2000);
    std::lock_guard lock(g.GameLock());
    for (int i = 0; i < g.SpriteList.Count(); ++i)
        EXPECT_NE(g.SpriteList[i], nullptr);
}
