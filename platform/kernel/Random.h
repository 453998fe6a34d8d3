#pragma once
// The program's random numbers: Random(n) is uniform in 0..n-1 and Random(0) is 0. One
// generator for the process, reseeded from the time of day by Randomize. Tests fix the seed
// or replace the time of day.
#include "platform/kernel/Types.h"

#include <functional>

int Random(int n);
// Uniform in [0, 1).
double RandomFloat();
void Randomize();
void SetRandSeed(DWORD seed);
DWORD RandSeed();

struct SystemTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int dayOfWeek = 4; // 0 = Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};

// Local time of day; a test installs its own source (an empty function restores the system's).
SystemTime GetLocalTime();
void SetLocalTimeSource(std::function<SystemTime()> source);
