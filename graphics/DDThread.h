#pragma once
// TDDThread: while its form is active, calls the form's UpdateFrame in an endless loop.
#include "platform/kernel/Thread.h"

class TDDForm;

class TDDThread : public TThread {
public:
    // Created suspended; the form resumes it.
    explicit TDDThread(TDDForm* form);
    TDDForm* Form;

protected:
    void Execute() override;
};
