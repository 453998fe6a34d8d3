#include "platform/kernel/Events.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

struct Event {
    bool manualReset = false;
    bool signalled = false;
};

// One lock and one condition for the whole table: events are few and signalled at block
// rate, so simplicity wins over fine-grained locking.
struct EventTable {
    std::mutex lock;
    std::condition_variable changed;
    std::unordered_map<HANDLE, Event> events;
    HANDLE nextHandle = 1;
};

EventTable& table() {
    static EventTable instance;
    return instance;
}

enum class Readiness { Ready, NotReady, Invalid };

// Under the table lock: is the wait satisfied? For "any", index receives the winner.
Readiness check(EventTable& t, const HANDLE* handles, DWORD count, bool waitAll, DWORD& index) {
    bool all = true;
    for (DWORD i = 0; i < count; ++i) {
        auto it = t.events.find(handles[i]);
        if (it == t.events.end()) return Readiness::Invalid;
        if (it->second.signalled && !waitAll) {
            index = i;
            return Readiness::Ready;
        }
        all = all && it->second.signalled;
    }
    if (waitAll && all) {
        index = 0;
        return Readiness::Ready;
    }
    return Readiness::NotReady;
}

void consume(EventTable& t, const HANDLE* handles, DWORD count, bool waitAll, DWORD index) {
    auto consumeOne = [&](HANDLE h) {
        Event& e = t.events[h];
        if (!e.manualReset) e.signalled = false;
    };
    if (waitAll) {
        for (DWORD i = 0; i < count; ++i)
            consumeOne(handles[i]);
    } else {
        consumeOne(handles[index]);
    }
}

} // namespace

HANDLE CreateEvent(bool manualReset, bool initialState) {
    EventTable& t = table();
    std::lock_guard guard(t.lock);
    HANDLE h = t.nextHandle++;
    t.events[h] = Event{manualReset, initialState};
    return h;
}

bool SetEvent(HANDLE event) {
    EventTable& t = table();
    {
        std::lock_guard guard(t.lock);
        auto it = t.events.find(event);
        if (it == t.events.end()) return false;
        it->second.signalled = true;
    }
    t.changed.notify_all();
    return true;
}

bool ResetEvent(HANDLE event) {
    EventTable& t = table();
    std::lock_guard guard(t.lock);
    auto it = t.events.find(event);
    if (it == t.events.end()) return false;
    it->second.signalled = false;
    return true;
}

bool CloseHandle(HANDLE event) {
    EventTable& t = table();
    bool erased;
    {
        std::lock_guard guard(t.lock);
        erased = t.events.erase(event) > 0;
    }
    // Waiters on a closed handle wake up and fail instead of sleeping for ever.
    t.changed.notify_all();
    return erased;
}

DWORD WaitForSingleObject(HANDLE event, DWORD timeoutMs) {
    return WaitForMultipleObjects(1, &event, false, timeoutMs);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* events, bool waitAll, DWORD timeoutMs) {
    if (count == 0 || events == nullptr) return WAIT_FAILED;
    EventTable& t = table();
    std::unique_lock guard(t.lock);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        DWORD index = 0;
        switch (check(t, events, count, waitAll, index)) {
        case Readiness::Invalid:
            return WAIT_FAILED;
        case Readiness::Ready:
            consume(t, events, count, waitAll, index);
            return WAIT_OBJECT_0 + index;
        case Readiness::NotReady:
            break;
        }
        if (timeoutMs == INFINITE) {
            t.changed.wait(guard);
        } else if (t.changed.wait_until(guard, deadline) == std::cv_status::timeout) {
            if (check(t, events, count, waitAll, index) == Readiness::NotReady) return WAIT_TIMEOUT;
        }
    }
}

std::size_t OpenEventCount() {
    EventTable& t = table();
    std::lock_guard guard(t.lock);
    return t.events.size();
}
