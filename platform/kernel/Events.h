#pragma once
// Waitable events in a handle table. Handles are small integers that are never reused
// while the process runs, so signalling or waiting on a closed handle is harmless and
// answers failure instead of touching freed memory.
#include "platform/kernel/Types.h"

#include <cstddef>

using HANDLE = std::uintptr_t;
constexpr HANDLE NULL_HANDLE = 0;

constexpr DWORD WAIT_OBJECT_0 = 0x00000000u;
constexpr DWORD WAIT_TIMEOUT = 0x00000102u;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

// A manual-reset event stays signalled until reset; an auto-reset one releases exactly one
// waiter and clears itself.
HANDLE CreateEvent(bool manualReset, bool initialState);
bool SetEvent(HANDLE event);
bool ResetEvent(HANDLE event);
bool CloseHandle(HANDLE event);

// Waits up to timeoutMs (INFINITE waits for ever; time-outs use the real clock, not the
// test clock). Answers WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED (unknown handle).
DWORD WaitForSingleObject(HANDLE event, DWORD timeoutMs);

// Waits for any (waitAll false) or all of the events. For "any", the lowest signalled
// index wins and WAIT_OBJECT_0 + index is answered; only that event is consumed.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* events, bool waitAll, DWORD timeoutMs);

// Number of open handles, for leak checks in tests.
std::size_t OpenEventCount();
