#pragma once
// Tests follow the order in which the stand-in's objects go away: while a trace runs, each
// object's last release writes its kind ("capture buffer", "DirectSound", ...).
#include <string>
#include <vector>

void TraceFinalRelease(const char* kind);
void StartReleaseTrace();
// The kinds released since the trace started, oldest first; the trace ends.
std::vector<std::string> StopReleaseTrace();
