#pragma once
// TFormPlacement: placed on a form, it saves the form's window state, position and active
// control to an INI file or a registry key when the form closes or is destroyed, and
// restores them when the form is shown; it can keep the form from being resized and give
// it size limits (TWinMinMaxInfo). Other objects take part in its saves and restores
// through a TIniLink. Used on the GUI thread.
#include "platform/files/IniFiles.h"
#include "platform/framework/Collections.h"
#include "platform/framework/Forms.h"
#include "platform/framework/MessageHook.h"
#include "platform/framework/Registry.h"
#include "toolkit/KxHook.h"

#include <memory>
#include <string>
#include <vector>

enum TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = unsigned; // bit (1 << option) per option
constexpr TPlacementOptions PlacementOptions(std::initializer_list<TPlacementOption> options) {
    TPlacementOptions set = 0;
    for (TPlacementOption option : options)
        set |= 1u << option;
    return set;
}
enum TPlacementOperation { poSave, poRestore };
enum TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };

class TFormPlacement;

// Size limits of the placement's form; 0 leaves a limit to the form.
class TWinMinMaxInfo : public TPersistent {
    VX_CLASS(TWinMinMaxInfo, TPersistent)
public:
    explicit TWinMinMaxInfo(TFormPlacement* owner) : owner_(owner) {}

    int MaxPosLeft() const { return info_.ptMaxPosition.x; }
    void SetMaxPosLeft(int value) { set(info_.ptMaxPosition.x, value); }
    int MaxPosTop() const { return info_.ptMaxPosition.y; }
    void SetMaxPosTop(int value) { set(info_.ptMaxPosition.y, value); }
    int MaxSizeHeight() const { return info_.ptMaxSize.y; }
    void SetMaxSizeHeight(int value) { set(info_.ptMaxSize.y, value); }
    int MaxSizeWidth() const { return info_.ptMaxSize.x; }
    void SetMaxSizeWidth(int value) { set(info_.ptMaxSize.x, value); }
    int MaxTrackHeight() const { return info_.ptMaxTrackSize.y; }
    void SetMaxTrackHeight(int value) { set(info_.ptMaxTrackSize.y, value); }
    int MaxTrackWidth() const { return info_.ptMaxTrackSize.x; }
    void SetMaxTrackWidth(int value) { set(info_.ptMaxTrackSize.x, value); }
    int MinTrackHeight() const { return info_.ptMinTrackSize.y; }
    void SetMinTrackHeight(int value) { set(info_.ptMinTrackSize.y, value); }
    int MinTrackWidth() const { return info_.ptMinTrackSize.x; }
    void SetMinTrackWidth(int value) { set(info_.ptMinTrackSize.x, value); }

    // All eight are 0.
    bool DefaultMinMaxInfo() const;
    void Assign(const TPersistent& source) override;
    const MINMAXINFO& Info() const { return info_; }

private:
    void set(int& field, int value);
    TFormPlacement* owner_;
    MINMAXINFO info_{};
};

// Takes part in a placement's saves and loads: OnSave and OnLoad run while the placement's
// settings object is open (IniObject).
class TIniLink : public TPersistent {
    VX_CLASS(TIniLink, TPersistent)
public:
    TIniLink() = default;
    ~TIniLink() override;
    TIniLink(const TIniLink&) = delete;
    TIniLink& operator=(const TIniLink&) = delete;

    TFormPlacement* Storage() const { return storage_; }
    // Leaves the old storage's links and joins the new one's.
    void SetStorage(TFormPlacement* storage);
    // The storage's open TIniFile or TRegIniFile; nullptr when there is none.
    TObject* IniObject() const;
    // The storage's own section followed by "\", or "" when it has none of its own.
    std::string RootSection() const;
    virtual void SaveToIni();
    virtual void LoadFromIni();

    TNotifyEvent OnSave;
    TNotifyEvent OnLoad;

private:
    friend class TFormPlacement;
    TFormPlacement* storage_ = nullptr;
};

class TFormPlacement : public TComponent {
    VX_CLASS(TFormPlacement, TComponent)
public:
    explicit TFormPlacement(TComponent* owner);
    ~TFormPlacement() override;

    bool Active() const { return active_; }
    void SetActive(bool active) { active_ = active; }
    // The stored name, else GetDefaultIniRegKey with UseRegistry, else GetDefaultIniName.
    std::string IniFileName() const;
    void SetIniFileName(const std::string& name) { iniFileName_ = name; }
    // The stored section, else the owner's default section.
    std::string IniSection() const;
    void SetIniSection(const std::string& section) { iniSection_ = section; }
    TWinMinMaxInfo& MinMaxInfo() { return minMaxInfo_; }
    const TWinMinMaxInfo& MinMaxInfo() const { return minMaxInfo_; }
    void SetMinMaxInfo(const TWinMinMaxInfo& info) { minMaxInfo_.Assign(info); }
    TPlacementOptions Options() const { return options_; }
    void SetOptions(TPlacementOptions options) { options_ = options; }
    bool PreventResize() const { return preventResize_; }
    void SetPreventResize(bool prevent);
    TPlacementRegRoot RegistryRoot() const { return registryRoot_; }
    void SetRegistryRoot(TPlacementRegRoot root) { registryRoot_ = root; }
    bool UseRegistry() const { return useRegistry_; }
    void SetUseRegistry(bool useRegistry) { useRegistry_ = useRegistry; }
    int Version() const { return version_; }
    void SetVersion(int version) { version_ = version; }

    // The open settings object (a TIniFile or a TRegIniFile), nullptr while none is open.
    TObject* IniObject() const;
    // Saves unless Active and never restored since; writes "FormVersion" first.
    void SaveFormPlacement();
    // Restores when the stored "FormVersion" is at least Version.
    void RestoreFormPlacement();
    // A value of the placement's section; opens the settings just for the call when none
    // is open.
    std::string ReadString(const std::string& ident, const std::string& def);
    void WriteString(const std::string& ident, const std::string& value);
    int ReadInteger(const std::string& ident, int def);
    void WriteInteger(const std::string& ident, int value);
    // Erases the section, its ".*" sections and its "\*" sections (while nothing is open).
    void EraseSections();
    void AddLink(TIniLink* link);
    void RemoveLink(TIniLink* link);

    TNotifyEvent OnSavePlacement;
    TNotifyEvent OnRestorePlacement;

protected:
    void Loaded() override;
    virtual void SavePlacement();
    virtual void RestorePlacement();
    // Any section of the open settings (none open: the default comes back, nothing is written).
    virtual std::string DoReadString(const std::string& section, const std::string& ident,
                                     const std::string& def);
    virtual void DoWriteString(const std::string& section, const std::string& ident,
                               const std::string& value);
    virtual void Save();
    virtual void Restore();
    TForm* Form() const;
    void openStorage(bool forWriting);
    void closeStorage();

private:
    friend class TWinMinMaxInfo;
    friend class TIniLink;
    void minMaxInfoModified();
    void updatePlacement();
    void checkToggleHook();
    void formShow(TObject* sender);
    void formCloseQuery(TObject* sender, bool& canClose);
    void formDestroy(TObject* sender);
    void wndMessage(TObject* sender, TMessage& message, bool& handled);
    template <class Action> void guarded(Action action);

    bool active_ = true;
    std::string iniFileName_;
    std::string iniSection_;
    std::unique_ptr<TIniFile> iniFile_;
    std::unique_ptr<TRegIniFile> regIniFile_;
    bool useRegistry_ = false;
    TPlacementRegRoot registryRoot_ = prCurrentUser;
    std::vector<TIniLink*> links_;
    TPlacementOptions options_;
    int version_ = 0;
    bool saved_ = false;
    bool restored_ = false;
    bool destroying_ = false;
    bool preventResize_ = false;
    TWinMinMaxInfo minMaxInfo_{this};
    TKxWindowHook* hook_;
    bool formHooked_ = false;
    TNotifyEvent formOnShow_;
    TNotifyEvent formOnDestroy_;
    TCloseQueryEvent formOnCloseQuery_;
};
