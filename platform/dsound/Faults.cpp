#include "platform/dsound/Faults.h"

#include <atomic>

namespace {
std::atomic<HRESULT> pending[static_cast<int>(DsOp::Count)];
}

void FailNextCall(DsOp op, HRESULT result) { pending[static_cast<int>(op)].store(result); }

HRESULT TakeFault(DsOp op) {
    std::atomic<HRESULT>& slot = pending[static_cast<int>(op)];
    if (slot.load(std::memory_order_relaxed) == 0)
        return 0;
    return slot.exchange(0);
}

void ClearFaults() {
    for (auto& slot : pending)
        slot.store(0);
}
