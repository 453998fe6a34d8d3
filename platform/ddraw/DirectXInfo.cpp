#include "platform/ddraw/DirectXInfo.h"

#include <atomic>

namespace {

constexpr HRESULT kNotFound = HRESULT(0x80070490u);

class StandInInfo : public DirectXInfoSource {
public:
    bool OpenDiagnostics() override { return true; }
    void CloseDiagnostics() override {}
    HRESULT GetDiagProperty(const std::string& container, const std::string& name,
                            DiagValue& value) override {
        if (container != "DxDiag_SystemInfo") return kNotFound;
        if (name == "dwDirectXVersionMajor")
            value = DiagValue{DiagValueType::UInt32, 7, {}};
        else if (name == "dwDirectXVersionMinor")
            value = DiagValue{DiagValueType::UInt32, 0, {}};
        else if (name == "szDirectXVersionLetter")
            value = DiagValue{DiagValueType::String, 0, " "};
        else
            return kNotFound;
        return 0;
    }
    std::string SystemDirectory() override { return "C:\\WINDOWS\\system32"; }
    bool GetFileVersion(const std::string&, DWORD&, DWORD&) override { return false; }
};

StandInInfo standIn;
std::atomic<DirectXInfoSource*> current{&standIn};

} // namespace

DirectXInfoSource& CurrentDirectXInfo() {
    return *current.load();
}

void SetDirectXInfoSource(DirectXInfoSource* source) {
    current.store(source ? source : &standIn);
}
