#pragma once
// Shared by the framework tests: the offscreen GUI and a bounded event pump.
#include "platform/framework/Application.h"
#include "platform/framework/QtBridge.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <functional>
#include <thread>

// Handles events until done() holds; false when it does not within ten seconds. The bound is
// real time, not rounds: an idle pump returns at once, faster than a worker thread starts.
inline bool PumpUntil(const std::function<bool()>& done) {
    vx::EnsureQtApplication();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        Application->ProcessMessages();
        std::this_thread::yield();
    }
    return done();
}
