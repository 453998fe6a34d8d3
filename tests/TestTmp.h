#pragma once
// Forced into every test source: VX_TEST_TMP names a scratch folder of this test process.
// ctest runs every test case as its own process, in parallel, so a folder shared by all
// of them would let two cases overwrite each other's files.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace vx_test {

inline std::filesystem::path ScratchPath() {
    std::string leaf = "p";
    leaf += std::to_string(::getpid());
    return std::filesystem::path(VX_TEST_TMP_ROOT) / leaf;
}

inline const char* ScratchDir() {
    static const std::string dir = [] {
        std::filesystem::create_directories(ScratchPath());
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchPath(), ignored);
        });
        return ScratchPath().string();
    }();
    return dir.c_str();
}

} // namespace vx_test
