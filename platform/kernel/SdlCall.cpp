#include "platform/kernel/SdlCall.h"

#include <SDL.h>

namespace {

std::mutex sdlLock;

// SDL keeps an error buffer for each thread that calls it and frees it only for the threads
// it starts itself: each of ours gives it back as it ends.
struct SdlThreadData {
    ~SdlThreadData() { SDL_TLSCleanup(); }
};

} // namespace

SdlCall::SdlCall() : guard_(sdlLock) {
    static thread_local SdlThreadData data;
}
