// Feeds arbitrary bytes to the MOD loader and renders the first seconds of whatever loads,
// at two output formats, with a seek; the file information reader gets the same bytes.
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "sound/ModLoader.h"
#include "sound/ModPlayer.h"
#include "sound/Plug_MOD.h"

namespace {

const std::string& path() {
    static const std::string p = "/tmp/vx_fuzz_mod_" + std::to_string(getpid()) + ".mod";
    return p;
}

void writeFile(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path().c_str(), "wb");
    std::fwrite(data, 1, size, file);
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TModModule module;
    if (ModLoad(data, size, module)) {
        TModPlayer player(module);
        player.InitFreq(8000);
        player.Reset();
        std::vector<BYTE> block(4000);
        for (int i = 0; i < 20 && player.Render(block.data(), DWORD(block.size()), 16, 2); ++i)
            if (i == 5) player.SetPosition(DWORD(data[0]) * 7);
        player.InitFreq(3);
        player.Reset();
        player.Render(block.data(), 999, 8, 1);
    }
    writeFile(data, size);
    TSndMOD mod(nullptr);
    SND_FILE_INFO info;
    mod.GetFileInfo(path(), &info);
    return 0;
}
