#include "sound/PlugBase.h"

#include "platform/files/PathResolver.h"
#include "platform/framework/Published.h"
#include "sound/Sndutils.h"

#include <cstdio>
#include <cstring>

namespace {

// The engine hands a plug-in its file and format: nothing of it is published.
const bool plugPublished = RegisterPublishedClass("TSndPlayPlug", "TComponent", {});

} // namespace

TSndPlayPlug::TSndPlayPlug(TComponent* owner) : TComponent(owner) {
    Format.nChannels = 2;
    Format.wBitsPerSample = 16;
    Format.nSamplesPerSec = 44100;
    UpdateWaveFormat(&Format);
}

void TSndPlayPlug::SetChannels(unsigned short channels) {
    Format.nChannels = channels;
    UpdateWaveFormat(&Format);
}

void TSndPlayPlug::SetBitsPerSample(unsigned short bits) {
    Format.wBitsPerSample = bits;
    UpdateWaveFormat(&Format);
}

void TSndPlayPlug::SetSamplesPerSec(unsigned long rate) {
    Format.nSamplesPerSec = static_cast<DWORD>(rate);
    UpdateWaveFormat(&Format);
}

void TSndPlayPlug::FixTagString(char* s, int n) {
    if (n < 1) return;
    s[n - 1] = 0;
    bool textMet = false;
    for (int i = n - 2; i >= 0; --i) {
        const auto c = static_cast<unsigned char>(s[i]);
        // Control characters go everywhere, blanks only at the end of the field.
        if (c < 32 || (c == ' ' && !textMet))
            s[i] = 0;
        else
            textMet = true;
    }
}

namespace {

// Reads the last 128 bytes of a file; false when the file cannot be opened or is shorter.
bool readTagBytes(std::FILE* file, unsigned char* tag) {
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
    const long size = std::ftell(file);
    if (size < Id3v1::Size || std::fseek(file, size - Id3v1::Size, SEEK_SET) != 0) return false;
    return std::fread(tag, 1, Id3v1::Size, file) == Id3v1::Size;
}

void appendField(std::string& text, const unsigned char* field) {
    if (field[0] == 0) return;
    text += " - ";
    text += reinterpret_cast<const char*>(field);
}

} // namespace

bool TSndPlayPlug::GetMP3Info(const std::string& fileName, SND_FILE_INFO* info) {
    // Music names are written Windows-style ("Data\Music\song.mp3"): open through the resolver.
    FilePtr file = OpenRegularFile(fileName);
    if (!file) return false;
    unsigned char* tag = info->Tag;
    // A file shorter than a tag has none: it reads as the missing "TAG" below.
    if (!readTagBytes(file.get(), tag) || std::memcmp(tag, "TAG", 3) != 0) {
        std::memset(tag, 0, Id3v1::Size);
        info->szTitle[0] = 0;
        return false;
    }
    for (int field : {Id3v1::Title, Id3v1::Artist, Id3v1::Album, Id3v1::Comment})
        FixTagString(reinterpret_cast<char*>(tag + field), Id3v1::FieldLength);

    // The title field is terminated by the fix above, so each field reads as a C string.
    std::string text(reinterpret_cast<const char*>(tag + Id3v1::Title));
    appendField(text, tag + Id3v1::Artist);
    appendField(text, tag + Id3v1::Album);
    appendField(text, tag + Id3v1::Comment);
    if (static_cast<signed char>(tag[Id3v1::Year]) > 32) {
        // Zeroing the comment's first byte ends the four-character year.
        tag[Id3v1::Comment] = 0;
        text += " - ";
        text += reinterpret_cast<const char*>(tag + Id3v1::Year);
    }
    std::snprintf(info->szTitle, sizeof info->szTitle, "%s", text.c_str());
    return true;
}
