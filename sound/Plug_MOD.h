#pragma once
// TSndMOD: the player plug-in for tracker modules (31-sample modules with 4, 6 or 8 channels
// and 15-sample modules). The whole module is loaded and rendered in software.
#include <string>

#include "sound/ModLoader.h"
#include "sound/ModPlayer.h"
#include "sound/PlugBase.h"

class TSndMOD : public TSndPlayPlug {
    VX_CLASS(TSndMOD, TSndPlayPlug)
public:
    explicit TSndMOD(TComponent* owner);
    ~TSndMOD() override;

    void SetSamplesPerSec(unsigned long rate) override;
    std::string GetSupportTypes() override;
    bool Init() override;
    void Reset() override;
    void Release() override;
    bool Process(unsigned char* data, unsigned long len) override;
    // Positions count pattern rows: order index * 64 + row.
    void GetPosition(SND_POSITION* position) override;
    void SetPosition(SND_POSITION* position) override;
    bool GetFileInfo(const std::string& fileName, SND_FILE_INFO* info) override;

    bool LoadFile();
    bool IsLoaded() const { return loaded_; }

private:
    TModModule module_;
    TModPlayer player_{module_};
    bool loaded_ = false;
};
