// The desktop's progress window for file operations: a modal progress dialog that keeps
// the application's other windows disabled while it runs and lets the user cancel.
#include "platform/files/FileOperations.h"

#include "platform/framework/QtBridge.h"
#include "platform/kernel/Thread.h"

#include <QApplication>
#include <QProgressDialog>
#include <memory>

namespace {

class QtFileProgress : public FileOperationProgress {
public:
    void Begin(const std::string& title, std::int64_t total) override {
        // A window can only be shown from the GUI thread; elsewhere the operation runs unseen.
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !IsMainThread()) return;
        // Progress bars count in int: a total beyond that is shown in coarser steps.
        shift_ = 0;
        while ((total >> shift_) > 0x7FFFFFFF)
            ++shift_;
        dialog_ = std::make_unique<QProgressDialog>();
        dialog_->setWindowTitle(vx::ToQString(title.empty() ? "Working" : title));
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setMinimumDuration(500);
        dialog_->setAutoClose(false);
        dialog_->setRange(0, static_cast<int>(total >> shift_));
        dialog_->setValue(0);
    }

    bool Update(const std::string& item, std::int64_t done) override {
        if (!dialog_) return true;
        if (!item.empty()) dialog_->setLabelText(vx::ToQString(item));
        dialog_->setValue(static_cast<int>(std::min<std::int64_t>(done >> shift_, dialog_->maximum())));
        QApplication::processEvents();
        return !dialog_->wasCanceled();
    }

    void End() override { dialog_.reset(); }

private:
    std::unique_ptr<QProgressDialog> dialog_;
    int shift_ = 0;
};

} // namespace

FileOperationProgress& DesktopFileOperationProgress() {
    static QtFileProgress progress;
    return progress;
}
