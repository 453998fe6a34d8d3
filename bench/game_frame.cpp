// Whole frames of the game's main form, as the frame thread runs them: input, rules, the
// composition of the back surface and the present. A four-player match at 640 x 480 with
// monsters, and a frame in which a chain of 30 bombs goes off. Reports the p99 frame time.
#include "game/Main.h"
#include "platform/ddraw/DDrawTest.h"
#include "platform/ddraw/Presenter.h"
#include "platform/dsound/ManualBackend.h"
#include "platform/files/FileNames.h"
#include "platform/framework/Application.h"
#include "platform/framework/MessageService.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace {

// The data tree lies in the run folder beside the benchmarks' folder; settings go to a
// scratch folder.
struct Headless {
    Headless() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        auto build = std::filesystem::path(ExeDir()).parent_path().parent_path();
        scratch = std::filesystem::temp_directory_path() / "vortamix-bench";
        std::filesystem::create_directories(scratch);
        std::ofstream(scratch / "vortamix.ini")
            << "[Sound]\nMusicEnabled=0\nSFXEnabled=0\n[Options]\nPlayer1=1\n"
               "Player2=1\nPlayer3=1\nPlayer4=1\nMonsters=40\n";
        std::filesystem::current_path(build / "run");
        SetExeName((scratch / "vortamix").string());
        Application->SetTitle("Vortamix");
    }
    ~Headless() { SetExeName(""); }
    std::filesystem::path scratch;
    ScopedDDrawTest hooks;
    ScopedMessageRecorder messages;
    ScopedManualAudio audio;
};

TMainForm* startMatch() {
    auto* form = new TMainForm(nullptr);
    form->RunFrameThread = false;
    form->SetPresenter(std::make_unique<MemoryPresenter>());
    form->LoadTree();
    form->DoCreate();
    form->FormShow(form);
    form->MenuStart->Click();
    form->HandleKeyDown(0x1C);
    return form;
}

double percentile(std::vector<double> samples, double p) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    return samples[static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1))];
}

void BM_MatchFrame640x480(benchmark::State& state) {
    Headless env;
    TMainForm* form = startMatch();
    std::vector<double> micros;
    int step = 0;
    for (auto _ : state) {
        // The players walk their rows and lay bombs now and then.
        const int keys[] = {0xCD, 0x20, 0x26, 0x4D};
        form->HandleKeyDown(keys[step % 4]);
        if (step % 97 == 0) form->HandleKeyDown(0xD2);
        auto t0 = std::chrono::steady_clock::now();
        form->UpdateFrame();
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
        ++step;
    }
    state.counters["p50_us"] = percentile(micros, 0.50);
    state.counters["p99_us"] = percentile(micros, 0.99);
    state.counters["sprites"] = form->SpriteList.Count();
    form->SetDDActive(false);
    delete form;
}
BENCHMARK(BM_MatchFrame640x480)->Unit(benchmark::kMicrosecond)->Iterations(3000);

void BM_FrameWith30BombChain(benchmark::State& state) {
    Headless env;
    TMainForm* form = startMatch();
    std::vector<double> micros;
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::lock_guard lock(form->GameLock());
            TDDSprite* p = form->Player1;
            form->Players[0].Bombs = 30;
            form->Players[0].Power = 2;
            form->Players[0].GodMode = true;
            for (int i = 0; i < 30; ++i) {
                TMapCell* cell = form->Cell(i % 10 * 2, i / 10 * 4 + 2);
                cell->Kind = ckFloor;
                p->SetX(i % 10 * 2 * CellSize);
                p->SetY((i / 10 * 4 + 2) * CellSize);
                form->PlaceBomb(p);
            }
            form->ExplodeBomb(form->Cell(0, 2)->Bomb);
        }
        state.ResumeTiming();
        auto t0 = std::chrono::steady_clock::now();
        form->UpdateFrame();
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
        state.PauseTiming();
        form->HandleKeyDown(0x01); // next round, so every pass starts from a fresh maze
        form->UpdateFrame();
        form->HandleKeyDown(0x1C);
        state.ResumeTiming();
    }
    state.counters["p99_us"] = percentile(micros, 0.99);
    form->SetDDActive(false);
    delete form;
}
BENCHMARK(BM_FrameWith30BombChain)->Unit(benchmark::kMicrosecond)->Iterations(200);

} // namespace
