#pragma once
// Handing a document, a web address or a mail link to the desktop, which opens it with
// the program the user chose for it. The desktop is reached through one replaceable
// service: the real one asks the desktop's URL handler, a test's records the calls.
#include <mutex>
#include <string>
#include <vector>

// ShellExecute results: above 32 is success.
constexpr int SE_ERR_NOASSOC = 31;
constexpr int SE_SUCCESS = 42;

class ShellService {
public:
    virtual ~ShellService() = default;
    // Opens target: an address with a scheme ("https://...", "mailto:...") or an absolute
    // path. True when the desktop took it.
    virtual bool Open(const std::string& target) = 0;
};

// Opens file with its default action. A name with a scheme of two or more characters is
// an address and goes as it is; any other non-empty name is a file (through the path
// resolver, relative to the current directory) and goes as its absolute path. Nothing
// is checked first: a missing file or an empty name is the desktop's to refuse. Answers
// SE_SUCCESS, or SE_ERR_NOASSOC when the target was refused.
int ShellExecute(const std::string& file);

// Installs a service (nullptr: the desktop's). The caller keeps ownership.
void SetShellService(ShellService* service);

// Records every target instead of opening it; safe from any thread.
class RecordingShellService : public ShellService {
public:
    bool Open(const std::string& target) override;
    std::vector<std::string> Targets() const;
    // What Open answers.
    void SetAccepts(bool accepts);

private:
    mutable std::mutex lock_;
    std::vector<std::string> targets_;
    bool accepts_ = true;
};

// Installs a recorder for the lifetime of a test scope.
class ScopedShellRecorder {
public:
    ScopedShellRecorder();
    ~ScopedShellRecorder();
    ScopedShellRecorder(const ScopedShellRecorder&) = delete;
    ScopedShellRecorder& operator=(const ScopedShellRecorder&) = delete;
    RecordingShellService& recorder() { return recorder_; }
    std::vector<std::string> Targets() const { return recorder_.Targets(); }

private:
    RecordingShellService recorder_;
};
