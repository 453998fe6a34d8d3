#pragma once
// Points the registry stand-in at the test's own scratch folder for the length of a test,
// so that no test reads or leaves settings where another one, or the user, keeps them.
#include "platform/files/RegistryStore.h"
#include "tests/platform/files/TempTree.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class ScratchRegistry {
public:
    ScratchRegistry() { SetRegistryFolder(tree.Path("registry")); }
    ~ScratchRegistry() { SetRegistryFolder(""); }
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    // The text of the file that keeps root's keys.
    std::string FileText(HKEY root) const {
        std::ifstream in(RegistryFile(root), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void WriteFile(HKEY root, const std::string& text) const {
        std::filesystem::create_directories(tree.Path("registry"));
        std::ofstream(RegistryFile(root), std::ios::binary) << text;
    }

    TempTree tree;
};
