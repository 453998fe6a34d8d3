#include "toolkit/kxUiUtils.h"

#include "platform/framework/Application.h"
#include "platform/framework/Resources.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/CodePages.h"
#include "toolkit/FileUtil.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>

#include <dlfcn.h>
#include <unistd.h>

namespace {

std::mutex probeLock;
std::function<bool()> foregroundProbe; // guarded by probeLock

// A memory block keeps its size in a header in front of what the caller sees.
struct BlockHeader {
    long size;
    alignas(std::max_align_t) unsigned char data[1];
};
constexpr std::size_t headerSize = offsetof(BlockHeader, data);
constexpr std::align_val_t blockAlignment{alignof(std::max_align_t)};

BlockHeader* headerOf(const void* block) {
    return reinterpret_cast<BlockHeader*>(static_cast<unsigned char*>(const_cast<void*>(block)) - headerSize);
}

// The first cursor number DefineCursor may hand out, and the one past its last.
constexpr TCursor firstDefinedCursor = 100;
constexpr TCursor cursorLimit = 32768;

std::mutex definedCursorLock;
// Where the search for a free number goes on: past the last number handed out, so that
// filling the table does not test every taken number again. Guarded by definedCursorLock.
TCursor nextDefinedCursor = firstDefinedCursor;

int waitCount = 0;               // StartWait nesting, GUI thread only
TCursor savedCursor = crDefault; // the cursor the first StartWait found

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// The next parameter of a command line from pos: blanks and pairs of quotes skipped, a
// quote opening a span copied to the next quote without the quotes.
std::string nextParameter(const std::string& line, std::size_t& pos) {
    for (;;) {
        while (pos < line.size() && isBlank(line[pos]))
            ++pos;
        if (pos + 1 < line.size() && line[pos] == '"' && line[pos + 1] == '"') {
            pos += 2;
            continue;
        }
        break;
    }
    std::string parameter;
    while (pos < line.size() && !isBlank(line[pos])) {
        if (line[pos] == '"') {
            ++pos;
            while (pos < line.size() && line[pos] != '"')
                parameter += line[pos++];
            if (pos < line.size()) ++pos;
        } else {
            parameter += line[pos++];
        }
    }
    return parameter;
}

} // namespace

// Resources.

void ResourceNotFound(const std::string& name) {
    throw EResNotFound("Resource " + name + " not found");
}

void ResourceNotFound(int id) {
    ResourceNotFound(ResourceIdName(id));
}

std::string ResourceIdName(int id) {
    return "#" + std::to_string(id);
}

std::unique_ptr<TBitmap> MakeModuleBitmap(HMODULE, const std::string& name) {
    if (!FindResource(RT_BITMAP, name)) ResourceNotFound(name);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->LoadFromResourceName(name);
    return bitmap;
}

std::unique_ptr<TBitmap> MakeBitmap(const std::string& name) {
    return MakeModuleBitmap(HInstance, name);
}

std::unique_ptr<TBitmap> MakeBitmapID(int id) {
    return MakeModuleBitmap(HInstance, ResourceIdName(id));
}

std::unique_ptr<TIcon> MakeModuleIcon(HMODULE, const std::string& name) {
    if (!FindResource(RT_ICON, name)) ResourceNotFound(name);
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromResourceName(name);
    return icon;
}

std::unique_ptr<TIcon> MakeIcon(const std::string& name) {
    return MakeModuleIcon(HInstance, name);
}

std::unique_ptr<TIcon> MakeIconID(int id) {
    return MakeModuleIcon(HInstance, ResourceIdName(id));
}

// System.

HMODULE LoadDLL(const std::string& name) {
    dlerror();
    HMODULE module = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = dlerror();
        throw EOSError(std::string("Cannot load ") + name + ": " + (reason ? reason : "unknown error"),
                       ENOENT);
    }
    return module;
}

bool RegisterServer(const std::string& name) {
    HMODULE module = LoadDLL(name);
    using Entry = HRESULT (*)();
    auto entry = reinterpret_cast<Entry>(dlsym(module, "DllRegisterServer"));
    const bool registered = entry && SUCCEEDED(entry());
    dlclose(module);
    return registered;
}

void Beep() {
    MessageBeep();
}

void NotImplemented() {
    Screen->SetCursor(crDefault);
    MessageDlg("Function not yet implemented", mtInformation, {mbOK}, 0);
    Abort();
}

void Delay(long msecs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Application->ProcessMessages();
        const DWORD now = GetTickCount();
        if (now < start || static_cast<long>(now - start) >= msecs) return;
        // Waiting without spinning a core: a millisecond at a time through the tick clock.
        Sleep(1);
    }
}

TColor PaletteColor(TColor color) {
    return static_cast<TColor>(ColorToRGB(color) | 0x02000000u);
}

int PaletteEntries(const std::vector<TPaletteEntry>& palette) {
    return static_cast<int>(palette.size());
}

RECT ScreenWorkArea() {
    return Screen->WorkAreaRect();
}

// Windows.

void CenterControl(TControl* control) {
    if (!control) return;
    if (auto* form = dynamic_cast<TForm*>(control); form && !form->Parent()) {
        CenterWindow(form);
        return;
    }
    TWinControl* parent = control->Parent();
    if (!parent) return;
    control->SetBounds(std::max(0, (parent->ClientWidth() - control->Width()) / 2),
                       std::max(0, (parent->ClientHeight() - control->Height()) / 2), control->Width(),
                       control->Height());
}

void CenterWindow(TForm* window) {
    if (!window) return;
    window->SetBounds((Screen->Width() - window->Width()) / 2, (Screen->Height() - window->Height()) / 2,
                      window->Width(), window->Height());
}

void MergeForm(TWinControl* parent, TForm* form, TAlign align, bool show) {
    if (!parent || !form) return;
    const RECT own = form->BoundsRect();
    form->SetBorderStyle(bsNone);
    form->SetParent(parent);
    form->SetAlign(align);
    if (align == alNone) form->SetBounds(own.left, own.top, own.right - own.left, own.bottom - own.top);
    form->SetVisible(show);
}

std::string WindowClassName(const TWinControl* window) {
    if (!window) return {};
    std::string name = window->ClassName();
    if (name.size() > 255) name.resize(255);
    return name;
}

void ShowWinNoAnimate(TForm* window, int cmdShow) {
    if (!window) return;
    switch (cmdShow) {
    case SW_HIDE:
        window->Hide();
        return;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
        window->Show();
        window->SetWindowState(wsMinimized);
        return;
    case SW_SHOWMAXIMIZED:
        window->Show();
        window->SetWindowState(wsMaximized);
        return;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
        window->Show();
        window->SetWindowState(wsNormal);
        return;
    default:
        window->Show();
        return;
    }
}

void SwitchToWindow(TForm* window, bool restore) {
    if (!window) return;
    if (restore && window->WindowState() != wsMaximized) window->SetWindowState(wsNormal);
    SetForegroundWindow(window);
}

void ActivateWindow(TForm* window) {
    ShowWinNoAnimate(window, SW_SHOW);
    SetForegroundWindow(window);
}

// Variants and messages.

Variant MakeVariant(std::span<const Variant> values) {
    if (values.empty()) return Variant::Null();
    if (values.size() == 1) return values.front();
    return Variant::ArrayOf(std::vector<Variant>(values.begin(), values.end()));
}

int MsgBox(const std::string& caption, const std::string& text, unsigned flags) {
    return Application->MessageBox(text, caption, flags);
}

TModalResult MsgDlg(const std::string& msg, TMsgDlgType type, const TMsgDlgButtons& buttons,
                    int helpContext) {
    return MessageDlg(msg, type, buttons, helpContext);
}

// Memory.

void* AllocMemo(long size) {
    if (size < 1) return nullptr;
    void* raw = ::operator new(headerSize + static_cast<std::size_t>(size), blockAlignment);
    auto* header = static_cast<BlockHeader*>(raw);
    header->size = size;
    std::memset(header->data, 0, static_cast<std::size_t>(size));
    return header->data;
}

void* ReallocMemo(void* block, long size) {
    void* grown = AllocMemo(size);
    if (block && grown)
        std::memcpy(grown, block, static_cast<std::size_t>(std::min(size, GetMemoSize(block))));
    FreeMemo(block);
    return grown;
}

void FreeMemo(void*& block) {
    if (!block) return;
    ::operator delete(headerOf(block), blockAlignment);
    block = nullptr;
}

long GetMemoSize(const void* block) {
    return block ? headerOf(block)->size : 0;
}

bool CompareMem(const void* a, const void* b, int size) {
    return size <= 0 || std::memcmp(a, b, static_cast<std::size_t>(size)) == 0;
}

void* HugeInc(void* p, long offset) {
    return static_cast<unsigned char*>(p) + offset;
}

void* HugeDec(void* p, long offset) {
    return static_cast<unsigned char*>(p) - offset;
}

void* HugeOffset(void* p, long offset) {
    return HugeInc(p, offset);
}

void HMemCpy(void* dest, const void* source, long size) {
    if (size > 0) std::memmove(dest, source, static_cast<std::size_t>(size));
}

void HugeMove(void* base, long dst, long src, long count) {
    if (count <= 0) return;
    auto* bytes = static_cast<unsigned char*>(base);
    std::memmove(bytes + dst * 4, bytes + src * 4, static_cast<std::size_t>(count) * 4);
}

// Strings.

std::string GetEnvVar(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

void SplitCommandLine(const std::string& cmdLine, std::string& execName, std::string& paramString) {
    std::size_t pos = 0;
    execName = nextParameter(cmdLine, pos);
    paramString.clear();
    while (pos < cmdLine.size()) {
        const std::string parameter = nextParameter(cmdLine, pos);
        if (parameter.empty() && pos >= cmdLine.size()) break;
        if (!paramString.empty()) paramString += ' ';
        paramString += parameter.find(' ') != std::string::npos ? '"' + parameter + '"' : parameter;
    }
}

std::string AnsiUpperFirstChar(const std::string& s) {
    std::string result = AnsiLowerCase(s);
    if (!result.empty()) result[0] = AnsiUpperChar(result[0]);
    return result;
}

std::unique_ptr<char[]> StrPAlloc(const std::string& s) {
    auto copy = std::make_unique<char[]>(s.size() + 1);
    std::memcpy(copy.get(), s.c_str(), s.size() + 1);
    return copy;
}

char* StringToPChar(std::string& s) {
    return s.data();
}

std::string DropT(const std::string& s) {
    if (s.size() > 1 && (s[0] == 'T' || s[0] == 't')) return s.substr(1);
    return s;
}

std::string ResStr(const std::string& ident) {
    return ident;
}

// Cursors.

TCursor WaitCursor = crHourGlass;

HCURSOR LoadAniCursor(HMODULE, const std::string& name) {
    const auto data = FindResource(RT_ANICURSOR, name);
    if (!data) return nullptr;
    // The cursor file loader reads files: the resource goes to a private temporary file.
    std::string path = GetTempDir() + "ANIXXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) return nullptr;
    std::size_t written = 0;
    while (written < data->size()) {
        const ssize_t n = write(fd, data->data() + written, data->size() - written);
        if (n <= 0 && errno != EINTR) break;
        if (n > 0) written += static_cast<std::size_t>(n);
    }
    close(fd);
    HCURSOR cursor = written == data->size() ? LoadCursorFromFile(path) : nullptr;
    unlink(path.c_str());
    return cursor;
}

TCursor DefineCursor(HMODULE module, const std::string& name) {
    HCURSOR cursor = LoadCursor(name);
    if (!cursor) cursor = LoadAniCursor(module, name);
    if (!cursor) ResourceNotFound(name);
    const HCURSOR defaultCursor = Screen->Cursors(crDefault);
    std::lock_guard guard(definedCursorLock);
    // From where the last search ended, then once more from the start for a number that was
    // freed meanwhile.
    for (int step = 0; step < cursorLimit - firstDefinedCursor; ++step) {
        const TCursor index = firstDefinedCursor + (nextDefinedCursor - firstDefinedCursor + step) %
                                                       (cursorLimit - firstDefinedCursor);
        if (Screen->Cursors(index) != defaultCursor) continue;
        Screen->SetCursors(index, cursor);
        nextDefinedCursor = index + 1 < cursorLimit ? index + 1 : firstDefinedCursor;
        return index;
    }
    throw EOutOfResources("Out of system resources");
}

void StartWait() {
    if (waitCount++ == 0) {
        savedCursor = Screen->Cursor();
        Screen->SetCursor(WaitCursor);
    }
}

void StopWait() {
    if (waitCount <= 0) return;
    if (--waitCount == 0) Screen->SetCursor(savedCursor);
}

// Errors.

void RaiseWin32Error(int errorCode) {
    if (errorCode == 0) return;
    throw EOSError("System Error.  Code: " + std::to_string(errorCode) + ".\n" +
                       std::system_category().message(errorCode),
                   errorCode);
}

void CheckWin32(bool ok) {
    if (!ok) RaiseWin32Error(errno ? errno : EIO);
}

// The foreground test and the version text.

bool IsForegroundTask() {
    std::function<bool()> probe;
    {
        std::lock_guard<std::mutex> guard(probeLock);
        probe = foregroundProbe;
    }
    if (probe) return probe();
    return Application && Application->Active();
}

void SetForegroundTaskProbe(std::function<bool()> probe) {
    std::lock_guard<std::mutex> guard(probeLock);
    foregroundProbe = std::move(probe);
}

std::string FormatUiWindowsVersion(const TOSVersionInfo& info) {
    return FormatVersionInfo("Windows %s %d.%.2d.%.3d %s", info);
}
