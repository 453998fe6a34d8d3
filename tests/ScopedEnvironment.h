#pragma once
// Sets an environment variable for one scope (a test pointing the program at its scratch
// folders, say) and puts back what was there before, or nothing, when the scope ends.
#include <cstdlib>
#include <string>

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old, had_ = true;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (had_)
            setenv(name_, saved_.c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::string saved_;
    bool had_ = false;
};
