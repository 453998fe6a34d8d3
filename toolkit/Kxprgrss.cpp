#include "toolkit/Kxprgrss.h"

#include "platform/framework/ProgressBar.h"
#include "platform/framework/Published.h"

#include <mutex>

namespace {

constexpr std::size_t maxPropName = 63;

std::string shortName(std::string name) {
    if (name.size() > maxPropName) name.resize(maxPropName);
    return name;
}

struct Registry {
    std::mutex lock;
    TProgressList list; // guarded by lock
    Registry() { list.Add({TProgressBar::StaticClassName, "Max", "Min", "Position"}); }
};

Registry& registry() {
    static Registry instance;
    return instance;
}

enum class Which { Max, Min, Progress };

bool setProgress(TControl* control, Which which, int value) {
    if (!control) return false;
    std::string name;
    {
        Registry& r = registry();
        std::lock_guard guard(r.lock);
        const TProgressProp* record = r.list.FindFor(*control);
        if (!record) return false;
        name = which == Which::Max   ? record->MaxProp
               : which == Which::Min ? record->MinProp
                                     : record->ProgressProp;
    }
    const TPropInfo* prop = GetPropInfo(*control, name);
    if (!prop || !prop->Set) return false;
    switch (prop->Kind()) {
    case tkInteger:
    case tkInt64:
        SetOrdProp(*control, *prop, value);
        return true;
    case tkFloat:
        SetFloatProp(*control, *prop, value);
        return true;
    case tkVariant:
        SetVariantProp(*control, *prop, Variant(value));
        return true;
    default:
        return false;
    }
}

} // namespace

void TProgressList::Add(TProgressProp record) {
    record.MaxProp = shortName(std::move(record.MaxProp));
    record.MinProp = shortName(std::move(record.MinProp));
    record.ProgressProp = shortName(std::move(record.ProgressProp));
    records_.push_back(std::move(record));
}

const TProgressProp* TProgressList::FindFor(const TObject& control) const {
    for (auto it = records_.rbegin(); it != records_.rend(); ++it)
        if (control.InheritsFrom(it->ClassName)) return &*it;
    return nullptr;
}

void TProgressList::RemoveClass(const std::string& className) {
    for (std::size_t i = records_.size(); i-- > 0;)
        if (records_[i].ClassName == className || ClassInheritsFrom(records_[i].ClassName, className))
            records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(i));
}

void RegisterProgressControl(const std::string& className, const std::string& maxPropName,
                             const std::string& minPropName, const std::string& progressPropName) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    r.list.Add({className, maxPropName, minPropName, progressPropName});
}

void UnRegisterProgressControl(const std::string& className) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    r.list.RemoveClass(className);
}

bool SupportsProgressControl(TControl* control) {
    if (!control) return false;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    return r.list.FindFor(*control) != nullptr;
}

bool SetProgressMax(TControl* control, int maxValue) {
    return setProgress(control, Which::Max, maxValue);
}

bool SetProgressMin(TControl* control, int minValue) {
    return setProgress(control, Which::Min, minValue);
}

bool SetProgressValue(TControl* control, int progressValue) {
    return setProgress(control, Which::Progress, progressValue);
}
