#pragma once
// TWebLabel: a label that looks like a link (blue, underlined, hand cursor) and hands its
// File (a document, a web address or a mail link) to the desktop when clicked.
#include "platform/framework/StdCtrls.h"

#include <string>

class TWebLabel : public TLabel {
    VX_CLASS(TWebLabel, TLabel)
public:
    explicit TWebLabel(TComponent* owner);

    const std::string& File() const { return file_; }
    void SetFile(const std::string& file) { file_ = file; }

    // The click handler the constructor installs: opens File through the desktop; a
    // failure is not reported.
    void OnLabelClick(TObject* sender);

private:
    std::string file_;
};
