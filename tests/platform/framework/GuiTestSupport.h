#pragma once
// Shared by the framework tests: the offscreen GUI and a bounded event loop.
#include "platform/framework/Application.h"
#include "platform/framework/QtBridge.h"

#include <QEventLoop>
#include <QTimer>
#include <functional>

// Runs the event loop until done() holds, for at most limitMs of real time (events from
// other threads need their thread to get there); answers done().
inline bool PumpUntil(const std::function<bool()>& done, int limitMs = 10000) {
    vx::EnsureQtApplication();
    Application->ProcessMessages();
    if (done()) return true;
    QEventLoop loop;
    QTimer check;
    check.setInterval(1);
    QObject::connect(&check, &QTimer::timeout, [&] {
        Application->ProcessMessages();
        if (done()) loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    check.start();
    limit.start(limitMs);
    loop.exec();
    return done();
}
