#include "toolkit/Placemnt.h"

#include "platform/framework/Application.h"
#include "platform/framework/Published.h"
#include "toolkit/Apputils.h"
#include "toolkit/Kxprops.h"
#include "toolkit/Kxstrutils.h"

#include <algorithm>

namespace {

HKEY rootKeyOf(TPlacementRegRoot root) {
    switch (root) {
    case prLocalMachine:
        return HKEY_LOCAL_MACHINE;
    case prCurrentConfig:
        return HKEY_CURRENT_CONFIG;
    case prClassesRoot:
        return HKEY_CLASSES_ROOT;
    case prUsers:
        return HKEY_USERS;
    case prDynData:
        return HKEY_DYN_DATA;
    default:
        return HKEY_CURRENT_USER;
    }
}

const bool storagePublished = [] {
    RegisterPublishedClass(
        "TStoredValue", "TCollectionItem",
        {
            Property("Name", TypeString(), &TStoredValue::Name, &TStoredValue::SetName),
            StoredWhen<TStoredValue>(
                Property("Value", TypeVariant(), &TStoredValue::Value, &TStoredValue::SetValue),
                [](TStoredValue& item) { return !item.Value().IsEmpty(); }),
            Property("KeyString", TypeString(), &TStoredValue::KeyString, &TStoredValue::SetKeyString),
            EventProperty("OnSave", MethodType("TStoredValueEvent"), &TStoredValue::OnSave),
            EventProperty("OnRestore", MethodType("TStoredValueEvent"), &TStoredValue::OnRestore),
        });
    RegisterPublishedClass("TStoredValues", "TOwnedCollection", {});
    return RegisterPublishedClass(
        "TFormStorage", "TFormPlacement",
        {
            AssignedProperty("StoredProps", ClassType("TStrings"), &TFormStorage::StoredProps),
            AssignedProperty("StoredValues", ClassType("TStoredValues"), &TFormStorage::StoredValues),
        });
}();

const bool placementPublished = [] {
    RegisterPublishedClass("TWinMinMaxInfo", "TPersistent",
                           {
                               Property("MaxPosLeft", TypeInteger(), &TWinMinMaxInfo::MaxPosLeft,
                                        &TWinMinMaxInfo::SetMaxPosLeft, 0),
                               Property("MaxPosTop", TypeInteger(), &TWinMinMaxInfo::MaxPosTop,
                                        &TWinMinMaxInfo::SetMaxPosTop, 0),
                               Property("MaxSizeHeight", TypeInteger(), &TWinMinMaxInfo::MaxSizeHeight,
                                        &TWinMinMaxInfo::SetMaxSizeHeight, 0),
                               Property("MaxSizeWidth", TypeInteger(), &TWinMinMaxInfo::MaxSizeWidth,
                                        &TWinMinMaxInfo::SetMaxSizeWidth, 0),
                               Property("MaxTrackHeight", TypeInteger(), &TWinMinMaxInfo::MaxTrackHeight,
                                        &TWinMinMaxInfo::SetMaxTrackHeight, 0),
                               Property("MaxTrackWidth", TypeInteger(), &TWinMinMaxInfo::MaxTrackWidth,
                                        &TWinMinMaxInfo::SetMaxTrackWidth, 0),
                               Property("MinTrackHeight", TypeInteger(), &TWinMinMaxInfo::MinTrackHeight,
                                        &TWinMinMaxInfo::SetMinTrackHeight, 0),
                               Property("MinTrackWidth", TypeInteger(), &TWinMinMaxInfo::MinTrackWidth,
                                        &TWinMinMaxInfo::SetMinTrackWidth, 0),
                           });
    const TTypeInfo& option =
        EnumerationType("TPlacementOption", {"fpState", "fpPosition", "fpActiveControl"});
    return RegisterPublishedClass(
        "TFormPlacement", "TComponent",
        {
            Property("Active", TypeBoolean(), &TFormPlacement::Active, &TFormPlacement::SetActive, true),
            Property("IniFileName", TypeString(), &TFormPlacement::IniFileName,
                     &TFormPlacement::SetIniFileName),
            Property("IniSection", TypeString(), &TFormPlacement::IniSection, &TFormPlacement::SetIniSection),
            SubObjectProperty("MinMaxInfo", ClassType("TWinMinMaxInfo"), &TFormPlacement::MinMaxInfo),
            Property("Options", SetType("TPlacementOptions", option), &TFormPlacement::Options,
                     &TFormPlacement::SetOptions, PlacementOptions({fpState, fpPosition})),
            Property("PreventResize", TypeBoolean(), &TFormPlacement::PreventResize,
                     &TFormPlacement::SetPreventResize, false),
            Property(
                "RegistryRoot",
                EnumerationType("TPlacementRegRoot", {"prCurrentUser", "prLocalMachine", "prCurrentConfig",
                                                      "prClassesRoot", "prUsers", "prDynData"}),
                &TFormPlacement::RegistryRoot, &TFormPlacement::SetRegistryRoot, prCurrentUser),
            Property("UseRegistry", TypeBoolean(), &TFormPlacement::UseRegistry,
                     &TFormPlacement::SetUseRegistry, false),
            Property("Version", TypeInteger(), &TFormPlacement::Version, &TFormPlacement::SetVersion, 0),
            EventProperty("OnSavePlacement", MethodType("TNotifyEvent"), &TFormPlacement::OnSavePlacement),
            EventProperty("OnRestorePlacement", MethodType("TNotifyEvent"),
                          &TFormPlacement::OnRestorePlacement),
        });
}();

} // namespace

// ---- TWinMinMaxInfo --------------------------------------------------------------------

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
    return MaxPosLeft() == 0 && MaxPosTop() == 0 && MaxSizeHeight() == 0 && MaxSizeWidth() == 0 &&
           MaxTrackHeight() == 0 && MaxTrackWidth() == 0 && MinTrackHeight() == 0 && MinTrackWidth() == 0;
}

void TWinMinMaxInfo::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TWinMinMaxInfo*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    info_ = other->info_;
    if (owner_) owner_->minMaxInfoModified();
}

void TWinMinMaxInfo::set(int& field, int value) {
    if (field == value) return;
    field = value;
    if (owner_) owner_->minMaxInfoModified();
}

// ---- TIniLink --------------------------------------------------------------------------

TIniLink::~TIniLink() {
    OnSave = nullptr;
    OnLoad = nullptr;
    SetStorage(nullptr);
}

void TIniLink::SetStorage(TFormPlacement* storage) {
    if (storage == storage_) return;
    if (storage_) storage_->RemoveLink(this);
    if (storage) storage->AddLink(this);
}

TObject* TIniLink::IniObject() const {
    return storage_ ? storage_->IniObject() : nullptr;
}

std::string TIniLink::RootSection() const {
    if (!storage_ || storage_->iniSection_.empty()) return {};
    return storage_->iniSection_ + "\\";
}

void TIniLink::SaveToIni() {
    if (OnSave) OnSave(this);
}

void TIniLink::LoadFromIni() {
    if (OnLoad) OnLoad(this);
}

// ---- TFormPlacement --------------------------------------------------------------------

TFormPlacement::TFormPlacement(TComponent* owner)
    : TComponent(owner), options_(dynamic_cast<TForm*>(owner) ? PlacementOptions({fpState, fpPosition}) : 0),
      hook_(new TKxWindowHook(this)) {
    hook_->AfterMessage = [this](TObject* sender, TMessage& message, bool& handled) {
        wndMessage(sender, message, handled);
    };
    if (TForm* form = Form()) formHadMaximize_ = form->BorderIcons() & biMaximize;
}

TFormPlacement::~TFormPlacement() {
    dropStorage();
    while (!links_.empty())
        RemoveLink(links_.back());
    if (!IsDesigning()) {
        hook_->SetWinControl(nullptr);
        if (TForm* form = Form(); form && formHooked_) {
            form->OnShow = std::move(formOnShow_);
            form->OnDestroy = std::move(formOnDestroy_);
            form->OnCloseQuery = std::move(formOnCloseQuery_);
        }
    }
}

TForm* TFormPlacement::Form() const {
    return dynamic_cast<TForm*>(Owner());
}

std::string TFormPlacement::IniFileName() const {
    if (!iniFileName_.empty() || IsDesigning()) return iniFileName_;
    return useRegistry_ ? GetDefaultIniRegKey() : GetDefaultIniName();
}

std::string TFormPlacement::IniSection() const {
    if (!iniSection_.empty() || IsDesigning()) return iniSection_;
    return GetDefaultSection(Owner());
}

TObject* TFormPlacement::IniObject() const {
    if (regIniFile_) return regIniFile_.get();
    return iniFile_.get();
}

void TFormPlacement::openStorage(bool forWriting) {
    if (IniObject()) return;
    if (useRegistry_) {
        // Opened under its root only, and created only for writing: reading a placement that
        // was never saved leaves no empty key behind, in any root.
        auto registry = std::make_unique<TRegIniFile>(IniFileName(), KEY_READ);
        registry->SetRootKey(rootKeyOf(registryRoot_));
        registry->SetAccess(forWriting ? KEY_ALL_ACCESS : KEY_READ);
        registry->OpenKey(IniFileName(), forWriting);
        regIniFile_ = std::move(registry);
    } else {
        iniFile_ = std::make_unique<TIniFile>(IniFileName());
    }
    // Everything written while the storage is open reaches the file in one replacement.
    if (forWriting) IniBeginUpdate(IniObject());
}

void TFormPlacement::closeStorage() {
    std::unique_ptr<TRegIniFile> registry = std::move(regIniFile_);
    std::unique_ptr<TIniFile> iniFile = std::move(iniFile_);
    IniEndUpdate(registry ? static_cast<TObject*>(registry.get()) : iniFile.get());
}

void TFormPlacement::dropStorage() {
    // Freeing the object writes what it gathered; its failure gives way to the one on its way.
    regIniFile_.reset();
    iniFile_.reset();
}

void TFormPlacement::SaveFormPlacement() {
    if (active_ && !restored_) return;
    openStorage(true);
    try {
        IniWriteInteger(IniObject(), IniSection(), "FormVersion", version_);
        SavePlacement();
        Save();
        saved_ = true;
    } catch (...) {
        dropStorage();
        throw;
    }
    closeStorage();
}

void TFormPlacement::RestoreFormPlacement() {
    saved_ = false;
    openStorage(false);
    try {
        if (IniReadInteger(IniObject(), IniSection(), "FormVersion", 0) >= version_) {
            RestorePlacement();
            restored_ = true;
            Restore();
            TForm* form = Form();
            if ((options_ & PlacementOptions({fpActiveControl})) && form) {
                const std::string name = IniReadString(IniObject(), IniSection(), "ActiveControl", "");
                auto* control =
                    dynamic_cast<TWinControl*>(name.empty() ? nullptr : form->FindComponent(name));
                if (control && control->CanFocus()) form->SetActiveControl(control);
            }
        }
        restored_ = true;
    } catch (...) {
        dropStorage();
        throw;
    }
    closeStorage();
    updatePlacement();
}

void TFormPlacement::SavePlacement() {
    TForm* form = Form();
    if (form) {
        if (options_ & PlacementOptions({fpState, fpPosition})) {
            if (regIniFile_)
                WriteFormPlacementReg(form, *regIniFile_, IniSection());
            else if (iniFile_)
                WriteFormPlacement(form, *iniFile_, IniSection());
            IniWriteBool(IniObject(), IniSection(), "Visible", destroying_);
        }
        if ((options_ & PlacementOptions({fpActiveControl})) && form->ActiveControl())
            IniWriteString(IniObject(), IniSection(), "ActiveControl", form->ActiveControl()->Name());
    }
    const std::vector<TIniLink*> links = links_;
    for (TIniLink* link : links)
        link->SaveToIni();
}

void TFormPlacement::RestorePlacement() {
    if (TForm* form = Form()) {
        const bool state = (options_ & PlacementOptions({fpState})) != 0;
        const bool position = (options_ & PlacementOptions({fpPosition})) != 0;
        if (regIniFile_)
            ReadFormPlacementReg(form, *regIniFile_, IniSection(), state, position);
        else if (iniFile_)
            ReadFormPlacement(form, *iniFile_, IniSection(), state, position);
    }
    const std::vector<TIniLink*> links = links_;
    for (TIniLink* link : links)
        link->LoadFromIni();
}

std::string TFormPlacement::DoReadString(const std::string& section, const std::string& ident,
                                         const std::string& def) {
    return IniReadString(IniObject(), section, ident, def);
}

void TFormPlacement::DoWriteString(const std::string& section, const std::string& ident,
                                   const std::string& value) {
    IniWriteString(IniObject(), section, ident, value);
}

void TFormPlacement::Save() {
    if (OnSavePlacement) OnSavePlacement(this);
}

void TFormPlacement::Restore() {
    if (OnRestorePlacement) OnRestorePlacement(this);
}

std::string TFormPlacement::ReadString(const std::string& ident, const std::string& def) {
    const bool opened = !IniObject();
    if (opened) openStorage(false);
    std::string value;
    try {
        value = IniReadString(IniObject(), IniSection(), ident, def);
    } catch (...) {
        if (opened) dropStorage();
        throw;
    }
    if (opened) closeStorage();
    return value;
}

void TFormPlacement::WriteString(const std::string& ident, const std::string& value) {
    const bool opened = !IniObject();
    if (opened) openStorage(true);
    try {
        IniWriteString(IniObject(), IniSection(), ident, value);
    } catch (...) {
        if (opened) dropStorage();
        throw;
    }
    if (opened) closeStorage();
}

int TFormPlacement::ReadInteger(const std::string& ident, int def) {
    int number = 0;
    const std::string text = ReadString(ident, std::to_string(def));
    return ParseIniInteger(text, number) ? number : def;
}

void TFormPlacement::WriteInteger(const std::string& ident, int value) {
    WriteString(ident, std::to_string(value));
}

void TFormPlacement::EraseSections() {
    if (IniObject()) return;
    openStorage(true);
    try {
        TStringList sections;
        IniReadSections(IniObject(), &sections);
        const std::string section = IniSection();
        for (int i = 0; i < sections.Count(); ++i) {
            const std::string name = sections.Strings(i);
            if (name == section || IsWild(name, section + ".*", false) ||
                IsWild(name, section + "\\*", false))
                IniEraseSection(IniObject(), name);
        }
    } catch (...) {
        dropStorage();
        throw;
    }
    closeStorage();
}

void TFormPlacement::AddLink(TIniLink* link) {
    if (!link || std::find(links_.begin(), links_.end(), link) != links_.end()) return;
    links_.push_back(link);
    link->storage_ = this;
}

void TFormPlacement::RemoveLink(TIniLink* link) {
    if (!link) return;
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
    if (link->storage_ == this) link->storage_ = nullptr;
}

void TFormPlacement::Loaded() {
    TComponent::Loaded();
    TForm* form = Form();
    if (!IsDesigning() && IsLoading() && form && !formHooked_) {
        formOnShow_ = std::move(form->OnShow);
        formOnCloseQuery_ = std::move(form->OnCloseQuery);
        formOnDestroy_ = std::move(form->OnDestroy);
        form->OnShow = [this](TObject* sender) { formShow(sender); };
        form->OnCloseQuery = [this](TObject* sender, bool& canClose) { formCloseQuery(sender, canClose); };
        form->OnDestroy = [this](TObject* sender) { formDestroy(sender); };
        formHooked_ = true;
    }
    if (form && !preventResize_) formHadMaximize_ = form->BorderIcons() & biMaximize;
    updatePreventResize();
    checkToggleHook();
}

// A form that cannot be resized cannot be maximised either; without PreventResize it has
// its own maximise button again (a dialog has none).
void TFormPlacement::updatePreventResize() {
    TForm* form = Form();
    if (!form || IsDesigning()) return;
    const bool maximize = !preventResize_ && formHadMaximize_ && form->BorderStyle() != bsDialog;
    form->SetBorderIcons(maximize ? form->BorderIcons() | biMaximize : form->BorderIcons() & ~biMaximize);
}

void TFormPlacement::SetPreventResize(bool prevent) {
    if (!Form() || prevent == preventResize_) return;
    preventResize_ = prevent;
    updatePlacement();
    updatePreventResize();
    if (!IsLoading()) checkToggleHook();
}

void TFormPlacement::minMaxInfoModified() {
    updatePlacement();
    if (!IsLoading()) checkToggleHook();
}

// The window manager asks the form for its limits again, which the hook answers.
void TFormPlacement::updatePlacement() {
    if (TForm* form = Form(); form && !IsLoading()) RequestMinMaxInfo(form);
}

void TFormPlacement::checkToggleHook() {
    TForm* form = Form();
    hook_->SetWinControl(form && (!minMaxInfo_.DefaultMinMaxInfo() || preventResize_) ? form : nullptr);
    // The limits apply at once, not only at the next sizing.
    if (form && !IsLoading()) RequestMinMaxInfo(form);
}

template <class Action> void TFormPlacement::guarded(Action action) {
    try {
        action();
    } catch (const Exception& error) {
        Application->HandleException(error);
    } catch (const std::exception& error) {
        Application->HandleException(Exception(error.what()));
    }
}

void TFormPlacement::formShow(TObject* sender) {
    if (active_) guarded([this] { RestoreFormPlacement(); });
    if (formOnShow_) formOnShow_(sender);
}

void TFormPlacement::formCloseQuery(TObject* sender, bool& canClose) {
    if (formOnCloseQuery_) formOnCloseQuery_(sender, canClose);
    if (canClose && active_) guarded([this] { SaveFormPlacement(); });
}

void TFormPlacement::formDestroy(TObject* sender) {
    if (active_ && !saved_) {
        destroying_ = true;
        guarded([this] { SaveFormPlacement(); });
        destroying_ = false;
    }
    if (formOnDestroy_) formOnDestroy_(sender);
}

void TFormPlacement::wndMessage(TObject*, TMessage& message, bool&) {
    TForm* form = Form();
    if (message.Msg != WM_GETMINMAXINFO || !form) return;
    auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
    if (preventResize_) {
        if (!form->Showing()) return;
        info->ptMinTrackSize = POINT{form->Width(), form->Height()};
        info->ptMaxTrackSize = info->ptMinTrackSize;
    } else if (!minMaxInfo_.DefaultMinMaxInfo()) {
        const MINMAXINFO& own = minMaxInfo_.Info();
        auto take = [](int& field, int value) {
            if (value != 0) field = value;
        };
        take(info->ptMaxPosition.x, own.ptMaxPosition.x);
        take(info->ptMaxPosition.y, own.ptMaxPosition.y);
        take(info->ptMaxSize.x, own.ptMaxSize.x);
        take(info->ptMaxSize.y, own.ptMaxSize.y);
        take(info->ptMaxTrackSize.x, own.ptMaxTrackSize.x);
        take(info->ptMaxTrackSize.y, own.ptMaxTrackSize.y);
        take(info->ptMinTrackSize.x, own.ptMinTrackSize.x);
        take(info->ptMinTrackSize.y, own.ptMinTrackSize.y);
    } else {
        info->ptMaxPosition = POINT{0, 0};
    }
    message.Result = 1;
}

// ---- TStoredValue ----------------------------------------------------------------------

TFormPlacement* TStoredValue::Storage() const {
    const auto* values = dynamic_cast<const TStoredValues*>(Collection());
    return values ? values->Storage() : nullptr;
}

void TStoredValue::Save() {
    Variant value = value_;
    if (OnSave) OnSave(this, value);
    std::string text = VarToStr(value);
    if (!keyString_.empty()) text = XorEncode(keyString_, text);
    if (TFormPlacement* storage = Storage()) storage->WriteString(name_, text);
}

void TStoredValue::Restore() {
    std::string def = VarToStr(value_);
    if (!keyString_.empty()) def = XorEncode(keyString_, def);
    TFormPlacement* storage = Storage();
    std::string text = storage ? storage->ReadString(name_, def) : def;
    if (!keyString_.empty()) text = XorDecode(keyString_, text);
    Variant value(text);
    if (OnRestore) OnRestore(this, value);
    value_ = value;
}

void TStoredValue::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TStoredValue*>(&source);
    if (!other) {
        TCollectionItem::Assign(source);
        return;
    }
    value_ = other->value_.IsEmpty() ? Variant() : other->value_;
    SetName(other->name_);
    keyString_ = other->keyString_;
}

std::string TStoredValue::DisplayName() const {
    return name_.empty() ? TCollectionItem::DisplayName() : name_;
}

void TStoredValue::SetDisplayName(const std::string& name) {
    const auto* values = dynamic_cast<const TStoredValues*>(Collection());
    if (!name.empty() && !SameIniName(name, name_) && values && values->IndexOf(name) >= 0)
        throw EListError("String list does not allow duplicates");
    name_ = name;
    TCollectionItem::SetDisplayName(name);
}

// ---- TStoredValues ---------------------------------------------------------------------

TStoredValues::TStoredValues(TObject* owner)
    : TOwnedCollection(owner, "TStoredValue", CollectionItemsOf<TStoredValue>()) {}

int TStoredValues::IndexOf(const std::string& name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameIniName(Items(i)->Name(), name)) return i;
    return -1;
}

TStoredValue* TStoredValues::GetValue(const std::string& name) const {
    const int index = IndexOf(name);
    return index < 0 ? nullptr : Items(index);
}

void TStoredValues::SetValue(const std::string& name, const TStoredValue& item) {
    if (TStoredValue* value = GetValue(name)) value->Assign(item);
}

Variant TStoredValues::GetStoredValue(const std::string& name) const {
    const TStoredValue* value = GetValue(name);
    return value ? value->Value() : Variant::Null();
}

void TStoredValues::SetStoredValue(const std::string& name, const Variant& value) {
    TStoredValue* item = GetValue(name);
    if (!item) {
        item = static_cast<TStoredValue*>(Add());
        item->SetName(name);
    }
    item->SetValue(value);
}

void TStoredValues::SaveValues() {
    for (int i = 0; i < Count(); ++i)
        Items(i)->Save();
}

void TStoredValues::RestoreValues() {
    for (int i = 0; i < Count(); ++i)
        Items(i)->Restore();
}

// ---- TFormStorage ----------------------------------------------------------------------

TFormStorage::TFormStorage(TComponent* owner) : TFormPlacement(owner), storedValues_(this) {
    storedValues_.SetStorage(this);
}

void TFormStorage::SetStoredProps(const TStrings& props) {
    storedProps_.Assign(props);
    for (int i = 0; i < storedProps_.Count(); ++i)
        if (auto* component = dynamic_cast<TComponent*>(storedProps_.Objects(i))) FreeNotification(component);
}

void TFormStorage::UpdateStoredNames() {
    UpdateStoredList(Owner(), storedProps_, false);
}

void TFormStorage::Loaded() {
    TFormPlacement::Loaded();
    UpdateStoredList(Owner(), storedProps_, true);
}

void TFormStorage::Notification(TComponent* component, TOperation operation) {
    TFormPlacement::Notification(component, operation);
    if (operation != opRemove || IsDestroying()) return;
    for (int i = storedProps_.Count() - 1; i >= 0; --i)
        if (storedProps_.Objects(i) == component) storedProps_.Delete(i);
}

void TFormStorage::SavePlacement() {
    TFormPlacement::SavePlacement();
    SaveProperties();
    storedValues_.SaveValues();
}

void TFormStorage::RestorePlacement() {
    TFormPlacement::RestorePlacement();
    RestoreProperties();
    storedValues_.RestoreValues();
}

void TFormStorage::SaveProperties() {
    TPropsStorage storage;
    storage.Section = IniSection();
    storage.OnWriteString = [this](const std::string& section, const std::string& ident,
                                   const std::string& value) { DoWriteString(section, ident, value); };
    storage.OnEraseSection = [this](const std::string& section) { IniEraseSection(IniObject(), section); };
    storage.StoreObjectsProps(Owner(), storedProps_);
}

void TFormStorage::RestoreProperties() {
    TPropsStorage storage;
    storage.Section = IniSection();
    storage.OnReadString = [this](const std::string& section, const std::string& ident,
                                  const std::string& def) { return DoReadString(section, ident, def); };
    try {
        storage.LoadObjectsProps(Owner(), storedProps_);
    } catch (const std::exception&) {
        // Stored properties never fail a restore.
    }
}
