#pragma once
// User-interface utility routines of the toolkit: bitmaps and icons from resources,
// transparent and disabled drawing, the screen canvas, dialog units, windows, variants,
// messages, memory blocks, command lines, cursors, errors and the foreground test.
#include "platform/framework/Bitmap.h"
#include "platform/framework/Cursors.h"
#include "platform/framework/Dialogs.h"
#include "platform/framework/Forms.h"
#include "platform/framework/Icon.h"
#include "platform/framework/ImgList.h"
#include "platform/framework/Variants.h"
#include "toolkit/Winutils.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>

// A loaded library; the program's own resources answer to HInstance. Resources are
// registered for the whole program, so every module finds the same ones.
using HMODULE = void*;
constexpr HMODULE HInstance = nullptr;

enum TVertAlignment { vaTopJustify, vaCenter, vaBottomJustify };

// A canvas on the whole screen, drawing over every window (see TScreen::AttachCanvas).
class TScreenCanvas : public TCanvas {
    VX_CLASS(TScreenCanvas, TCanvas)
public:
    ~TScreenCanvas() override;
    // Shows what was drawn and lets the screen go.
    void FreeHandle();
    // Drawing at (0, 0) lands on the screen at (x, y).
    void SetOrigin(int x, int y);

protected:
    void CreateHandle() override;

private:
    POINT origin_;
    bool attached_ = false;
};

// Resources. A numeric identifier names the resource "#<id>".
[[noreturn]] void ResourceNotFound(const std::string& name);
[[noreturn]] void ResourceNotFound(int id);
std::string ResourceIdName(int id);
std::unique_ptr<TBitmap> MakeModuleBitmap(HMODULE module, const std::string& name);
std::unique_ptr<TBitmap> MakeBitmap(const std::string& name);
std::unique_ptr<TBitmap> MakeBitmapID(int id);
std::unique_ptr<TIcon> MakeModuleIcon(HMODULE module, const std::string& name);
std::unique_ptr<TIcon> MakeIcon(const std::string& name);
std::unique_ptr<TIcon> MakeIconID(int id);

// Bitmaps. A transparent colour of clDefault means the bitmap's bottom-left pixel; clNone
// draws every pixel.
// Cell index (row by row) of source cut into cols x rows equal cells, on silver.
void AssignBitmapCell(const TGraphic& source, TBitmap& dest, int cols, int rows, int index);
// srcRect of source stretched onto dstRect of dest without the pixels of transparentColor;
// with a palette, every colour is first taken to its nearest entry.
void StretchBltTransparent(TCanvas& dest, const RECT& dstRect, TCanvas& source, const RECT& srcRect,
                           const TNearestPalette* palette, TColor transparentColor);
void DrawTransparentBitmap(TCanvas& dest, TBitmap& bitmap, int x, int y, TColor transparentColor);
void StretchBitmapRectTransparent(TCanvas& dest, int x, int y, int width, int height, const RECT& rect,
                                  TBitmap& bitmap, TColor transparentColor);
void DrawBitmapRectTransparent(TCanvas& dest, int x, int y, const RECT& rect, TBitmap& bitmap,
                               TColor transparentColor);
void DrawBitmapTransparent(TCanvas& dest, int x, int y, TBitmap& bitmap, TColor transparentColor);
// A copy of bitmap with every pixel of color turned newColor.
std::unique_ptr<TBitmap> ChangeBitmapColor(const TBitmap& bitmap, TColor color, TColor newColor);
// The "disabled" look of a picture: its shape (every pixel not of outlineColor) in
// highlightColor one pixel down and right (when drawHighlight), then in shadowColor, on
// backColor.
std::unique_ptr<TBitmap> CreateDisabledBitmapEx(const TBitmap& original, TColor outlineColor,
                                                TColor backColor, TColor highlightColor, TColor shadowColor,
                                                bool drawHighlight);
// The same on button face with the button highlight and shadow.
std::unique_ptr<TBitmap> CreateDisabledBitmap(const TBitmap& original, TColor outlineColor);
// Picture index of images drawn that way at (x, y), with no background.
void ImageListDrawDisabled(const TCustomImageList& images, TCanvas& canvas, int x, int y, int index,
                           TColor highlightColor, TColor grayColor, bool drawHighlight);
// 8 x 8 of color1 with color2 where x and y are both even or both odd.
std::unique_ptr<TBitmap> CreateTwoColorsBrushPattern(TColor color1, TColor color2);

// Icons.
// The icon drawn on backColor, which becomes the bitmap's transparent colour.
std::unique_ptr<TBitmap> CreateBitmapFromIcon(const TIcon& icon, TColor backColor);
// An icon of the bitmap, its pixels of transparentColor (clDefault: the bitmap's own
// transparent colour) left clear.
std::unique_ptr<TIcon> CreateIconFromBitmap(const TBitmap& bitmap, TColor transparentColor);

// What lies beneath control (its parent and the controls below it) painted into canvas.
void CopyParentImage(TControl* control, TCanvas& dest);

// Dialog units: a quarter of the average character width, an eighth of its height.
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);
int PixelsToDialogUnitsX(int pixels);
int PixelsToDialogUnitsY(int pixels);

// System.
// Loads a library; raises EOSError with the loader's reason when it cannot.
HMODULE LoadDLL(const std::string& name);
// Loads the library and runs its "DllRegisterServer"; true when it has one that succeeded.
bool RegisterServer(const std::string& name);
void Beep();
// Says "Function not yet implemented" and raises the silent EAbort.
[[noreturn]] void NotImplemented();
// Handles the application's events for msecs milliseconds of the tick clock.
void Delay(long msecs);
TColor PaletteColor(TColor color);
int PaletteEntries(const std::vector<TPaletteEntry>& palette);
RECT ScreenWorkArea();

// Drawing.
// Inverts the rectangle between two screen points; a second call restores it.
void PaintInverseRect(const POINT& rectOrg, const POINT& rectEnd);
// Inverts a frame width pixels thick along the inside of rect on the screen.
void DrawInvertFrame(const RECT& screenRect, int width);
int WidthOf(const RECT& r);
int HeightOf(const RECT& r);
bool PointInRect(const POINT& p, const RECT& r);
// Whether p lies in the polygon of points[0..highIndex] filled by the winding rule (a
// pixel counts by its centre).
bool PointInPolyRgn(const POINT& p, const POINT* points, int highIndex);
// A 50 % checker of black over rect.
void ShadeRect(TCanvas& canvas, const RECT& rect);
// Text that no longer fits width: the first characters of text and "...".
std::string MinimizeText(const std::string& text, TCanvas& canvas, int maxWidth);
// The average width of the 52 letters and their height, in the canvas's font.
TSize GetAveCharSize(TCanvas& canvas);
// text in rect inset by dx and dy, on a transparent background.
void WriteText(TCanvas& canvas, const RECT& rect, int dx, int dy, const std::string& text,
               TAlignment alignment, bool wordWrap);
// Text and pictures in a cell of a control drawn on its canvas (2 pixels from the sides).
void DrawCellTextEx(TCustomControl* control, int col, int row, const std::string& text, const RECT& rect,
                    TAlignment alignment, TVertAlignment vertAlignment, bool wordWrap);
void DrawCellText(TCustomControl* control, int col, int row, const std::string& text, const RECT& rect,
                  TAlignment alignment, TVertAlignment vertAlignment);
void DrawCellText(TCustomControl* control, int col, int row, const std::string& text, const RECT& rect,
                  TAlignment alignment);
// graphic centred in the cell.
void DrawCellBitmap(TCustomControl* control, int col, int row, const TGraphic& graphic, const RECT& rect);

// The toolkit's own rotated font: the text's baseline turned by angle degrees, the
// characters' orientation left at 0, the font's own character set kept. (Winutils.h has
// the about dialog's form, which turns both and takes the default character set.)
namespace kxUiUtils {
HFONT CreateRotatedFont(const TFont& font, int angle);
} // namespace kxUiUtils

// Windows.
// A control centred in its parent's client area (never at a negative position); a form on
// the screen.
void CenterControl(TControl* control);
// A form centred on the screen, its size and order kept.
void CenterWindow(TForm* window);
// form becomes a borderless part of parent, aligned as given or at its own position.
void MergeForm(TWinControl* parent, TForm* form, TAlign align, bool show);
// The class name of a window's control (at most 255 characters).
std::string WindowClassName(const TWinControl* window);
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;
// Shows, hides, minimises, maximises or restores the form by a show command.
void ShowWinNoAnimate(TForm* window, int cmdShow);
// Brings the form to the front; with restore, a form that is not maximised is restored.
void SwitchToWindow(TForm* window, bool restore);
void ActivateWindow(TForm* window);

// Variants: Null for no values, the value itself for one, an array for more.
Variant MakeVariant(std::span<const Variant> values);
inline Variant MakeVariant(std::initializer_list<Variant> values) {
    return MakeVariant(std::span<const Variant>(values.begin(), values.size()));
}

// Messages.
int MsgBox(const std::string& caption, const std::string& text, unsigned flags);
TModalResult MsgDlg(const std::string& msg, TMsgDlgType type, const TMsgDlgButtons& buttons, int helpContext);

// Memory blocks: zero-filled, their size remembered.
void* AllocMemo(long size);
void* ReallocMemo(void* block, long size);
void FreeMemo(void*& block);
long GetMemoSize(const void* block);
bool CompareMem(const void* a, const void* b, int size);
void* HugeInc(void* p, long offset);
void* HugeDec(void* p, long offset);
void* HugeOffset(void* p, long offset);
// A copy that may overlap.
void HMemCpy(void* dest, const void* source, long size);
// Moves count 4-byte elements within one block, from index src to index dst.
void HugeMove(void* base, long dst, long src, long count);

// Strings.
// The variable's whole value; empty when it is not set.
std::string GetEnvVar(const std::string& name);
// The program of a command line, and its parameters joined by blanks (quoted when they
// hold one).
void SplitCommandLine(const std::string& cmdLine, std::string& execName, std::string& paramString);
std::string AnsiUpperFirstChar(const std::string& s);
std::unique_ptr<char[]> StrPAlloc(const std::string& s);
char* StringToPChar(std::string& s);
// The class name without its leading "T".
std::string DropT(const std::string& s);
std::string ResStr(const std::string& ident);

// Cursors.
// The animated cursor resource (RT_ANICURSOR) of that name; nullptr when there is none.
HCURSOR LoadAniCursor(HMODULE module, const std::string& name);
// Stores the cursor resource (or else the animated one) of that name under a free cursor
// number from 100 to 32767 and answers the number: the next free one after the number last
// handed out, from 100 again when the end is reached. Raises when there is none.
TCursor DefineCursor(HMODULE module, const std::string& name);
// The cursor StartWait shows (the hour-glass unless changed). GUI thread only.
extern TCursor WaitCursor;
// Shows the wait cursor; nested calls count, and the last StopWait restores the cursor
// the first StartWait found.
void StartWait();
void StopWait();

// Errors.
// Raises EOSError with the system's message for a non-zero error number.
void RaiseWin32Error(int errorCode);
// Raises the last system error (errno) when ok is false.
void CheckWin32(bool ok);

// True when the active window belongs to this program: the application is active, or
// what an installed probe answers instead.
bool IsForegroundTask();
// Installs a probe for IsForegroundTask to ask instead (an empty function removes it).
void SetForegroundTaskProbe(std::function<bool()> probe);

// "Windows %s %d.%.2d.%.3d %s" of platform name, major, minor, build (low 16 bits on
// platform 1) and service-pack text, trimmed: "Windows NT 5.01.2600 Service Pack 2".
// The live text is GetWindowsVersion (Winutils.h), the same for both forms.
std::string FormatUiWindowsVersion(const TOSVersionInfo& info);
