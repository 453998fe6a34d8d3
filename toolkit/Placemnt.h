#pragma once
// TFormPlacement: placed on a form, it saves the form's window state, position and active
// control to an INI file or a registry key when the form closes or is destroyed, and
// restores them when the form is shown; it can keep the form from being resized and give
// it size limits (TWinMinMaxInfo). Other objects take part in its saves and restores
// through a TIniLink. TFormStorage adds published properties of the form's components
// (StoredProps, "Component.Property" lines) and named values (StoredValues), saved and
// restored with the placement in its section. Used on the GUI thread.
#include "platform/files/IniFiles.h"
#include "platform/framework/Collections.h"
#include "platform/framework/Forms.h"
#include "platform/framework/MessageHook.h"
#include "platform/framework/Registry.h"
#include "platform/framework/StringList.h"
#include "platform/framework/Variants.h"
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
    // Writes what was gathered since the opening (raising its failure) and frees the object.
    void closeStorage();
    // Frees the object without raising.
    void dropStorage();

private:
    friend class TWinMinMaxInfo;
    friend class TIniLink;
    void minMaxInfoModified();
    void updatePlacement();
    void updatePreventResize();
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
    bool formHadMaximize_ = false; // the form's own maximise button, given back without PreventResize
    TNotifyEvent formOnShow_;
    TNotifyEvent formOnDestroy_;
    TCloseQueryEvent formOnCloseQuery_;
};

class TStoredValue;
using TStoredValueEvent = std::function<void(TStoredValue* Sender, Variant& Value)>;

// A named value saved in the placement's section under its Name, as text (scrambled with
// XorEncode when KeyString is set).
class TStoredValue : public TCollectionItem {
    VX_CLASS(TStoredValue, TCollectionItem)
public:
    explicit TStoredValue(TCollection* collection) : TCollectionItem(collection) {}

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { SetDisplayName(name); }
    const Variant& Value() const { return value_; }
    void SetValue(const Variant& value) { value_ = value; }
    const std::string& KeyString() const { return keyString_; }
    void SetKeyString(const std::string& key) { keyString_ = key; }
    TStoredValueEvent OnSave;
    TStoredValueEvent OnRestore;

    // The form storage this value is saved through (nullptr without one).
    TFormPlacement* Storage() const;
    virtual void Save();
    virtual void Restore();
    // Makes the value empty.
    void Clear() { value_ = Variant(); }
    void Assign(const TPersistent& source) override;
    std::string DisplayName() const override;
    // A non-empty name another value already has (ignoring case) raises EListError
    // "String list does not allow duplicates".
    void SetDisplayName(const std::string& name) override;

private:
    std::string name_;
    Variant value_;
    std::string keyString_;
};

class TStoredValues : public TOwnedCollection {
    VX_CLASS(TStoredValues, TOwnedCollection)
public:
    explicit TStoredValues(TObject* owner);

    TFormPlacement* Storage() const { return storage_; }
    void SetStorage(TFormPlacement* storage) { storage_ = storage; }
    TStoredValue* Items(int index) const { return static_cast<TStoredValue*>(TCollection::Items(index)); }
    // The first value of that name (ignoring case), -1 when none.
    int IndexOf(const std::string& name) const;
    TStoredValue* GetValue(const std::string& name) const;
    // Assigns item to the value of that name; nothing when there is none.
    void SetValue(const std::string& name, const TStoredValue& item);
    // The value of that name; Null when there is none.
    Variant GetStoredValue(const std::string& name) const;
    // Sets the value of that name, adding it first when there is none.
    void SetStoredValue(const std::string& name, const Variant& value);
    virtual void SaveValues();
    virtual void RestoreValues();

private:
    TFormPlacement* storage_ = nullptr;
};

class TFormStorage : public TFormPlacement {
    VX_CLASS(TFormStorage, TFormPlacement)
public:
    explicit TFormStorage(TComponent* owner);

    // "Component.Property" lines, each with its component as the line's object.
    TStrings* StoredProps() const { return &storedProps_; }
    void SetStoredProps(const TStrings& props);
    TStoredValues* StoredValues() const { return &storedValues_; }
    void SetStoredValues(const TStoredValues& values) { storedValues_.Assign(values); }
    Variant GetStoredValue(const std::string& name) const { return storedValues_.GetStoredValue(name); }
    void SetStoredValue(const std::string& name, const Variant& value) {
        storedValues_.SetStoredValue(name, value);
    }

    // Before writing the component's settings out: each line named from its component's
    // present name.
    void UpdateStoredNames();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void SavePlacement() override;
    void RestorePlacement() override;
    virtual void SaveProperties();
    virtual void RestoreProperties();

private:
    mutable TStringList storedProps_;
    mutable TStoredValues storedValues_;
};
