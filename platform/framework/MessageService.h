#pragma once
// Message boxes go through one replaceable service: the application's shows them in a
// dialog on the GUI thread, a test's records them. A box raised off the GUI thread is
// posted to it and the caller gets IDOK at once, so no worker ever waits for a person.
#include <mutex>
#include <string>
#include <vector>

constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_YESNOCANCEL = 0x03;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONERROR = MB_ICONHAND;
constexpr unsigned MB_ICONSTOP = MB_ICONHAND;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONASTERISK = MB_ICONINFORMATION;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual int Show(const std::string& text, const std::string& caption, unsigned flags) = 0;
    // The attention sound that goes with a message.
    virtual void Beep() {}
};

// Shows a box through the installed service (with none installed: written to stderr, IDOK).
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);
// Sounds the installed service's beep (with none installed: nothing).
void MessageBeep();
// Installs a service (nullptr: none). The caller keeps ownership.
void SetMessageService(MessageService* service);
MessageService* CurrentMessageService();

// Records every box instead of showing it; safe from any thread.
class RecordingMessageService : public MessageService {
public:
    struct Record {
        std::string text;
        std::string caption;
        unsigned flags = 0;
    };
    int Show(const std::string& text, const std::string& caption, unsigned flags) override;
    std::vector<Record> Records() const;
    void Beep() override;
    int Beeps() const;
    void Clear();
    // What Show answers.
    void SetAnswer(int answer);

private:
    mutable std::mutex lock_;
    std::vector<Record> records_;
    int beeps_ = 0;
    int answer_ = IDOK;
};

// Installs a recorder for the lifetime of a test scope.
class ScopedMessageRecorder {
public:
    ScopedMessageRecorder();
    ~ScopedMessageRecorder();
    ScopedMessageRecorder(const ScopedMessageRecorder&) = delete;
    ScopedMessageRecorder& operator=(const ScopedMessageRecorder&) = delete;
    RecordingMessageService& recorder() { return recorder_; }
    std::vector<RecordingMessageService::Record> Records() const { return recorder_.Records(); }
    int Beeps() const { return recorder_.Beeps(); }

private:
    RecordingMessageService recorder_;
    MessageService* previous_;
};
