#include "toolkit/Apputils.h"

#include "platform/files/FileNames.h"
#include "platform/files/PathResolver.h"
#include "platform/framework/WindowPlacement.h"
#include "toolkit/FileUtil.h"
#include "toolkit/Kxstrutils.h"
#include "toolkit/Placemnt.h"

#include <cstdint>
#include <cstdio>

#include <sys/stat.h>

std::function<std::string()> DefaultIniNameHook;
std::string CompanyKeyName;
bool UseAppTitleForRegKey = false;

namespace {

constexpr std::size_t maxIniLine = 4096;

bool enclosedIn(const std::string& value, char quote) {
    return value.size() >= 2 && value.front() == quote && value.back() == quote;
}

void checkLength(const std::string& str) {
    if (str.size() > maxIniLine) throw EConvertError("Line too long");
}

} // namespace

std::string GetDefaultSection(const TComponent* component) {
    if (!component) return {};
    if (dynamic_cast<const TForm*>(component)) return component->ClassName();
    if (const auto* control = dynamic_cast<const TControl*>(component)) {
        if (const TForm* form = GetParentForm(control)) return form->ClassName() + control->Name();
        return (control->Parent() ? control->Parent()->Name() : std::string()) + control->Name();
    }
    if (dynamic_cast<const TForm*>(component->Owner()))
        return component->Owner()->ClassName() + "." + component->Name();
    return component->Name();
}

std::string GetDefaultIniName() {
    if (DefaultIniNameHook) return DefaultIniNameHook();
    return ChangeFileExt(ExtractFileName(Application->ExeName()), ".INI");
}

std::string GetDefaultIniRegKey() {
    std::string key = UseAppTitleForRegKey && !Application->Title().empty()
                          ? Application->Title()
                          : ChangeFileExt(ExtractFileName(Application->ExeName()), "");
    if (!CompanyKeyName.empty()) key = CompanyKeyName + "\\" + key;
    return "Software\\" + key;
}

void GetDefaultIniData(const TControl* control, std::string& iniFileName, std::string& section,
                       bool useRegistry) {
    iniFileName.clear();
    const TForm* form = control ? dynamic_cast<const TForm*>(control->Owner()) : nullptr;
    if (control && !form) form = GetParentForm(control);
    for (int i = 0; form && i < form->ComponentCount() && iniFileName.empty(); ++i)
        if (const auto* placement = dynamic_cast<const TFormPlacement*>(form->Components(i)))
            iniFileName = placement->IniFileName();
    section = GetDefaultSection(control);
    if (iniFileName.empty()) iniFileName = useRegistry ? GetDefaultIniRegKey() : GetDefaultIniName();
}

std::string IniReadString(TObject* ini, const std::string& section, const std::string& ident,
                          const std::string& def) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(ini)) return reg->ReadString(section, ident, def);
    if (auto* file = dynamic_cast<TIniFile*>(ini)) return file->ReadString(section, ident, def);
    return def;
}

void IniWriteString(TObject* ini, const std::string& section, const std::string& ident,
                    const std::string& value) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(ini)) {
        reg->WriteString(section, ident, value);
    } else if (auto* file = dynamic_cast<TIniFile*>(ini)) {
        const bool quoted = enclosedIn(value, '"') || enclosedIn(value, '\'');
        file->WriteString(section, ident, quoted ? '"' + value + '"' : value);
    }
}

int IniReadInteger(TObject* ini, const std::string& section, const std::string& ident, int def) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(ini)) return reg->ReadInteger(section, ident, def);
    if (auto* file = dynamic_cast<TIniFile*>(ini)) return file->ReadInteger(section, ident, def);
    return def;
}

void IniWriteInteger(TObject* ini, const std::string& section, const std::string& ident, int value) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(ini))
        reg->WriteInteger(section, ident, value);
    else if (auto* file = dynamic_cast<TIniFile*>(ini))
        file->WriteInteger(section, ident, value);
}

bool IniReadBool(TObject* ini, const std::string& section, const std::string& ident, bool def) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(ini)) return reg->ReadBool(section, ident, def);
    if (auto* file = dynamic_cast<TIniFile*>(ini)) return file->ReadBool(section, ident, def);
    return def;
}

void IniWriteBool(TObject* ini, const std::string& section, const std::string& ident, bool value) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(ini))
        reg->WriteBool(section, ident, value);
    else if (auto* file = dynamic_cast<TIniFile*>(ini))
        file->WriteBool(section, ident, value);
}

void IniEraseSection(TObject* ini, const std::string& section) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(ini))
        reg->EraseSection(section);
    else if (auto* file = dynamic_cast<TIniFile*>(ini))
        file->EraseSection(section);
}

void IniDeleteKey(TObject* ini, const std::string& section, const std::string& ident) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(ini))
        reg->DeleteKey(section, ident);
    else if (auto* file = dynamic_cast<TIniFile*>(ini))
        file->DeleteKey(section, ident);
}

void IniBeginUpdate(TObject* ini) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(ini))
        reg->BeginUpdate();
    else if (auto* file = dynamic_cast<TIniFile*>(ini))
        file->BeginUpdate();
}

void IniEndUpdate(TObject* ini) {
    if (auto* reg = dynamic_cast<TRegIniFile*>(ini))
        reg->EndUpdate();
    else if (auto* file = dynamic_cast<TIniFile*>(ini))
        file->EndUpdate();
}

void IniUpdate(TObject* ini, const std::function<void()>& writes) {
    IniBeginUpdate(ini);
    try {
        writes();
    } catch (...) {
        try {
            IniEndUpdate(ini);
        } catch (const Exception&) {
            // The first failure is the one the caller hears of.
        }
        throw;
    }
    IniEndUpdate(ini);
}

void IniReadSections(TObject* ini, TStrings* sections) {
    if (!sections) return;
    std::vector<std::string> names;
    if (auto* reg = dynamic_cast<TRegIniFile*>(ini))
        names = reg->ReadSections();
    else if (auto* file = dynamic_cast<TIniFile*>(ini))
        names = file->ReadSections();
    else
        return;
    sections->BeginUpdate();
    sections->Clear();
    for (const std::string& name : names)
        sections->Add(name);
    sections->EndUpdate();
}

std::string StrToIniStr(const std::string& str) {
    checkLength(str);
    std::string out;
    for (std::size_t i = 0; i < str.size(); ++i) {
        const char c = str[i];
        if (c != '\r' && c != '\n') {
            out += c;
            continue;
        }
        // A CR LF or LF CR pair is one break.
        const char other = c == '\r' ? '\n' : '\r';
        if (i + 1 < str.size() && str[i + 1] == other) ++i;
        out += "\\n";
    }
    return out;
}

std::string IniStrToStr(const std::string& str) {
    checkLength(str);
    std::string out;
    for (std::size_t i = 0; i < str.size(); ++i) {
        if (str[i] == '\\' && i + 1 < str.size() && str[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else {
            out += str[i];
        }
    }
    return out;
}

std::intptr_t AppBroadcast(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    std::intptr_t result = 0;
    for (int i = 0; i < Screen->FormCount(); ++i)
        result = Screen->Forms(i)->Perform(msg, wParam, lParam);
    return result;
}

namespace {

std::string fourNumbers(int a, int b, int c, int d) {
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", a, b, c, d);
    return text;
}

std::string withScreenSize(const char* key) {
    char text[64];
    std::snprintf(text, sizeof text, "%s(%dx%d)", key, Screen->Width(), Screen->Height());
    return text;
}

// Word n of a "%d,%d,%d,%d" text; 0 when it is no number.
int numberAt(const std::string& text, int n) {
    int value = 0;
    return ParseIniInteger(ExtractWord(n, text, TCharSet(" ,")), value) ? value : 0;
}

// The entry of the present screen size, else the plain one (the last saved at any size).
std::string screenEntry(TObject* ini, const std::string& section, const char* key) {
    std::string text = IniReadString(ini, section, withScreenSize(key), "");
    return text.empty() ? IniReadString(ini, section, key, "") : text;
}

void writePlacement(TForm* form, TObject* ini, const std::string& section) {
    WINDOWPLACEMENT placement;
    GetWindowPlacement(form, &placement);
    IniWriteInteger(ini, section, "Flags", static_cast<int>(placement.flags));
    IniWriteInteger(ini, section, "ShowCmd", static_cast<int>(placement.showCmd));
    IniWriteInteger(ini, section, "PixelsPerInch", Screen->PixelsPerInch());
    const std::string minMax = fourNumbers(placement.ptMinPosition.x, placement.ptMinPosition.y,
                                           placement.ptMaxPosition.x, placement.ptMaxPosition.y);
    const RECT& normal = placement.rcNormalPosition;
    const std::string norm = fourNumbers(normal.left, normal.top, normal.right, normal.bottom);
    IniWriteString(ini, section, "MinMaxPos", minMax);
    IniWriteString(ini, section, withScreenSize("MinMaxPos"), minMax);
    IniWriteString(ini, section, "NormPos", norm);
    IniWriteString(ini, section, withScreenSize("NormPos"), norm);
}

void loadPositionOf(TForm* form, TObject* ini, const std::string& section, WINDOWPLACEMENT& placement) {
    bool found = false;
    placement.flags =
        static_cast<unsigned>(IniReadInteger(ini, section, "Flags", static_cast<int>(placement.flags)));
    std::string text = screenEntry(ini, section, "MinMaxPos");
    if (!text.empty()) {
        placement.ptMinPosition = POINT{numberAt(text, 1), numberAt(text, 2)};
        placement.ptMaxPosition = POINT{numberAt(text, 3), numberAt(text, 4)};
        found = true;
    }
    text = screenEntry(ini, section, "NormPos");
    if (!text.empty()) {
        RECT& normal = placement.rcNormalPosition;
        const int words = WordCount(text, TCharSet(" ,"));
        normal.left = words >= 1 ? numberAt(text, 1) : form->Left();
        normal.top = words >= 2 ? numberAt(text, 2) : form->Top();
        normal.right = words >= 3 ? numberAt(text, 3) : form->Left() + form->Width();
        normal.bottom = words >= 4 ? numberAt(text, 4) : form->Top() + form->Height();
        found = true;
    }
    if (IniReadInteger(ini, section, "PixelsPerInch", Screen->PixelsPerInch()) != Screen->PixelsPerInch())
        found = false;
    if (!found) return;
    RECT& normal = placement.rcNormalPosition;
    if (form->BorderStyle() != bsSizeable && form->BorderStyle() != bsSizeToolWin) {
        normal.right = normal.left + form->Width();
        normal.bottom = normal.top + form->Height();
    }
    if (normal.right <= normal.left) return;
    // A centred form would be centred again at its first show: it keeps the place read.
    if ((form->Position() == poScreenCenter || form->Position() == poDesktopCenter) && !form->IsDesigning())
        form->SetPosition(poDesigned);
    SetWindowPlacement(form, &placement);
}

void loadStateOf(TForm* form, TObject* ini, const std::string& section) {
    const bool mainOrNone = Application->MainForm() == form || !Application->MainForm();
    TWindowState state = wsNormal;
    if (mainOrNone && form->FormStyle() == fsNormal && form->Position() == poDefault) state = wsMaximized;
    switch (IniReadInteger(ini, section, "ShowCmd", SW_HIDE)) {
    case SW_SHOWNORMAL:
    case SW_SHOW:
    case SW_RESTORE:
        state = wsNormal;
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
        state = wsMinimized;
        break;
    case SW_SHOWMAXIMIZED:
        state = wsMaximized;
        break;
    default:
        break;
    }
    if (state == wsMinimized && mainOrNone) {
        // The main window is minimised once it is up, not while it is being shown.
        form->SetWindowState(wsNormal);
        QueueOnMainThread([form] {
            for (int i = 0; i < Screen->FormCount(); ++i)
                if (Screen->Forms(i) == form) form->SetWindowState(wsMinimized);
        });
        return;
    }
    form->SetWindowState(state);
}

void readPlacement(TForm* form, TObject* ini, const std::string& section, bool loadState, bool loadPosition) {
    if (!loadState && !loadPosition) return;
    WINDOWPLACEMENT placement;
    GetWindowPlacement(form, &placement);
    if (!form->Showing()) placement.showCmd = SW_HIDE;
    if (loadPosition) loadPositionOf(form, ini, section, placement);
    if (loadState) loadStateOf(form, ini, section);
}

[[noreturn]] void noMdiForms() {
    throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
}

} // namespace

void WriteFormPlacement(TForm* form, TIniFile& ini, const std::string& section) {
    IniUpdate(&ini, [&] { writePlacement(form, &ini, section); });
}

void WriteFormPlacementReg(TForm* form, TRegIniFile& ini, const std::string& section) {
    IniUpdate(&ini, [&] { writePlacement(form, &ini, section); });
}

void ReadFormPlacement(TForm* form, TIniFile& ini, const std::string& section, bool loadState,
                       bool loadPosition) {
    readPlacement(form, &ini, section, loadState, loadPosition);
}

void ReadFormPlacementReg(TForm* form, TRegIniFile& ini, const std::string& section, bool loadState,
                          bool loadPosition) {
    readPlacement(form, &ini, section, loadState, loadPosition);
}

void SaveFormPlacement(TForm* form, const std::string& iniFileName, bool useRegistry) {
    if (useRegistry) {
        TRegIniFile ini(iniFileName);
        WriteFormPlacementReg(form, ini, form->ClassName());
    } else {
        TIniFile ini(iniFileName);
        WriteFormPlacement(form, ini, form->ClassName());
    }
}

void RestoreFormPlacement(TForm* form, const std::string& iniFileName, bool useRegistry) {
    if (useRegistry) {
        TRegIniFile ini(iniFileName, KEY_READ);
        ReadFormPlacementReg(form, ini, form->ClassName(), true, true);
    } else {
        TIniFile ini(iniFileName);
        ReadFormPlacement(form, ini, form->ClassName(), true, true);
    }
}

void SaveMDIChildren(TForm*, TIniFile&) {
    noMdiForms();
}

void RestoreMDIChildren(TForm*, TIniFile&) {
    noMdiForms();
}

void SaveMDIChildrenReg(TForm*, TRegIniFile&) {
    noMdiForms();
}

void RestoreMDIChildrenReg(TForm*, TRegIniFile&) {
    noMdiForms();
}

namespace {

// The mask with value in its integer conversions; counts them in conversions.
std::string formatMask(const std::string& mask, std::int64_t value, int& conversions) {
    std::string out;
    conversions = 0;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] != '%') {
            out += mask[i];
            continue;
        }
        if (i + 1 < mask.size() && mask[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        const std::size_t start = i++;
        while (i < mask.size() && std::string_view("-0+ #").find(mask[i]) != std::string_view::npos)
            ++i;
        while (i < mask.size() && ((mask[i] >= '0' && mask[i] <= '9') || mask[i] == '.'))
            ++i;
        if (i >= mask.size() || std::string_view("duxX").find(mask[i]) == std::string_view::npos ||
            i - start > 12)
            throw EConvertError("Format '" + mask + "' invalid or incompatible with argument list");
        const std::string spec = mask.substr(start, i - start) + "ll" + mask[i];
        char text[64];
        std::snprintf(text, sizeof text, spec.c_str(), static_cast<long long>(value));
        out += text;
        ++conversions;
    }
    return out;
}

bool nameTaken(const std::string& name) {
    struct stat info;
    return lstat(ResolvePath(name).c_str(), &info) == 0;
}

} // namespace

std::string GetUniqueFileNameInDir(const std::string& path, const std::string& fileNameMask) {
    const std::string dir = NormalDir(path);
    for (std::int64_t i = 0; i < (std::int64_t{1} << 31); ++i) {
        int conversions = 0;
        std::string name = dir + formatMask(fileNameMask, i, conversions);
        if (!nameTaken(name)) return name;
        if (conversions == 0) break; // the same name again and again
    }
    return {};
}
