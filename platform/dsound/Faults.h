#pragma once
// Fault injection for tests: the next call of an operation answers the given result
// instead of doing its work.
#include "platform/kernel/Types.h"

enum class DsOp {
    Create,
    SetCooperativeLevel,
    CreateSoundBuffer,
    DuplicateSoundBuffer,
    QueryNotify,
    SetNotificationPositions,
    Lock,
    Unlock,
    Play,
    Stop,
    SetCurrentPosition,
    GetCurrentPosition,
    GetStatus,
    SetFormat,
    SetVolume,
    SetPan,
    SetFrequency,
    Restore,
    CaptureCreate,
    CreateCaptureBuffer,
    CaptureStart,
    CaptureLock,
    Count
};

// skip: calls of the operation that still succeed before the one that fails.
void FailNextCall(DsOp op, HRESULT result, int skip = 0);
// The injected result for this call (consumed), or 0 when none is pending.
HRESULT TakeFault(DsOp op);
void ClearFaults();
