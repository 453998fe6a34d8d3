#include "graphics/ImageFile.h"

#include "platform/files/PathResolver.h"
#include "platform/framework/Classes.h"

#include <cerrno>
#include <cstring>

std::FILE* OpenImageFile(const std::string& name) {
    if (name.empty() || DirectoryExists(name))
        return nullptr;
    return OpenFile(name, "rb").release();
}

void RaiseFileOpenError(const std::string& name) {
    int code = errno;
    throw Exception("Cannot open file \"" + name + "\". " + std::strerror(code ? code : ENOENT));
}

void DebugOutput(const char* text) { std::fputs(text, stderr); }
