// The settings store that stands in for the registry against the INI files beside it: the
// same keys and values read from text, and single values read through TRegIniFile and
// TIniFile (each call checks the file on disk, as both do), side by side in one run. And
// the cost of storing values one call at a time beside Python's configparser writing the
// same values in one go.
#include "platform/files/IniDocument.h"
#include "platform/files/IniFiles.h"
#include "platform/files/RegistryStore.h"
#include "platform/framework/Registry.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int sections = 50;
constexpr int keysPerSection = 20;

std::string registryText() {
    std::string text;
    for (int s = 0; s < sections; ++s) {
        text += "[Software\\Bench\\Section" + std::to_string(s) + "]\n";
        for (int k = 0; k < keysPerSection; ++k)
            text += "\"Key" + std::to_string(k) + "\"=\"value " + std::to_string(s * 100 + k) + "\"\n";
    }
    return text;
}

std::string iniText() {
    std::string text;
    for (int s = 0; s < sections; ++s) {
        text += "[Section" + std::to_string(s) + "]\n";
        for (int k = 0; k < keysPerSection; ++k)
            text += "Key" + std::to_string(k) + "=value " + std::to_string(s * 100 + k) + "\n";
    }
    return text;
}

void BM_ParseRegistryFile(benchmark::State& state) {
    const std::string text = registryText();
    for (auto _ : state)
        benchmark::DoNotOptimize(RegistryTree::Parse(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetItemsProcessed(state.iterations() * sections * keysPerSection);
}
BENCHMARK(BM_ParseRegistryFile);

void BM_ParseIniFile(benchmark::State& state) {
    const std::string text = iniText();
    for (auto _ : state)
        benchmark::DoNotOptimize(IniDocument(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetItemsProcessed(state.iterations() * sections * keysPerSection);
}
BENCHMARK(BM_ParseIniFile);

std::filesystem::path scratchPath() {
    return std::filesystem::temp_directory_path() / ("vx_bench_settings_" + std::to_string(getpid()));
}

std::string scratchFolder() {
    static const bool made = [] {
        std::filesystem::create_directories(scratchPath());
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchPath(), ignored);
        });
        return true;
    }();
    static_cast<void>(made);
    return scratchPath().string();
}

void BM_ReadValueThroughRegIniFile(benchmark::State& state) {
    SetRegistryFolder(scratchFolder() + "/registry");
    {
        TRegIniFile writer("Software\\Bench");
        for (int k = 0; k < keysPerSection; ++k)
            writer.WriteString("Section", "Key" + std::to_string(k), "value");
    }
    TRegIniFile reader("Software\\Bench", KEY_READ);
    int k = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            reader.ReadString("Section", "Key" + std::to_string(k++ % keysPerSection), ""));
    state.SetItemsProcessed(state.iterations());
    SetRegistryFolder("");
}
BENCHMARK(BM_ReadValueThroughRegIniFile);

void BM_ReadValueThroughIniFile(benchmark::State& state) {
    const std::string name = scratchFolder() + "/bench.ini";
    {
        TIniFile writer(name);
        for (int k = 0; k < keysPerSection; ++k)
            writer.WriteString("Section", "Key" + std::to_string(k), "value");
    }
    TIniFile reader(name);
    int k = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            reader.ReadString("Section", "Key" + std::to_string(k++ % keysPerSection), ""));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadValueThroughIniFile);

constexpr int storedValues = 1000;

// Median seconds of configparser writing storedValues keys of one section to path, flushed
// to the disk once, as Python times it (its start-up left out); 0 when python3 cannot run.
double configparserSeconds(const std::string& path) {
    const std::string script =
        "import configparser, os, sys, time\n"
        "times = []\n"
        "for _ in range(21):\n"
        "    start = time.perf_counter()\n"
        "    parser = configparser.ConfigParser()\n"
        "    parser.optionxform = str\n"
        "    parser['Values'] = {'Key%d' % i: 'value %d' % i for i in range(" +
        std::to_string(storedValues) +
        ")}\n"
        "    with open(sys.argv[1], 'w') as f:\n"
        "        parser.write(f)\n"
        "        f.flush()\n"
        "        os.fsync(f.fileno())\n"
        "    times.append(time.perf_counter() - start)\n"
        "print(sorted(times)[len(times) // 2])\n";
    const std::string scriptPath = path + ".py";
    if (FILE* out = std::fopen(scriptPath.c_str(), "w")) {
        std::fputs(script.c_str(), out);
        std::fclose(out);
    }
    double seconds = 0;
    if (FILE* python = popen(("python3 '" + scriptPath + "' '" + path + "'").c_str(), "r")) {
        if (std::fscanf(python, "%lf", &seconds) != 1) seconds = 0;
        pclose(python);
    }
    return seconds;
}

// storedValues single TIniFile::WriteString calls, from opening the file to the flush to
// the disk when the object is freed, beside configparser's one write of the same values.
void BM_ThousandSingleIniWritesBesideConfigparser(benchmark::State& state) {
    const std::string name = scratchFolder() + "/single-writes.ini";
    const double peer = configparserSeconds(scratchFolder() + "/configparser.ini");
    std::vector<double> ours;
    for (auto _ : state) {
        std::filesystem::remove(name);
        const auto start = std::chrono::steady_clock::now();
        {
            TIniFile ini(name);
            for (int k = 0; k < storedValues; ++k)
                ini.WriteString("Values", "Key" + std::to_string(k), "value " + std::to_string(k));
        }
        ours.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ours.begin(), ours.end());
    const double median = ours[ours.size() / 2];
    state.counters["ours_ms"] = median * 1e3;
    state.counters["configparser_ms"] = peer * 1e3;
    state.counters["ratio"] = peer > 0 ? median / peer : 0;
}
BENCHMARK(BM_ThousandSingleIniWritesBesideConfigparser)->Unit(benchmark::kMillisecond)->Iterations(15);

} // namespace
