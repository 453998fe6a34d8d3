#pragma once
// The test backend of the mixer service: devices a test describes line by line. A test
// reads and changes their values as another program would (outside changes reach every
// open handle through the same descriptors the real backend uses), moves meters, makes the
// next call of an operation fail, and sees every value the service wrote.
#include "platform/mmsys/MixerBackend.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class FakeMixerBackend : public MixerBackend {
public:
    FakeMixerBackend();
    ~FakeMixerBackend() override;

    // Adds a device with a layout; every value starts at its control's minimum (switches
    // off, the first item of a single-select list chosen). Answers its device id.
    UINT AddDevice(const std::string& name, MixerLayout layout);
    void RemoveAllDevices();

    // The id the service gives the control named name (full name) on line lineName of a
    // device; 0 when there is none.
    DWORD ControlId(UINT device, const std::string& lineName, const std::string& name) const;
    // Full values of a control (ControlValueCount entries, item-major).
    std::vector<LONG> Values(UINT device, DWORD controlId) const;
    // Changes values as another program would: every open handle hears of it.
    void ChangeFromOutside(UINT device, DWORD controlId, const std::vector<LONG>& values);
    // Sets meter readings without a notice, as meters are read, not announced.
    void SetMeter(UINT device, DWORD controlId, const std::vector<LONG>& values);
    // Tells every open handle that the line holding the control changed shape.
    void ChangeLineFromOutside(UINT device, DWORD controlId);

    struct Write {
        UINT device = 0;
        DWORD controlId = 0;
        std::vector<LONG> values;
    };
    // Every write the service made, oldest first.
    std::vector<Write> Writes() const;
    void ClearWrites();
    // Reads of control values the service made (list texts not counted).
    int Reads() const;

    // The next call of op (after skip calls that still succeed) answers result.
    void FailNext(MixerOp op, MMRESULT result, int skip = 0);
    // Every read of a control fails with result while set (0: none).
    void FailReadsOf(UINT device, DWORD controlId, MMRESULT result);

    std::vector<MixerDeviceInfo> listDevices() override;
    std::vector<MixerDeviceInfo> devices() override;
    MMRESULT open(UINT device, std::unique_ptr<MixerDevice>& opened) override;
    MMRESULT takeFault(MixerOp op) override;

    struct DeviceState;

private:
    class View;
    DeviceState& state(UINT device) const;

    std::vector<std::shared_ptr<DeviceState>> devices_;
    struct Fault {
        MMRESULT result = 0;
        int skip = 0;
    };
    std::map<MixerOp, Fault> faults_;
    std::shared_ptr<std::vector<Write>> writes_;
    std::shared_ptr<int> reads_;
};

// Installs a fake backend for a test's scope.
class ScopedFakeMixer {
public:
    ScopedFakeMixer();
    ~ScopedFakeMixer();
    ScopedFakeMixer(const ScopedFakeMixer&) = delete;
    ScopedFakeMixer& operator=(const ScopedFakeMixer&) = delete;
    FakeMixerBackend& backend() { return backend_; }

private:
    FakeMixerBackend backend_;
};
