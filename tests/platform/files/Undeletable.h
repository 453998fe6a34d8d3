#pragma once
// Makes the entries of a folder impossible to remove or add for the length of a scope: a
// read-only folder for an ordinary user, the immutable mark for the administrator (whom
// permissions do not stop). Skips the test where neither can be had.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

class ScopedUndeletable {
public:
    explicit ScopedUndeletable(const std::string& folder) : folder_(folder) {
        if (geteuid() != 0) {
            ok_ = chmod(folder.c_str(), 0555) == 0;
            return;
        }
        immutable_ = true;
        ok_ = std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str()) == 0;
    }
    ~ScopedUndeletable() {
        if (immutable_)
            (void)std::system(("chattr -i '" + folder_ + "' 2>/dev/null").c_str());
        else
            chmod(folder_.c_str(), 0755);
    }
    ScopedUndeletable(const ScopedUndeletable&) = delete;
    ScopedUndeletable& operator=(const ScopedUndeletable&) = delete;
    bool ok() const { return ok_; }

private:
    std::string folder_;
    bool immutable_ = false;
    bool ok_ = false;
};

#define VX_REQUIRE_UNDELETABLE(scope)                                                                        \
    do {                                                                                                     \
        if (!(scope).ok()) {                                                                                 \
            GTEST_SKIP() << "cannot make a folder undeletable here (no chmod effect, no chattr)";            \
        }                                                                                                    \
    } while (0)
