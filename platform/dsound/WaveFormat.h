#pragma once
// The DirectSound stand-in describes sample data with the one wave format record that files,
// codecs and engines share.
#include "platform/mmsys/WaveFormat.h"
