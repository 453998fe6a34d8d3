#include "platform/framework/MessageService.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic<MessageService*> currentService{nullptr};
}

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    MessageService* service = currentService.load(std::memory_order_acquire);
    if (!service) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return IDOK;
    }
    return service->Show(text, caption, flags);
}

void MessageBeep() {
    if (MessageService* service = currentService.load(std::memory_order_acquire)) service->Beep();
}

void SetMessageService(MessageService* service) {
    currentService.store(service, std::memory_order_release);
}

MessageService* CurrentMessageService() {
    return currentService.load(std::memory_order_acquire);
}

int RecordingMessageService::Show(const std::string& text, const std::string& caption, unsigned flags) {
    std::lock_guard guard(lock_);
    records_.push_back({text, caption, flags});
    return answer_;
}

std::vector<RecordingMessageService::Record> RecordingMessageService::Records() const {
    std::lock_guard guard(lock_);
    return records_;
}

void RecordingMessageService::Beep() {
    std::lock_guard guard(lock_);
    ++beeps_;
}

int RecordingMessageService::Beeps() const {
    std::lock_guard guard(lock_);
    return beeps_;
}

void RecordingMessageService::Clear() {
    std::lock_guard guard(lock_);
    records_.clear();
    beeps_ = 0;
}

void RecordingMessageService::SetAnswer(int answer) {
    std::lock_guard guard(lock_);
    answer_ = answer;
}

ScopedMessageRecorder::ScopedMessageRecorder() : previous_(CurrentMessageService()) {
    SetMessageService(&recorder_);
}

ScopedMessageRecorder::~ScopedMessageRecorder() {
    SetMessageService(previous_);
}
