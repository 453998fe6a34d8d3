#pragma once
// Output devices outlive the mixer that opened them by a while. An engine switches off and
// on again at every change of file (the game's every round), and a sound server may take
// seconds to close a stream it has just opened: the thread that switched would stand still
// that long. So a device its mixer lets go stays open, playing silence, and the next mixer
// that opens the same device in the same format takes it back; one that nobody takes back
// within KeptOutputLinger is closed on the keeper's own thread. A kept device that is lost
// meanwhile (its server went away, say) is never taken back: the next mixer opens the device
// afresh. No caller waits for a device to close, not even the process's exit.
#include "platform/dsound/AudioBackend.h"

#include <chrono>
#include <memory>
#include <string>

// How long a device let go stays open for the next mixer. A sound server closes a stream at
// once only when it is a couple of seconds old.
constexpr std::chrono::milliseconds KeptOutputLinger{3000};

// Opens an output device on the current backend, or takes back the one of that device and
// wanted format that is kept open and not lost. Closing the answer (or destroying it) stops mix before it
// returns and keeps the device open for the next caller.
std::unique_ptr<AudioStream> OpenKeptOutput(const std::string& device, const DeviceFormat& wanted,
                                            DeviceFormat& got, MixCallback mix);
// Closes on the caller's thread every kept device nobody has taken back since now -
// KeptOutputLinger; the keeper's thread calls it as time goes by.
void CloseLingeringOutputs(std::chrono::steady_clock::time_point now);
// Closes every kept device at once: before the backend they are open on goes away.
void CloseKeptOutputs();
