#include "graphics/ImageFile.h"

#include "platform/framework/Classes.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool sameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::string ResolveImagePath(const std::string& name) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || fs::exists(path))
        return path;
    fs::path resolved = path.front() == '/' ? fs::path("/") : fs::path(".");
    std::error_code error;
    for (const fs::path& part : fs::path(path).relative_path()) {
        std::string wanted = part.string();
        if (wanted == "." || wanted.empty())
            continue;
        fs::path next = resolved / wanted;
        if (!fs::exists(next, error)) {
            for (const auto& entry : fs::directory_iterator(resolved, error)) {
                if (sameNoCase(entry.path().filename().string(), wanted)) {
                    next = entry.path();
                    break;
                }
            }
        }
        if (!fs::exists(next, error))
            return path;
        resolved = next;
    }
    return resolved.string();
}

std::FILE* OpenImageFile(const std::string& name) {
    if (name.empty())
        return nullptr;
    std::string path = ResolveImagePath(name);
    if (fs::is_directory(path))
        return nullptr;
    return std::fopen(path.c_str(), "rb");
}

void RaiseFileOpenError(const std::string& name) {
    int code = errno;
    throw Exception("Cannot open file \"" + name + "\". " + std::strerror(code ? code : ENOENT));
}

void DebugOutput(const char* text) { std::fputs(text, stderr); }
