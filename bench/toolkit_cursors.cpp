// Defining 5000 cursors one after another (each the toolkit's hand cursor decoded from its
// resource and stored under the next free cursor number), against decoding the same cursor
// and storing it under numbers known in advance, side by side: the search for a free number
// should add next to nothing however full the table is.
#include "platform/framework/Forms.h"
#include "platform/framework/QtBridge.h"
#include "toolkit/Kxconst.h"
#include "toolkit/kxUiUtils.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int cursors = 5000;
constexpr TCursor firstNumber = 100;

void freeAll(std::vector<TCursor>& numbers) {
    for (TCursor number : numbers)
        Screen->SetCursors(number, nullptr);
    numbers.clear();
}

void Define5000Cursors(benchmark::State& state) {
    vx::EnsureQtApplication();
    std::vector<TCursor> defined;
    for (auto _ : state) {
        for (int i = 0; i < cursors; ++i)
            defined.push_back(DefineCursor(HInstance, "KX_HANDCUR"));
        state.PauseTiming();
        freeAll(defined);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * cursors);
}

void Store5000CursorsAtKnownNumbers(benchmark::State& state) {
    vx::EnsureQtApplication();
    std::vector<TCursor> stored;
    for (auto _ : state) {
        for (int i = 0; i < cursors; ++i) {
            Screen->SetCursors(firstNumber + i, LoadCursor("KX_HANDCUR"));
            stored.push_back(firstNumber + i);
        }
        state.PauseTiming();
        freeAll(stored);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * cursors);
}

} // namespace

BENCHMARK(Define5000Cursors)->Unit(benchmark::kMillisecond);
BENCHMARK(Store5000CursorsAtKnownNumbers)->Unit(benchmark::kMillisecond);
