// CPU use of the running frame loop in a window: the frame thread composes a 640 x 480
// frame of 200 keyed sprites, sleeps 1 ms as the game's handler does, and presents paced
// by the simulated vertical blank. Reports the frame thread's CPU time per wall second.
// The sleep is the benchmark's way to let wall time pass; the frame thread is measured.
#include "graphics/DDForm.h"
#include "graphics/DDSurface.h"
#include "platform/ddraw/DDrawTest.h"
#include "platform/ddraw/Presenter.h"
#include "platform/kernel/Clock.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace {

class LoopForm : public TDDForm {
    VX_CLASS(LoopForm, TDDForm)
public:
    explicit LoopForm(TComponent* owner) : TDDForm(owner) {
        DDWindowed = true;
        SetDDWidth(640);
        SetDDHeight(480);
        SetPresenter(std::make_unique<MemoryPresenter>());
        Sheet = new TDDSurface(this);
        Sheet->Width = 672;
        Sheet->Height = 256;
        OnDDUpdateDisplay = [this](TObject*) {
            if (!running.load(std::memory_order_acquire)) {
                frameThread = ::pthread_self();
                running.store(true, std::memory_order_release);
            }
            for (int i = 0; i < 200; ++i) {
                RECT frame{(i % 21) * 32, 0, (i % 21) * 32 + 32, 32};
                BackSurface->BltFast((i * 37) % 600, (i * 53) % 440, Sheet->Surface, &frame,
                                     DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
            }
            frames.fetch_add(1);
            Sleep(1);
        };
    }
    TDDSurface* Sheet;
    std::atomic<int> frames{0};
    std::atomic<bool> running{false};
    pthread_t frameThread{};
};

double threadCpuSeconds(pthread_t thread) {
    clockid_t id;
    pthread_getcpuclockid(thread, &id);
    timespec t;
    clock_gettime(id, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void WindowedFrameLoopCpu(benchmark::State& state) {
    DDrawTest::Reset();
    DDrawTest::SetVerticalBlankWait(state.range(0) != 0);
    auto* form = new LoopForm(nullptr);
    form->LoadTree();
    form->SetDDActive(true);
    while (!form->running.load(std::memory_order_acquire))
        std::this_thread::yield();
    double cpu = 0, wall = 0;
    int frames = 0;
    for (auto _ : state) {
        double cpuStart = threadCpuSeconds(form->frameThread);
        int framesStart = form->frames.load();
        auto wallStart = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        cpu += threadCpuSeconds(form->frameThread) - cpuStart;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        frames += form->frames.load() - framesStart;
    }
    form->SetDDActive(false);
    delete form;
    DDrawTest::Reset();
    state.counters["frame_thread_cpu_percent"] = 100.0 * cpu / wall;
    state.counters["frames_per_second"] = frames / wall;
}

} // namespace

// Argument: the vertical-blank wait on (1, as the game runs) or off (0, for comparison).
BENCHMARK(WindowedFrameLoopCpu)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("paced")
    ->Iterations(4)
    ->Unit(benchmark::kMillisecond);
