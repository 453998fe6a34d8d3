#pragma once
// Shared by the framework tests: the offscreen GUI and a bounded event pump.
#include "platform/framework/Application.h"
#include "platform/framework/QtBridge.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <functional>

// Handles events until done() holds; false when it does not within many rounds.
inline bool PumpUntil(const std::function<bool()>& done) {
    vx::EnsureQtApplication();
    for (int round = 0; round < 2000 && !done(); ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        Application->ProcessMessages();
    }
    return done();
}
