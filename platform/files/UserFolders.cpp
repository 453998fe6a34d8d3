#include "platform/files/UserFolders.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include <sys/stat.h>

namespace {

// user-dirs.dirs is a few lines long; a larger file is read only this far.
constexpr std::size_t maxUserDirsBytes = 64 * 1024;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string home() {
    return environment("HOME");
}

// An XDG base directory: the variable when it names an absolute path, else the default.
std::string baseDirectory(const char* variable, const char* fallbackUnderHome) {
    const std::string value = environment(variable);
    return !value.empty() && value[0] == '/' ? value : home() + fallbackUnderHome;
}

// The value of key in user-dirs.dirs: KEY="$HOME/Folder" or KEY="/absolute".
std::string userDirectory(const std::string& key, const std::string& fallback) {
    std::ifstream in(baseDirectory("XDG_CONFIG_HOME", "/.config") + "/user-dirs.dirs");
    std::size_t read = 0;
    for (std::string line; read < maxUserDirsBytes && std::getline(in, line);) {
        read += line.size() + 1;
        if (line.compare(0, key.size() + 2, key + "=\"") != 0 || line.size() < key.size() + 3 ||
            line.back() != '"')
            continue;
        std::string value = line.substr(key.size() + 2, line.size() - key.size() - 3);
        std::string unescaped;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) ++i;
            unescaped += value[i];
        }
        if (unescaped.compare(0, 5, "$HOME") == 0) return home() + unescaped.substr(5);
        if (!unescaped.empty() && unescaped[0] == '/') return unescaped;
    }
    return home() + fallback;
}

} // namespace

std::string SpecialFolderPath(int csidl) {
    switch (csidl) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
        return userDirectory("XDG_DESKTOP_DIR", "/Desktop");
    case CSIDL_PERSONAL:
        return userDirectory("XDG_DOCUMENTS_DIR", "/Documents");
    case CSIDL_MYMUSIC:
        return userDirectory("XDG_MUSIC_DIR", "/Music");
    case CSIDL_MYVIDEO:
        return userDirectory("XDG_VIDEOS_DIR", "/Videos");
    case CSIDL_MYPICTURES:
        return userDirectory("XDG_PICTURES_DIR", "/Pictures");
    case CSIDL_TEMPLATES:
        return userDirectory("XDG_TEMPLATES_DIR", "/Templates");
    case CSIDL_PROGRAMS:
    case CSIDL_STARTMENU:
        return baseDirectory("XDG_DATA_HOME", "/.local/share") + "/applications";
    case CSIDL_STARTUP:
        return baseDirectory("XDG_CONFIG_HOME", "/.config") + "/autostart";
    case CSIDL_APPDATA:
        return baseDirectory("XDG_CONFIG_HOME", "/.config");
    case CSIDL_LOCAL_APPDATA:
        return baseDirectory("XDG_DATA_HOME", "/.local/share");
    case CSIDL_PROFILE:
        return home();
    default:
        return {};
    }
}

bool MakeFolders(const std::string& path, mode_t mode) {
    struct stat info;
    if (lstat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    const std::size_t slash = path.find_last_of('/');
    const std::string parent = slash == std::string::npos ? "" : path.substr(0, slash);
    if (!parent.empty() && !MakeFolders(parent, mode)) return false;
    return mkdir(path.c_str(), mode) == 0 ||
           (errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}
