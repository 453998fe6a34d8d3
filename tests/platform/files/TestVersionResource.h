#pragma once
#include "platform/files/VersionBlock.h"

inline constexpr VersionNumbers TestVersionNumbers{{3, 14, 15, 9265}, {2, 7, 1, 8}, 0x0419, 1251};

inline constexpr VersionString TestVersionStrings[] = {
    {"FileDescription", "Test program"},
    {"FileVersion", "3.14 beta"},
    {"LegalCopyright", "Copyright (C) the testers"},
    {"Empty", ""},
};
