#pragma once
// Capture straight from a PulseAudio server. SDL's PulseAudio driver takes one fragment of
// captured sound each time its poll wakes, so on a busy machine it falls behind the source
// by a second and more and only catches up when the machine calms down; a capture cursor
// fed that way runs late by a varying amount. This stream takes everything the server has
// sent each time it is told there is sound to read.
#include "platform/dsound/AudioBackend.h"

#include <memory>
#include <string>

// Opens the source whose description is device (the name SDL lists), or the server's
// default source for "", in 16-bit frames of the wanted rate and channel count. feed runs
// on the stream's own thread. Null when the server or the source cannot be reached. Once
// the source goes away the stream goes on feeding silence in real time, as a disconnected
// device does through SDL.
std::unique_ptr<AudioStream> OpenPulseCapture(const std::string& device, const DeviceFormat& wanted,
                                              DeviceFormat& got, CaptureCallback feed);
