// Full duplex: blocks per second through TDSProcessor and its events thread on the manual
// backend, against a plain copy of the same block; and the CPU share of a running
// capture-to-playback loop on a real sound server, against the server's own recording and
// playing tools doing the same loop.
#include "platform/dsound/ManualBackend.h"
#include "platform/framework/MessageService.h"
#include "sound/DSProc.h"
#include "sound/Eff_Chor.h"
#include "sound/Eff_EQ.h"
#include "sound/Eff_Echo.h"
#include "sound/Eff_FFT.h"
#include "tests/SoundServer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int BlockBytes = 4096; // 1024 frames of 16-bit stereo: 23 ms at 44100 Hz

enum class Effects { None, Echo, All };

struct ManualProcessor {
    explicit ManualProcessor(Effects effects) {
        proc = new TDSProcessor(&owner);
        proc->SetBufferSize(BlockBytes);
        if (effects != Effects::None) enable(new TSndEcho(&owner));
        if (effects == Effects::All) {
            enable(new TSndFFT(&owner));
            enable(new TSndChorus(&owner));
            enable(new TSndEQ(&owner));
        }
        owner.LoadTree();
        proc->SetUseEffects(effects != Effects::None);
        proc->SetActive(true);
    }
    // An effect works only with a change handler, which an editing panel would set.
    static void enable(TSndEffectBase* effect) {
        effect->SetOnChange([](TObject*) {});
        effect->Enabled = true;
    }
    ScopedManualAudio audio;
    ScopedMessageRecorder messages;
    TComponent owner{nullptr};
    TDSProcessor* proc = nullptr;
};

// One block through the processor as a full-duplex device delivers it: the output plays a
// block, the capture completes one, and the events thread copies it out (its wake-up
// included); without effects, with the echo, and with all four effects of the library.
void BM_ProcessorBlock(benchmark::State& state) {
    ManualProcessor form(static_cast<Effects>(state.range(0)));
    if (!form.proc->Active()) {
        state.SkipWithError("the processor did not switch on");
        return;
    }
    std::atomic<int> done{0};
    form.proc->SetOnProc([&](TObject*, BYTE*, DWORD) { done.fetch_add(1); });
    const std::vector<std::int16_t> block(BlockBytes / 2, 100);
    int expected = 0;
    for (auto _ : state) {
        form.audio.backend().Render(BlockBytes / 4);
        form.audio.backend().FeedCapture(block);
        ++expected;
        while (done.load() < expected)
            std::this_thread::yield();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * BlockBytes);
}

// The peer: copying a block of the same size.
void BM_MemcpyBlock(benchmark::State& state) {
    std::vector<char> from(BlockBytes, 1);
    std::vector<char> to(BlockBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), BlockBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * BlockBytes);
}

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// CPU seconds a child process has used so far, from the kernel's accounting.
double processSeconds(pid_t pid) {
    std::FILE* stat = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!stat) return 0;
    char text[1024] = {};
    const std::size_t read = std::fread(text, 1, sizeof text - 1, stat);
    std::fclose(stat);
    text[read] = 0;
    // Fields after the command name (which ends with the last ')'): state is field 3,
    // user and system time fields 14 and 15.
    const char* rest = std::strrchr(text, ')');
    unsigned long user = 0;
    unsigned long system = 0;
    if (!rest ||
        std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) != 2)
        return 0;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

constexpr double LoopSeconds = 5.0;
// Measured after the loop has settled: a null sink nobody played into first sleeps.
constexpr double SettleSeconds = 1.0;

// The processor capturing the server's default source and playing into its sink, run for
// a few seconds of real time; the share is CPU seconds of this process per second.
void BM_DuplexLoopCpuShareOnServer(benchmark::State& state) {
    vx_test::ScopedSoundServer server;
    if (!server.ready()) {
        state.SkipWithError(("no sound server: " + server.why()).c_str());
        return;
    }
    ::setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    SetAudioBackend(nullptr);
    ScopedMessageRecorder messages;
    TComponent owner(nullptr);
    auto* proc = new TDSProcessor(&owner);
    proc->SetBufferSize(BlockBytes);
    owner.LoadTree();
    double share = 0;
    for (auto _ : state) {
        proc->SetActive(true);
        std::this_thread::sleep_for(std::chrono::duration<double>(SettleSeconds));
        const double cpu = processSeconds();
        std::this_thread::sleep_for(std::chrono::duration<double>(LoopSeconds));
        share = (processSeconds() - cpu) / LoopSeconds;
        proc->SetActive(false);
    }
    state.counters["cpu_share_percent"] = share * 100;
}

pid_t spawn(const char* tool, int in, int out) {
    const pid_t child = fork();
    if (child != 0) return child;
    if (in >= 0) dup2(in, STDIN_FILENO);
    if (out >= 0) dup2(out, STDOUT_FILENO);
    execlp(tool, tool, "--latency-msec=23", "--format=s16le", "--rate=44100", "--channels=2",
           static_cast<char*>(nullptr));
    _exit(127);
}

// The peer: the server's recorder piped into its player, with a latency of one block.
void BM_ServerToolsLoopCpuShareOnServer(benchmark::State& state) {
    vx_test::ScopedSoundServer server;
    if (!server.ready()) {
        state.SkipWithError(("no sound server: " + server.why()).c_str());
        return;
    }
    double share = 0;
    for (auto _ : state) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) {
            state.SkipWithError("no pipe");
            return;
        }
        const pid_t recorder = spawn("parec", -1, pipeEnds[1]);
        const pid_t player = spawn("pacat", pipeEnds[0], -1);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        std::this_thread::sleep_for(std::chrono::duration<double>(SettleSeconds));
        const double before = processSeconds(recorder) + processSeconds(player);
        std::this_thread::sleep_for(std::chrono::duration<double>(LoopSeconds));
        share = (processSeconds(recorder) + processSeconds(player) - before) / LoopSeconds;
        for (pid_t child : {recorder, player}) {
            ::kill(child, SIGTERM);
            int status = 0;
            waitpid(child, &status, 0);
        }
    }
    state.counters["cpu_share_percent"] = share * 100;
}

} // namespace

BENCHMARK(BM_ProcessorBlock)->ArgName("effects")->Arg(0)->Arg(1)->Arg(2)->UseRealTime();
BENCHMARK(BM_MemcpyBlock);
BENCHMARK(BM_DuplexLoopCpuShareOnServer)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerToolsLoopCpuShareOnServer)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
