#include "graphics/DDThread.h"

#include "graphics/DDForm.h"

TDDThread::TDDThread(TDDForm* form) : TThread(true), Form(form) {}

void TDDThread::Execute() {
    while (!Terminated())
        Form->UpdateFrame();
}
