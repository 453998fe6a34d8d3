#include "platform/mmsys/FakeMixer.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

// One device's values, shared by the backend and every handle open on it. The backend's
// calls and the service's reach it from any thread: lock guards everything below it.
struct FakeMixerBackend::DeviceState {
    std::mutex lock;
    std::string name;
    MixerLayout layout;
    std::vector<MixerControlPlace> places;
    std::vector<std::vector<LONG>> values;     // per control
    std::map<std::size_t, MMRESULT> failReads; // per control
    std::vector<View*> views;                  // open handles
};

namespace {

// Guards every fake backend's fault table, write log and read count.
std::mutex& fakeLock() {
    static std::mutex lock;
    return lock;
}

std::vector<LONG> startValues(const MixerLineDesc& line, const MixerControlDesc& control) {
    std::vector<LONG> values(ControlValueCount(line, control), control.minimum);
    const DWORD kind = MixerControlClass(control.type);
    if (kind == MIXERCONTROL_CT_CLASS_SWITCH || kind == MIXERCONTROL_CT_CLASS_LIST)
        std::fill(values.begin(), values.end(), 0);
    if (kind == MIXERCONTROL_CT_CLASS_LIST && !(control.type & MIXERCONTROL_CT_SC_LIST_MULTIPLE))
        std::fill(values.begin(), values.begin() + ControlChannels(line, control), 1);
    return values;
}

} // namespace

class FakeMixerBackend::View : public MixerDevice {
public:
    View(std::shared_ptr<DeviceState> device, UINT id, std::shared_ptr<std::vector<Write>> writes,
         std::shared_ptr<int> reads)
        : device_(std::move(device)), id_(id), writes_(std::move(writes)), reads_(std::move(reads)),
          wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
        std::lock_guard guard(device_->lock);
        device_->views.push_back(this);
    }
    ~View() override {
        {
            std::lock_guard guard(device_->lock);
            auto& views = device_->views;
            views.erase(std::remove(views.begin(), views.end(), this), views.end());
        }
        if (wake_ >= 0) ::close(wake_);
    }

    const MixerLayout& layout() const override { return device_->layout; }

    MMRESULT read(std::size_t control, std::vector<LONG>& values) override {
        {
            std::lock_guard guard(fakeLock());
            ++*reads_;
        }
        std::lock_guard guard(device_->lock);
        if (auto it = device_->failReads.find(control); it != device_->failReads.end()) return it->second;
        values = device_->values.at(control);
        return MMSYSERR_NOERROR;
    }

    MMRESULT write(std::size_t control, const std::vector<LONG>& values) override {
        {
            std::lock_guard guard(device_->lock);
            device_->values.at(control) = values;
        }
        std::lock_guard guard(fakeLock());
        writes_->push_back({id_, MixerControlId(control), values});
        return MMSYSERR_NOERROR;
    }

    std::vector<int> changeDescriptors() override {
        return wake_ >= 0 ? std::vector<int>{wake_} : std::vector<int>{};
    }

    std::vector<MixerChange> takeChanges() override {
        std::uint64_t count = 0;
        while (::read(wake_, &count, sizeof count) == sizeof count) {
        }
        std::lock_guard guard(device_->lock);
        return std::exchange(pending_, {});
    }

    // Called with the device's lock held.
    void announce(MixerChange change) {
        pending_.push_back(change);
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
    }

private:
    std::shared_ptr<DeviceState> device_;
    UINT id_;
    std::shared_ptr<std::vector<Write>> writes_;
    std::shared_ptr<int> reads_;
    int wake_;
    std::vector<MixerChange> pending_; // guarded by the device's lock
};

FakeMixerBackend::FakeMixerBackend()
    : writes_(std::make_shared<std::vector<Write>>()), reads_(std::make_shared<int>(0)) {}

FakeMixerBackend::~FakeMixerBackend() = default;

UINT FakeMixerBackend::AddDevice(const std::string& name, MixerLayout layout) {
    auto device = std::make_shared<DeviceState>();
    device->name = name;
    device->layout = std::move(layout);
    device->places = PlaceControls(device->layout);
    for (const MixerControlPlace& place : device->places)
        device->values.push_back(
            startValues(LineAt(device->layout, place), ControlAt(device->layout, place)));
    std::lock_guard guard(fakeLock());
    devices_.push_back(std::move(device));
    return static_cast<UINT>(devices_.size() - 1);
}

void FakeMixerBackend::RemoveAllDevices() {
    std::lock_guard guard(fakeLock());
    devices_.clear();
}

FakeMixerBackend::DeviceState& FakeMixerBackend::state(UINT device) const {
    std::lock_guard guard(fakeLock());
    if (device >= devices_.size()) throw std::out_of_range("no such fake mixer device");
    return *devices_[device];
}

DWORD FakeMixerBackend::ControlId(UINT device, const std::string& lineName, const std::string& name) const {
    DeviceState& d = state(device);
    std::lock_guard guard(d.lock);
    for (std::size_t i = 0; i < d.places.size(); ++i)
        if (LineAt(d.layout, d.places[i]).name == lineName && ControlAt(d.layout, d.places[i]).name == name)
            return MixerControlId(i);
    return 0;
}

std::vector<LONG> FakeMixerBackend::Values(UINT device, DWORD controlId) const {
    DeviceState& d = state(device);
    std::lock_guard guard(d.lock);
    return d.values.at(controlId - 1);
}

void FakeMixerBackend::ChangeFromOutside(UINT device, DWORD controlId, const std::vector<LONG>& values) {
    DeviceState& d = state(device);
    std::lock_guard guard(d.lock);
    std::vector<LONG>& stored = d.values.at(controlId - 1);
    if (values.size() != stored.size()) throw std::invalid_argument("fake mixer: wrong number of values");
    stored = values;
    for (View* view : d.views)
        view->announce({false, controlId - 1});
}

void FakeMixerBackend::SetMeter(UINT device, DWORD controlId, const std::vector<LONG>& values) {
    DeviceState& d = state(device);
    std::lock_guard guard(d.lock);
    std::vector<LONG>& stored = d.values.at(controlId - 1);
    if (values.size() != stored.size()) throw std::invalid_argument("fake mixer: wrong number of values");
    stored = values;
}

void FakeMixerBackend::ChangeLineFromOutside(UINT device, DWORD controlId) {
    DeviceState& d = state(device);
    std::lock_guard guard(d.lock);
    for (View* view : d.views)
        view->announce({true, controlId - 1});
}

std::vector<FakeMixerBackend::Write> FakeMixerBackend::Writes() const {
    std::lock_guard guard(fakeLock());
    return *writes_;
}

void FakeMixerBackend::ClearWrites() {
    std::lock_guard guard(fakeLock());
    writes_->clear();
}

int FakeMixerBackend::Reads() const {
    std::lock_guard guard(fakeLock());
    return *reads_;
}

void FakeMixerBackend::FailNext(MixerOp op, MMRESULT result, int skip) {
    std::lock_guard guard(fakeLock());
    faults_[op] = {result, skip};
}

void FakeMixerBackend::FailReadsOf(UINT device, DWORD controlId, MMRESULT result) {
    DeviceState& d = state(device);
    std::lock_guard guard(d.lock);
    if (result == MMSYSERR_NOERROR)
        d.failReads.erase(controlId - 1);
    else
        d.failReads[controlId - 1] = result;
}

std::vector<MixerDeviceInfo> FakeMixerBackend::listDevices() {
    return devices();
}

std::vector<MixerDeviceInfo> FakeMixerBackend::devices() {
    std::lock_guard guard(fakeLock());
    std::vector<MixerDeviceInfo> infos;
    for (const auto& device : devices_)
        infos.push_back({device->name, static_cast<DWORD>(device->layout.size())});
    return infos;
}

MMRESULT FakeMixerBackend::open(UINT device, std::unique_ptr<MixerDevice>& opened) {
    std::shared_ptr<DeviceState> state;
    {
        std::lock_guard guard(fakeLock());
        if (device >= devices_.size()) return MMSYSERR_BADDEVICEID;
        state = devices_[device];
    }
    opened = std::make_unique<View>(std::move(state), device, writes_, reads_);
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixerBackend::takeFault(MixerOp op) {
    std::lock_guard guard(fakeLock());
    auto it = faults_.find(op);
    if (it == faults_.end()) return MMSYSERR_NOERROR;
    if (it->second.skip > 0) {
        --it->second.skip;
        return MMSYSERR_NOERROR;
    }
    const MMRESULT result = it->second.result;
    faults_.erase(it);
    return result;
}

ScopedFakeMixer::ScopedFakeMixer() {
    SetMixerBackend(&backend_);
}

ScopedFakeMixer::~ScopedFakeMixer() {
    SetMixerBackend(nullptr);
}
