#pragma once
// Resources embedded in the program by name: bitmaps, sounds and other data that the
// program registers at start-up and looks up later. Names and types match without
// regard to case. The registry starts empty; it may be used from any thread.
#include "platform/framework/Classes.h"
#include "platform/kernel/Types.h"

#include <memory>
#include <string>
#include <vector>

// Resource types. A bitmap resource holds the bitmap without its 14-byte file header
// (starting at the information header), as bitmap resources always have.
constexpr const char* RT_BITMAP = "BITMAP";
constexpr const char* RT_RCDATA = "RCDATA";

class EResNotFound : public Exception {
public:
    using Exception::Exception;
};

void RegisterResource(const std::string& type, const std::string& name, std::vector<BYTE> data);
void UnregisterResource(const std::string& type, const std::string& name);
// The bytes of a resource, or nullptr when there is none of that type and name.
std::shared_ptr<const std::vector<BYTE>> FindResource(const std::string& type, const std::string& name);
