#pragma once
// The user's special folders by the numbers programs ask for them with (CSIDL values),
// found where the freedesktop.org conventions put them: the user directories of
// $XDG_CONFIG_HOME/user-dirs.dirs (Desktop, Documents, ...), the menu's applications in
// $XDG_DATA_HOME/applications, the autostart folder in $XDG_CONFIG_HOME/autostart.
#include <string>

#include <sys/types.h>

constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_STARTUP = 0x0007;
constexpr int CSIDL_STARTMENU = 0x000B;
constexpr int CSIDL_MYMUSIC = 0x000D;
constexpr int CSIDL_MYVIDEO = 0x000E;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_DRIVES = 0x0011;
constexpr int CSIDL_NETWORK = 0x0012;
constexpr int CSIDL_TEMPLATES = 0x0015;
constexpr int CSIDL_APPDATA = 0x001A;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_MYPICTURES = 0x0027;
constexpr int CSIDL_PROFILE = 0x0028;

// The folder's path without a trailing "/"; empty for a number with no folder here
// (the drives and the network have none).
std::string SpecialFolderPath(int csidl);

// Makes the folder path and every missing folder above it, each with mode (less the umask),
// from the moment it is made: a folder for the user's own files takes 0700, as the base
// directory conventions ask. True when path is a folder afterwards.
bool MakeFolders(const std::string& path, mode_t mode);
