#include "platform/mmsys/MmioPath.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The entry of directory whose name matches component, the exact spelling first.
std::string MatchEntry(const std::filesystem::path& directory, const std::string& component) {
    std::error_code error;
    if (std::filesystem::exists(directory / component, error))
        return component;
    std::string best;
    for (const auto& entry : std::filesystem::directory_iterator(directory.empty() ? "." : directory, error)) {
        std::string name = entry.path().filename().string();
        if (SameIgnoringCase(name, component) && (best.empty() || name < best))
            best = name;
    }
    return best.empty() ? component : best;
}

} // namespace

std::string ResolveMmioPath(const std::string& name) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    std::filesystem::path result;
    std::size_t start = 0;
    if (!path.empty() && path[0] == '/') {
        result = "/";
        start = 1;
    }
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        std::string component = path.substr(start, end - start);
        if (component.empty() || component == "." || component == "..")
            result /= component;
        else
            result /= MatchEntry(result, component);
        start = end + 1;
    }
    return result.lexically_normal().string();
}
