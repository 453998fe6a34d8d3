// Stores one value the way the program does, for tools/powercut-settings.sh:
//
//   settings_writer ini FILE VALUE [--exit]        [Test] Value=VALUE in the INI file FILE
//   settings_writer registry FOLDER VALUE [--exit] Software\PowerCut "Value" in the registry
//                                                  stand-in kept in FOLDER
//
// It prints "written" once the write call has returned and then, unless --exit is given,
// keeps the settings object alive until it is killed, so that a copy of the disk taken
// meanwhile shows what a power cut at that moment would leave.
#include "platform/files/IniFiles.h"
#include "platform/framework/Registry.h"

#include <cstdio>
#include <memory>
#include <string>

#include <unistd.h>

int main(int argc, char** argv) {
    const std::string kind = argc > 1 ? argv[1] : "";
    if (argc < 4 || (kind != "ini" && kind != "registry")) {
        std::fprintf(stderr, "usage: %s ini|registry FILE|FOLDER VALUE [--exit]\n", argv[0]);
        return 2;
    }
    const bool exitAfter = argc > 4 && std::string(argv[4]) == "--exit";
    std::unique_ptr<TObject> writer;
    try {
        if (kind == "ini") {
            auto ini = std::make_unique<TIniFile>(argv[2]);
            ini->WriteString("Test", "Value", argv[3]);
            writer = std::move(ini);
        } else {
            SetRegistryFolder(argv[2]);
            auto registry = std::make_unique<TRegistry>();
            registry->OpenKey("Software\\PowerCut", true);
            registry->WriteString("Value", argv[3]);
            writer = std::move(registry);
        }
    } catch (const Exception& error) {
        std::fprintf(stderr, "%s\n", error.Message().c_str());
        return 1;
    }
    std::printf("written\n");
    std::fflush(stdout);
    if (exitAfter) return 0;
    for (;;)
        pause();
}
