#include "sound/PlugUser.h"

#include "platform/framework/Published.h"

#include <cstring>

namespace {

// Every operation of the plug-in is the application's, through these events.
const bool userPublished = RegisterPublishedClass(
    "TSndUser", "TSndPlayPlug",
    {
        EventProperty("OnGetType", MethodType("TSndGetTypeEvent"), &TSndUser::OnGetType,
                      &TSndUser::SetOnGetType),
        EventProperty("OnReset", MethodType("TNotifyEvent"), &TSndUser::OnReset, &TSndUser::SetOnReset),
        EventProperty("OnRelease", MethodType("TNotifyEvent"), &TSndUser::OnRelease, &TSndUser::SetOnRelease),
        EventProperty("OnInit", MethodType("TSndInitEvent"), &TSndUser::OnInit, &TSndUser::SetOnInit),
        EventProperty("OnInfo", MethodType("TSndInfoEvent"), &TSndUser::OnInfo, &TSndUser::SetOnInfo),
        EventProperty("OnProc", MethodType("TSndUserProcEvent"), &TSndUser::OnProc, &TSndUser::SetOnProc),
        EventProperty("OnGetPos", MethodType("TSndPositionEvent"), &TSndUser::OnGetPos,
                      &TSndUser::SetOnGetPos),
        EventProperty("OnSetPos", MethodType("TSndPositionEvent"), &TSndUser::OnSetPos,
                      &TSndUser::SetOnSetPos),
    });

} // namespace

TSndUser::TSndUser(TComponent* owner) : TSndPlayPlug(owner) {}

TSndUser::~TSndUser() {
    Withdraw();
    Release();
}

std::string TSndUser::GetSupportTypes() {
    std::string types = "User Defined Type";
    if (auto handler = onGetType_.Get()) handler(this, types);
    return types;
}

bool TSndUser::Init() {
    bool result = false;
    if (auto handler = onInit_.Get()) {
        handler(this, result);
        Reset();
    }
    return result;
}

void TSndUser::Reset() {
    if (auto handler = onReset_.Get()) handler(this);
}

void TSndUser::Release() {
    if (auto handler = onRelease_.Get()) handler(this);
}

bool TSndUser::Process(unsigned char* data, unsigned long len) {
    bool done = false;
    if (auto handler = onProc_.Get()) {
        handler(this, data, static_cast<DWORD>(len), done);
        return done;
    }
    // Nobody makes the sound: the block would otherwise keep what the engine's ring held
    // a whole turn earlier, heard again.
    std::memset(data, Format.wBitsPerSample == 8 ? 0x80 : 0, len);
    return false;
}

void TSndUser::GetPosition(SND_POSITION* position) {
    if (auto handler = onGetPos_.Get()) handler(this, position);
}

void TSndUser::SetPosition(SND_POSITION* position) {
    if (auto handler = onSetPos_.Get()) handler(this, position);
}

bool TSndUser::GetFileInfo(const std::string& fileName, SND_FILE_INFO* info) {
    bool result = false;
    if (auto handler = onInfo_.Get()) handler(this, fileName, info, result);
    return result;
}
