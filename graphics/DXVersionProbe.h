#pragma once
// Tells the installed DirectX version: value major << 16 | minor << 8 | letter (0 for none,
// 1..26 for a..z), text "%d.%d" or "%d.%d%c". The diagnostics provider is asked first, the
// file versions of system libraries next.
#include "platform/kernel/Types.h"

HRESULT QueryDirectXVersion(DWORD* value, char* text, int textSize);
HRESULT QueryDirectXVersionViaDiag(DWORD* major, DWORD* minor, char* letter);
// Always succeeds; 0.0 without a letter when no rule matched.
HRESULT QueryDirectXVersionViaFiles(DWORD* major, DWORD* minor, char* letter);
