// Feeds arbitrary bytes to the game's settings file and playlist readers. The input is both
// at once: the settings file up to the first byte 0xFF, the playlist after it. The settings
// are read, written back into the same file and read again; what the second reading gives
// must be what was written.
#include "FuzzSupport.h"
#include "game/Settings.h"
#include "platform/files/IniFiles.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const BYTE* data, std::size_t size) {
    const BYTE* split = std::find(data, data + size, BYTE(0xFF));
    const std::string settings = fuzz::WriteScratch("ini", data, std::size_t(split - data));
    const std::size_t rest = split == data + size ? 0 : std::size_t(data + size - split - 1);
    const std::string playlist = fuzz::WriteScratch("m3u", rest ? split + 1 : data, rest);
    if (settings.empty() || playlist.empty()) return 0;
    ReadPlaylist(playlist);
    TGameSettings read;
    {
        TIniFile ini(settings);
        const bool joystick = size % 2 == 1;
        ReadSettings(ini, read, joystick);
        ReadThemeNames(ini, int(size % 40));
        WriteSettings(ini, read);
    }
    TIniFile again(settings);
    TGameSettings reread;
    ReadSettings(again, reread, true);
    // Only the written keys must survive; the joystick keys are written always.
    if (reread.SFXVolume != read.SFXVolume || reread.MusicVolume != read.MusicVolume ||
        reread.Monsters != read.Monsters || reread.BonusCount != read.BonusCount ||
        reread.Playing != read.Playing || reread.Width != read.Width || reread.BPP != read.BPP)
        std::abort();
    return 0;
}
