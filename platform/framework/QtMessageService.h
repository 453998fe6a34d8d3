#pragma once
// The message service of a running application: a modal box on the GUI thread. A box
// asked for by another thread is posted to the GUI thread and the caller gets IDOK at
// once, so no worker ever waits for a person.
#include "platform/framework/MessageService.h"

#include <functional>
#include <memory>
#include <mutex>

class QtMessageService : public MessageService {
public:
    using Presenter = std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;
    QtMessageService();
    int Show(const std::string& text, const std::string& caption, unsigned flags) override;
    void Beep() override;
    // Replaces the dialog (tests); it runs on the GUI thread like the dialog.
    void SetPresenter(Presenter presenter);

private:
    std::shared_ptr<const Presenter> presenter() const;

    mutable std::mutex lock_; // guards presenter_
    std::shared_ptr<const Presenter> presenter_;
};

// The dialog itself: a message box with the buttons and icon of flags, answering ID*.
int ShowQtMessageBox(const std::string& text, const std::string& caption, unsigned flags);
