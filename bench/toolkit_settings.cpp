// The settings store that stands in for the registry against the INI files beside it: the
// same keys and values read from text, and single values read through TRegIniFile and
// TIniFile (each call checks the file on disk, as both do), side by side in one run. And
// what a write costs, each on the disk when it returns, beside Python doing the same in the
// same run: one value stored beside Python replacing the same file through a flushed
// temporary, and a gathered save of 1000 values beside configparser writing them once and
// flushing. And what large files cost: 100,000 INI sections read and listed beside
// configparser reading them, and one value written into a registry key of 40,000 values
// beside Python writing the whole file durably.
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
#include <fstream>
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
// Ours and the peer run in turns of this many runs, so that both meet the same load of a
// busy machine (other programs flushing to the same disk).
constexpr int turn = 10;

// The seconds of each of runs runs of body by Python on the file at path, as Python times
// it (its start-up and setup left out); none when python3 cannot run.
std::vector<double> pythonSeconds(const std::string& setup, const std::string& body, const std::string& path,
                                  int runs) {
    std::string script = "import configparser, os, sys, time\n"
                         "path = sys.argv[1]\n" +
                         setup + "for _ in range(" + std::to_string(runs) +
                         "):\n"
                         "    start = time.perf_counter()\n";
    for (std::size_t line = 0; line < body.size();) {
        const std::size_t end = body.find('\n', line);
        script += "    " + body.substr(line, end - line + 1);
        line = end + 1;
    }
    script += "    print(time.perf_counter() - start)\n";
    const std::string scriptPath = path + ".py";
    std::ofstream(scriptPath) << script;
    std::vector<double> times;
    if (FILE* python = popen(("python3 '" + scriptPath + "' '" + path + "'").c_str(), "r")) {
        for (double seconds; std::fscanf(python, "%lf", &seconds) == 1;)
            times.push_back(seconds);
        pclose(python);
    }
    return times;
}

double median(std::vector<double> times) {
    if (times.empty()) return 0;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A Python program timed beside ours: its counter's name, its loop's body, its file and
// what it does once before the loop.
struct Peer {
    const char* name;
    std::string body;
    std::string path;
    std::string setup = {};
};

// Runs write once an iteration and each peer as often, in turns, and reports the medians
// and the ratio of ours to the first peer's.
template <class Write>
void compareInTurns(benchmark::State& state, Write write, const std::vector<Peer>& peers) {
    std::vector<double> ours;
    std::vector<std::vector<double>> theirs(peers.size());
    for (auto _ : state) {
        for (std::size_t i = 0; ours.size() % turn == 0 && i < peers.size(); ++i) {
            const std::vector<double> peerTurn =
                pythonSeconds(peers[i].setup, peers[i].body, peers[i].path, turn);
            theirs[i].insert(theirs[i].end(), peerTurn.begin(), peerTurn.end());
        }
        const auto start = std::chrono::steady_clock::now();
        write();
        ours.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["ours_ms"] = median(ours) * 1e3;
    for (std::size_t i = 0; i < peers.size(); ++i)
        state.counters[peers[i].name] = median(theirs[i]) * 1e3;
    state.counters["ratio"] = theirs[0].empty() ? 0 : median(ours) / median(theirs[0]);
}

// One value stored through a live TIniFile in a settings file of 1000 keys: the file checked,
// the writers' lock, the new file written beside, flushed, renamed over the old one and the
// folder flushed. Python replaces the same file with the same text: a temporary written,
// flushed and renamed; and the same with the folder flushed after, as ours does.
void BM_OneIniWriteBesidePythonReplacingTheFile(benchmark::State& state) {
    const std::string name = scratchFolder() + "/one-write.ini";
    const std::string peerName = scratchFolder() + "/python-one-write.ini";
    for (const std::string& path : {name, peerName})
        std::ofstream(path, std::ios::binary) << iniText();
    TIniFile ini(name);
    int round = 0;
    const std::string replace = "text = open(path, 'rb').read()\n"
                                "with open(path + '.tmp', 'wb') as f:\n"
                                "    f.write(text)\n"
                                "    f.flush()\n"
                                "    os.fsync(f.fileno())\n"
                                "os.replace(path + '.tmp', path)\n";
    const std::string flushFolder = "folder = os.open(os.path.dirname(path), os.O_RDONLY)\n"
                                    "os.fsync(folder)\n"
                                    "os.close(folder)\n";
    compareInTurns(
        state, [&] { ini.WriteString("Section7", "Key3", "value " + std::to_string(round++)); },
        {{"python_ms", replace, peerName}, {"python_folder_flushed_ms", replace + flushFolder, peerName}});
}
BENCHMARK(BM_OneIniWriteBesidePythonReplacingTheFile)->Unit(benchmark::kMillisecond)->Iterations(100);

// storedValues values gathered by one TIniFile update, from opening the file to the end of
// the update, each round with new values over the last round's, beside configparser
// writing the same number of values over its file once and flushing them.
void BM_ThousandGatheredIniWritesBesideConfigparser(benchmark::State& state) {
    const std::string name = scratchFolder() + "/gathered-writes.ini";
    const std::string configparser = "parser = configparser.ConfigParser()\n"
                                     "parser.optionxform = str\n"
                                     "parser['Values'] = {'Key%d' % i: 'value %d' % i for i in range(" +
                                     std::to_string(storedValues) +
                                     ")}\n"
                                     "with open(path, 'w') as f:\n"
                                     "    parser.write(f)\n"
                                     "    f.flush()\n"
                                     "    os.fsync(f.fileno())\n";
    int round = 0;
    compareInTurns(state,
                   [&] {
                       TIniFile ini(name);
                       ini.BeginUpdate();
                       for (int k = 0; k < storedValues; ++k)
                           ini.WriteString("Values", "Key" + std::to_string(k),
                                           std::to_string(round) + " " + std::to_string(k));
                       ini.EndUpdate();
                       ++round;
                   },
                   {{"configparser_ms", configparser, scratchFolder() + "/configparser.ini"}});
}
BENCHMARK(BM_ThousandGatheredIniWritesBesideConfigparser)->Unit(benchmark::kMillisecond)->Iterations(50);

constexpr int manySections = 100000;
constexpr int valuesInOneKey = 40000;

// A fresh TIniFile reads a file of 100,000 sections and lists them, beside configparser
// reading the same file and listing them.
void BM_ListHundredThousandIniSectionsBesideConfigparser(benchmark::State& state) {
    const std::string name = scratchFolder() + "/many-sections.ini";
    {
        std::ofstream file(name, std::ios::binary);
        for (int s = 0; s < manySections; ++s)
            file << "[Section" << s << "]\nKey=value " << s << "\n";
    }
    const std::string configparser = "parser = configparser.ConfigParser(interpolation=None)\n"
                                     "parser.read(path)\n"
                                     "sections = parser.sections()\n";
    std::size_t listed = 0;
    compareInTurns(state, [&] { listed = TIniFile(name).ReadSections().size(); },
                   {{"configparser_ms", configparser, name}});
    if (listed != manySections) state.SkipWithError("not every section was listed");
}
BENCHMARK(BM_ListHundredThousandIniSectionsBesideConfigparser)->Unit(benchmark::kMillisecond)->Iterations(20);

// One value written through TRegistry into a key of 40,000 values, on the disk when the call
// returns, beside Python holding the same values in configparser and writing the whole file
// durably: a temporary written, flushed and renamed over the file, the folder flushed.
void BM_OneWriteIntoAKeyOfFortyThousandValuesBesidePython(benchmark::State& state) {
    const std::string folder = scratchFolder() + "/big-registry";
    std::filesystem::create_directories(folder);
    SetRegistryFolder(folder);
    {
        std::ofstream file(RegistryFile(HKEY_CURRENT_USER), std::ios::binary);
        file << "[Software\\Bench\\Big]\n";
        for (int v = 0; v < valuesInOneKey; ++v)
            file << "\"Value" << v << "\"=\"value " << v << "\"\n";
    }
    TRegistry registry;
    if (!registry.OpenKey("Software\\Bench\\Big", false)) state.SkipWithError("the key was not read");
    const std::string setup = "parser = configparser.ConfigParser(interpolation=None)\n"
                              "parser.optionxform = str\n"
                              "parser['Big'] = {'Value%d' % i: 'value %d' % i for i in range(" +
                              std::to_string(valuesInOneKey) +
                              ")}\n"
                              "folder = os.path.dirname(path)\n";
    const std::string writeWhole = "parser['Big']['Value7'] = str(time.perf_counter())\n"
                                   "with open(path + '.tmp', 'w') as f:\n"
                                   "    parser.write(f)\n"
                                   "    f.flush()\n"
                                   "    os.fsync(f.fileno())\n"
                                   "os.replace(path + '.tmp', path)\n"
                                   "fd = os.open(folder, os.O_RDONLY)\n"
                                   "os.fsync(fd)\n"
                                   "os.close(fd)\n";
    int round = 0;
    compareInTurns(state, [&] { registry.WriteString("Value7", "round " + std::to_string(round++)); },
                   {{"python_ms", writeWhole, scratchFolder() + "/python-big.ini", setup}});
    SetRegistryFolder("");
}
BENCHMARK(BM_OneWriteIntoAKeyOfFortyThousandValuesBesidePython)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

} // namespace
