#pragma once
// User-interface utility routines of the toolkit: the foreground test and the compact
// form of the system version text.
#include "toolkit/Winutils.h"

#include <functional>

// True when the active window belongs to this program. The application object answers
// it through the probe it installs; with no probe installed no window of ours is active.
bool IsForegroundTask();
// Installs the probe IsForegroundTask asks (an empty function removes it).
void SetForegroundTaskProbe(std::function<bool()> probe);

// "Windows %s %d.%.2d.%.3d %s" of platform name, major, minor, build (low 16 bits on
// platform 1) and service-pack text, trimmed: "Windows NT 5.01.2600 Service Pack 2".
// The live text is GetWindowsVersion (Winutils.h), the same for both forms.
std::string FormatUiWindowsVersion(const TOSVersionInfo& info);
