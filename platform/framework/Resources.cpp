#include "platform/framework/Resources.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace {

std::string keyOf(const std::string& type, const std::string& name) {
    std::string key = type + '\n' + name;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return key;
}

struct Registry {
    std::mutex lock; // guards entries
    std::map<std::string, std::shared_ptr<const std::vector<BYTE>>> entries;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

void RegisterResource(const std::string& type, const std::string& name, std::vector<BYTE> data) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    r.entries[keyOf(type, name)] = std::make_shared<const std::vector<BYTE>>(std::move(data));
}

void UnregisterResource(const std::string& type, const std::string& name) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    r.entries.erase(keyOf(type, name));
}

std::shared_ptr<const std::vector<BYTE>> FindResource(const std::string& type, const std::string& name) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto it = r.entries.find(keyOf(type, name));
    return it == r.entries.end() ? nullptr : it->second;
}
