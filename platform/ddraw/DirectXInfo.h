#pragma once
// What the system tells about its DirectX installation: a diagnostics provider with
// typed properties, and the file versions of system libraries. This stand-in answers for
// the interface level it provides (DirectDraw 7, so "7.0"); tests install their own source.
#include "platform/kernel/Types.h"

#include <string>

enum class DiagValueType { None, UInt32, String, Other };

struct DiagValue {
    DiagValueType type = DiagValueType::None;
    DWORD number = 0;
    std::string text;
};

class DirectXInfoSource {
public:
    virtual ~DirectXInfoSource() = default;
    // Creates and initialises the diagnostics provider; false when there is none.
    virtual bool OpenDiagnostics() = 0;
    virtual void CloseDiagnostics() = 0;
    // A property of a child container of the provider's root.
    virtual HRESULT GetDiagProperty(const std::string& container, const std::string& name,
                                    DiagValue& value) = 0;
    virtual std::string SystemDirectory() = 0;
    // The two words of a file's fixed version, most significant first; false when the
    // file is missing or has no version.
    virtual bool GetFileVersion(const std::string& path, DWORD& high, DWORD& low) = 0;
};

DirectXInfoSource& CurrentDirectXInfo();
// Installs a source (nullptr: the stand-in's own). The caller keeps ownership.
void SetDirectXInfoSource(DirectXInfoSource* source);
