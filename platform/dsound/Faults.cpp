#include "platform/dsound/Faults.h"

#include <atomic>

#include <mutex>

namespace {

struct Fault {
    HRESULT result = 0;
    int skip = 0;
};

std::atomic<bool> anyPending{false};
std::mutex faultsLock;
Fault faults[static_cast<int>(DsOp::Count)]; // guarded by faultsLock

} // namespace

void FailNextCall(DsOp op, HRESULT result, int skip) {
    std::lock_guard guard(faultsLock);
    faults[static_cast<int>(op)] = {result, skip};
    anyPending.store(true);
}

HRESULT TakeFault(DsOp op) {
    if (!anyPending.load(std::memory_order_relaxed)) return 0;
    std::lock_guard guard(faultsLock);
    Fault& fault = faults[static_cast<int>(op)];
    if (fault.result == 0) return 0;
    if (fault.skip > 0) {
        --fault.skip;
        return 0;
    }
    const HRESULT result = fault.result;
    fault.result = 0;
    return result;
}

void ClearFaults() {
    std::lock_guard guard(faultsLock);
    for (Fault& fault : faults)
        fault = Fault{};
    anyPending.store(false);
}
