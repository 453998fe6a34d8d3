#pragma once
// An output stream with no device behind it: a thread takes mixed frames at the real rate
// and drops them. The system's default output falls back to it when no sound device can be
// opened, so the program runs silently instead of failing at every switch-on.
#include "platform/dsound/AudioBackend.h"

#include <memory>

std::unique_ptr<AudioStream> OpenSilentOutput(const DeviceFormat& wanted, DeviceFormat& got, MixCallback mix);
