#pragma once
// Application-level routines: default names for settings files and registry keys, one way
// to read and write settings whether they live in an INI file (TIniFile) or under a
// registry key (TRegIniFile), multi-line texts in INI values, finding and showing forms, and
// a message to every form. Used on the GUI thread.
#include "platform/files/IniFiles.h"
#include "platform/framework/Application.h"
#include "platform/framework/Forms.h"
#include "platform/framework/Registry.h"
#include "platform/framework/StringList.h"

#include <functional>
#include <string>

// Default names. DefaultIniNameHook, when set, gives the INI file name; CompanyKeyName
// goes in front of the registry key; UseAppTitleForRegKey names the key after the
// application's title instead of the executable.
extern std::function<std::string()> DefaultIniNameHook;
extern std::string CompanyKeyName;
extern bool UseAppTitleForRegKey;

// The section a component's settings go to: a form's class name; a control's name after
// its form's class name (or its parent's name when it is on no form); another component
// owned by a form "<form class>.<name>"; "" for none.
std::string GetDefaultSection(const TComponent* component);
// DefaultIniNameHook's answer, else the executable's file name with the extension ".INI".
std::string GetDefaultIniName();
// "Software\[CompanyKeyName\]<title or executable name without extension>".
std::string GetDefaultIniRegKey();

// Where a control's own settings go: the IniFileName of the first TFormPlacement of the
// control's form, else GetDefaultIniRegKey (useRegistry) or GetDefaultIniName; the section
// is GetDefaultSection of the control.
void GetDefaultIniData(const TControl* control, std::string& iniFileName, std::string& section,
                       bool useRegistry);

// The uniform layer: ini is a TIniFile or a TRegIniFile and the call goes to the matching
// operation; for any other object (or none) reads answer their default and the rest do
// nothing. IniWriteString to an INI file wraps a value enclosed in double or in single
// quotes in one more pair of double quotes, since reading an INI value takes one pair off.
std::string IniReadString(TObject* ini, const std::string& section, const std::string& ident,
                          const std::string& def);
void IniWriteString(TObject* ini, const std::string& section, const std::string& ident,
                    const std::string& value);
int IniReadInteger(TObject* ini, const std::string& section, const std::string& ident, int def);
void IniWriteInteger(TObject* ini, const std::string& section, const std::string& ident, int value);
bool IniReadBool(TObject* ini, const std::string& section, const std::string& ident, bool def);
void IniWriteBool(TObject* ini, const std::string& section, const std::string& ident, bool value);
void IniEraseSection(TObject* ini, const std::string& section);
void IniDeleteKey(TObject* ini, const std::string& section, const std::string& ident);
// Replaces sections' contents with every section name.
void IniReadSections(TObject* ini, TStrings* sections);
// Gathers the writes to ini until the matching IniEndUpdate, which writes them to the file
// in one replacement (TIniFile and TRegistry BeginUpdate / EndUpdate).
void IniBeginUpdate(TObject* ini);
void IniEndUpdate(TObject* ini);
// Runs writes as one update of ini; when writes raises, the update ends without raising
// again and the exception goes on.
void IniUpdate(TObject* ini, const std::function<void()>& writes);

// Multi-line texts in one INI value: every line break (CR LF, LF CR, CR or LF) becomes the
// two characters "\n", and back (as CR LF). Texts over 4096 characters raise
// EConvertError "Line too long".
std::string StrToIniStr(const std::string& str);
std::string IniStrToStr(const std::string& str);

// Forms. FindForm: the first form of the screen that is a T. FindShowForm: the first such
// form with that caption (any when caption is empty), else a new one (with the caption);
// restored when minimised, shown and returned. ShowDialog: a new T shown modally and freed;
// true for OK or Yes. InstantiateForm: creates the form only when reference is empty.
template <class T> T* FindForm() {
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (auto* form = dynamic_cast<T*>(Screen->Forms(i))) return form;
    return nullptr;
}

template <class T> T* FindShowForm(const std::string& caption) {
    T* found = nullptr;
    for (int i = 0; i < Screen->FormCount() && !found; ++i) {
        auto* form = dynamic_cast<T*>(Screen->Forms(i));
        if (form && (caption.empty() || form->Caption() == caption)) found = form;
    }
    if (!found) {
        Application->CreateForm(found);
        if (!caption.empty()) found->SetCaption(caption);
    }
    if (found->WindowState() == wsMinimized) found->SetWindowState(wsNormal);
    found->Show();
    return found;
}

template <class T> bool ShowDialog() {
    T* dialog = nullptr;
    Application->CreateForm(dialog);
    TModalResult result = mrNone;
    try {
        result = dialog->ShowModal();
    } catch (...) {
        dialog->Free();
        throw;
    }
    dialog->Free();
    return result == mrOk || result == mrYes;
}

template <class T> T* InstantiateForm(T*& reference) {
    if (!reference) Application->CreateForm(reference);
    return reference;
}

// The placement record of a form in one section: "Flags", "ShowCmd", "PixelsPerInch",
// then "MinMaxPos" and "NormPos" ("%d,%d,%d,%d"), each also under its name followed by the
// screen size ("NormPos(1024x768)"). Reading prefers the entry of the present screen size
// and ignores the position saved at another pixels-per-inch; a restored rectangle is put
// onto the screens that exist now. ini is a TIniFile or a TRegIniFile.
void WriteFormPlacement(TForm* form, TIniFile& ini, const std::string& section);
void WriteFormPlacementReg(TForm* form, TRegIniFile& ini, const std::string& section);
void ReadFormPlacement(TForm* form, TIniFile& ini, const std::string& section, bool loadState,
                       bool loadPosition);
void ReadFormPlacementReg(TForm* form, TRegIniFile& ini, const std::string& section, bool loadState,
                          bool loadPosition);
// The record in the section named after the form's class, in the INI file or registry key
// iniFileName; restoring reads state and position and creates no registry key.
void SaveFormPlacement(TForm* form, const std::string& iniFileName, bool useRegistry);
void RestoreFormPlacement(TForm* form, const std::string& iniFileName, bool useRegistry);

// The open MDI child forms of an MDI frame. The framework has no MDI forms, so these always
// raise EInvalidOperation "Cannot create form. No MDI forms are currently active".
void SaveMDIChildren(TForm* mainForm, TIniFile& ini);
void RestoreMDIChildren(TForm* mainForm, TIniFile& ini);
void SaveMDIChildrenReg(TForm* mainForm, TRegIniFile& ini);
void RestoreMDIChildrenReg(TForm* mainForm, TRegIniFile& ini);

// The first name path + mask-with-I that does not exist, for I = 0, 1, 2, ...; empty when
// none is free below 2^31. The mask takes I through integer conversions only (%d, %u, %x,
// %X with flags, width and precision, "%%" for a percent sign); any other conversion raises
// EConvertError. A mask without a conversion names one file, which is tried once.
std::string GetUniqueFileNameInDir(const std::string& path, const std::string& fileNameMask);

// Sends the message to every form of the screen in turn; answers the last result.
std::intptr_t AppBroadcast(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam);
