// The toolkit's busiest string routines on 1 MB of text, each beside a peer that does the
// same work the usual C or C++ way, measured in the same run: counting words against a
// string stream, the n-th occurrence against std::string::find, wildcards against the C
// library's fnmatch, replacing against the in-place std::string::replace idiom, upper
// case against std::toupper, blank runs against std::unique.
#include <benchmark/benchmark.h>

#include "platform/kernel/CodePages.h"
#include "toolkit/Kxstrutils.h"

#include <algorithm>
#include <cctype>
#include <random>
#include <sstream>
#include <string>

#include <fnmatch.h>

namespace {

// 1 MB of words of 1 to 10 letters separated by one to three blanks, a comma now and then.
const std::string& text() {
    static const std::string sample = [] {
        std::mt19937 rng(12345);
        std::string s;
        s.reserve(1 << 20);
        while (s.size() < (1u << 20)) {
            const int letters = 1 + static_cast<int>(rng() % 10);
            for (int i = 0; i < letters; ++i)
                s += static_cast<char>('a' + rng() % 26);
            s.append(1 + rng() % 3, ' ');
            if (rng() % 16 == 0) s += ", ";
        }
        s.resize(1 << 20);
        return s;
    }();
    return sample;
}

void bytes(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text().size()));
}

void WordCountToolkit(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(WordCount(text(), " "));
    bytes(state);
}

void WordCountStream(benchmark::State& state) {
    for (auto _ : state) {
        std::istringstream in(text());
        int count = 0;
        for (std::string word; in >> word;)
            ++count;
        benchmark::DoNotOptimize(count);
    }
    bytes(state);
}

void NPosToolkit(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(NPos("ab", text(), 1000000));
    bytes(state);
}

void NPosFindLoop(benchmark::State& state) {
    for (auto _ : state) {
        std::size_t at = std::string::npos;
        int found = 0;
        while ((at = text().find("ab", at + 1)) != std::string::npos)
            ++found;
        benchmark::DoNotOptimize(found);
    }
    bytes(state);
}

void IsWildToolkit(benchmark::State& state) {
    const std::string pattern = "*q?z*xyz*" + text().substr(text().size() - 6);
    for (auto _ : state)
        benchmark::DoNotOptimize(IsWild(text(), pattern, false));
    bytes(state);
}

void IsWildFnmatch(benchmark::State& state) {
    const std::string pattern = "*q?z*xyz*" + text().substr(text().size() - 6);
    for (auto _ : state)
        benchmark::DoNotOptimize(fnmatch(pattern.c_str(), text().c_str(), 0));
    bytes(state);
}

void ReplaceToolkit(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(ReplaceStr(text(), "  ", "_"));
    bytes(state);
}

void ReplaceInPlace(benchmark::State& state) {
    for (auto _ : state) {
        std::string s = text();
        for (std::size_t at = s.find("  "); at != std::string::npos; at = s.find("  ", at + 1))
            s.replace(at, 2, "_");
        benchmark::DoNotOptimize(s);
    }
    bytes(state);
}

void UpperToolkit(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(AnsiUpperCase(text()));
    bytes(state);
}

void UpperToupper(benchmark::State& state) {
    for (auto _ : state) {
        std::string s = text();
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        benchmark::DoNotOptimize(s);
    }
    bytes(state);
}

void BlanksToolkit(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(DelSpace1(text()));
    bytes(state);
}

void BlanksUnique(benchmark::State& state) {
    for (auto _ : state) {
        std::string s = text();
        s.erase(std::unique(s.begin(), s.end(), [](char a, char b) { return a == ' ' && b == ' '; }),
                s.end());
        benchmark::DoNotOptimize(s);
    }
    bytes(state);
}

} // namespace

BENCHMARK(WordCountToolkit);
BENCHMARK(WordCountStream);
BENCHMARK(NPosToolkit);
BENCHMARK(NPosFindLoop);
BENCHMARK(IsWildToolkit);
BENCHMARK(IsWildFnmatch);
BENCHMARK(ReplaceToolkit);
BENCHMARK(ReplaceInPlace)->Iterations(3);
BENCHMARK(UpperToolkit);
BENCHMARK(UpperToupper);
BENCHMARK(BlanksToolkit);
BENCHMARK(BlanksUnique);
