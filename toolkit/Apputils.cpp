#include "toolkit/Apputils.h"

#include "platform/files/FileNames.h"

std::function<std::string()> DefaultIniNameHook;
std::string CompanyKeyName;
bool UseAppTitleForRegKey = false;

namespace {

constexpr std::size_t maxIniLine = 4096;

TForm* parentForm(const TControl* control) {
    for (TWinControl* parent = control->Parent(); parent; parent = parent->Parent())
        if (auto* form = dynamic_cast<TForm*>(parent)) return form;
    return nullptr;
}

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
        if (const TForm* form = parentForm(control)) return form->ClassName() + control->Name();
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
