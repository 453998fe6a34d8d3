#include "platform/files/Shell.h"

#include "platform/files/PathResolver.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QString>
#include <QUrl>

#include <atomic>
#include <filesystem>

namespace {

class DesktopShellService : public ShellService {
public:
    bool Open(const std::string& target) override {
        if (target.empty()) return false;
        if (target.front() == '/' && !std::filesystem::exists(target)) return false;
        QString text = QString::fromStdString(target);
        QUrl url = text.startsWith('/') ? QUrl::fromLocalFile(text) : QUrl(text);
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return QDesktopServices::openUrl(url);
        return QProcess::startDetached("xdg-open", {url.toString()});
    }
};

DesktopShellService desktopService;
std::atomic<ShellService*> currentService{&desktopService};

bool isAddress(const std::string& file) {
    std::size_t colon = file.find(':');
    if (colon == std::string::npos || colon < 2) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        char c = file[i];
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return false;
    }
    return true;
}

} // namespace

int ShellExecute(const std::string& file) {
    std::string target = file;
    if (!file.empty() && !isAddress(file)) {
        std::error_code error;
        std::filesystem::path path = std::filesystem::absolute(ResolvePath(file), error);
        if (!error) target = path.lexically_normal().string();
    }
    return currentService.load()->Open(target) ? SE_SUCCESS : SE_ERR_NOASSOC;
}

void SetShellService(ShellService* service) {
    currentService.store(service ? service : &desktopService);
}

bool RecordingShellService::Open(const std::string& target) {
    std::lock_guard<std::mutex> guard(lock_);
    targets_.push_back(target);
    return accepts_;
}

std::vector<std::string> RecordingShellService::Targets() const {
    std::lock_guard<std::mutex> guard(lock_);
    return targets_;
}

void RecordingShellService::SetAccepts(bool accepts) {
    std::lock_guard<std::mutex> guard(lock_);
    accepts_ = accepts;
}

ScopedShellRecorder::ScopedShellRecorder() {
    SetShellService(&recorder_);
}

ScopedShellRecorder::~ScopedShellRecorder() {
    SetShellService(nullptr);
}
