#pragma once
// Driving any kind of progress control without knowing its class: control classes are
// registered with the names of their maximum, minimum and position properties, and the
// setters find the registration of a control's class (or its nearest registered ancestor,
// the latest registration first) and set the published property by name. The framework's
// TProgressBar ("Max", "Min", "Position") is registered from the start. Safe from any
// thread; the control itself belongs to the GUI thread.
#include "platform/framework/Controls.h"

#include <string>
#include <vector>

// One registration: property names keep at most 63 characters.
struct TProgressProp {
    std::string ClassName;
    std::string MaxProp;
    std::string MinProp;
    std::string ProgressProp;
};

// The registrations, in the order they were made.
class TProgressList {
public:
    void Add(TProgressProp record);
    // The last record whose class is className's or an ancestor's, nullptr when none.
    const TProgressProp* FindFor(const TObject& control) const;
    // Removes every record of className and of the registered classes derived from it.
    void RemoveClass(const std::string& className);
    int Count() const { return static_cast<int>(records_.size()); }

private:
    std::vector<TProgressProp> records_;
};

void RegisterProgressControl(const std::string& className, const std::string& maxPropName,
                             const std::string& minPropName, const std::string& progressPropName);
template <class C>
void RegisterProgressControl(const std::string& maxPropName, const std::string& minPropName,
                             const std::string& progressPropName) {
    RegisterProgressControl(C::StaticClassName, maxPropName, minPropName, progressPropName);
}
void UnRegisterProgressControl(const std::string& className);
// A control is given and a registration matches it.
bool SupportsProgressControl(TControl* control);
// True when the control's registered property exists and is an integer, floating-point or
// variant property, and was set.
bool SetProgressMax(TControl* control, int maxValue);
bool SetProgressMin(TControl* control, int minValue);
bool SetProgressValue(TControl* control, int progressValue);
