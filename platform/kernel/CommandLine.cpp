#include "platform/kernel/CommandLine.h"

#include <fstream>
#include <iterator>
#include <mutex>

namespace {

// The kernel caps a command line far below this; a longer read stops here.
constexpr std::size_t maxCommandLineBytes = 4u << 20;

std::mutex commandLineLock;
std::vector<std::string> replacement; // guarded by commandLineLock

std::vector<std::string> processArguments() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::vector<std::string> arguments;
    std::string current;
    std::size_t total = 0;
    for (std::istreambuf_iterator<char> it(in), end; it != end && total < maxCommandLineBytes;
         ++it, ++total) {
        if (*it == '\0') {
            arguments.push_back(std::move(current));
            current.clear();
        } else {
            current += *it;
        }
    }
    if (!current.empty()) arguments.push_back(std::move(current));
    return arguments;
}

std::vector<std::string> arguments() {
    {
        std::lock_guard guard(commandLineLock);
        if (!replacement.empty()) return replacement;
    }
    static const std::vector<std::string> real = processArguments();
    return real;
}

} // namespace

int ParamCount() {
    const std::size_t count = arguments().size();
    return count == 0 ? 0 : static_cast<int>(count - 1);
}

std::string ParamStr(int index) {
    const std::vector<std::string> all = arguments();
    if (index < 0 || static_cast<std::size_t>(index) >= all.size()) return {};
    return all[static_cast<std::size_t>(index)];
}

void SetCommandLine(std::vector<std::string> arguments) {
    std::lock_guard guard(commandLineLock);
    replacement = std::move(arguments);
}
