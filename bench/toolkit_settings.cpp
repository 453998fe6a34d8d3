// The settings store that stands in for the registry against the INI files beside it: the
// same keys and values read from text, and single values read through TRegIniFile and
// TIniFile (each call checks the file on disk, as both do), side by side in one run.
#include "platform/files/IniDocument.h"
#include "platform/files/IniFiles.h"
#include "platform/files/RegistryStore.h"
#include "platform/framework/Registry.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

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

} // namespace
