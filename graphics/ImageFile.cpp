#include "graphics/ImageFile.h"

#include "platform/files/PathResolver.h"
#include "platform/framework/Classes.h"

std::FILE* OpenImageFile(const std::string& name) {
    if (name.empty() || DirectoryExists(name)) return nullptr;
    return OpenFile(name, "rb").release();
}

void RaiseFileOpenError(const std::string& name) {
    throw EFOpenError("Cannot open file \"" + name + "\"");
}

void DebugOutput(const char* text) {
    std::fputs(text, stderr);
}
