#pragma once
// TSecretPanel: a bevelled panel that, while active, hides its child controls and scrolls
// a list of text lines through its client area, upwards like film credits or from right
// to left, beside an optional picture; at the end it stops (its children come back) or,
// when cycled, starts again. The text is drawn off screen at each tick of a timer, on the
// timer's own thread when AsyncDrawing is on, and the finished picture is handed to the
// GUI thread, which alone paints the panel.
#include "platform/framework/Bitmap.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/StringList.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class TKxTimer;

enum TScrollDirection { sdVertical, sdHorizontal };
enum TGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphTop, glGlyphBottom };
using TPanelDrawEvent = std::function<void(TObject* Sender, TCanvas& Canvas, const RECT& Rect)>;

class TSecretPanel : public TPanel {
    VX_CLASS(TSecretPanel, TPanel)
public:
    explicit TSecretPanel(TComponent* owner);
    ~TSecretPanel() override;

    bool Active() const { return active_; }
    void SetActive(bool active);
    void Play() { SetActive(true); }
    void Stop() { SetActive(false); }
    // The tick runs on the timer's own thread (true) or on the GUI thread.
    bool AsyncDrawing() const { return asyncDrawing_; }
    void SetAsyncDrawing(bool async);
    // How each line stands in the text area.
    TAlignment Alignment() const;
    void SetAlignment(TAlignment alignment);
    // After the last line has gone, start again instead of stopping.
    bool Cycled() const;
    void SetCycled(bool cycled);
    const TBitmap& Glyph() const { return glyph_; }
    void SetGlyph(const TBitmap* glyph);
    TGlyphLayout GlyphLayout() const { return glyphLayout_; }
    void SetGlyphLayout(TGlyphLayout layout);
    // Milliseconds between ticks; each tick scrolls one pixel.
    DWORD Interval() const;
    void SetInterval(DWORD interval);
    TStrings& Lines() { return lines_; }
    void SetLines(const TStrings& lines);
    TScrollDirection ScrollDirection() const;
    void SetScrollDirection(TScrollDirection direction);
    // Raised or lowered text draws a highlight copy one pixel off first.
    TBevelCut TextStyle() const;
    void SetTextStyle(TBevelCut style);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);

    void SetBounds(int left, int top, int width, int height) override;

    // With AsyncDrawing, OnPaintClient also paints the text area's background on the
    // timer's thread: it may draw on the canvas it is given and touch nothing else.
    TPanelDrawEvent OnPaintClient;
    TNotifyEvent OnStartPlay;
    TNotifyEvent OnStopPlay;

    // Pixels scrolled so far, the distance to the end, the height of one line and the
    // area the text runs in (for tests and drawing code).
    int ScrollCount() const;
    int MaxScroll() const;
    int LineHeight() const;
    RECT TextRect() const;

protected:
    void BeforeDestruction() override;
    // A hidden child that is freed is forgotten, so that stopping never shows it.
    void Notification(TComponent* component, TOperation operation) override;
    void Paint() override;
    void FontChanged() override;
    void ColorChanged() override;
    // Paints rect of canvas in the panel's colour, or as OnPaintClient says.
    virtual void PaintClient(TCanvas& canvas, const RECT& rect);
    virtual void StartPlay();
    virtual void StopPlay();

private:
    void activate();
    void deactivate();
    void tick();
    void rebuildLocked();
    void layoutLocked();
    void drawTextLocked();
    void showFrame();
    void changed();
    int inflateWidth() const;
    // Stores a setting the tick reads; true when it changed.
    template <class T> bool storeLocked(T& field, T value);

    bool active_ = false;
    bool asyncDrawing_ = true;
    TStringList lines_;
    TBitmap glyph_;
    TGlyphLayout glyphLayout_ = glGlyphLeft;
    int borderWidth_ = 0;
    TKxTimer* timer_ = nullptr; // owned by the panel
    std::vector<TControl*> hiddenControls_;

    // What the tick reads, a copy of the GUI thread's state, and the pictures it draws.
    mutable std::mutex drawLock_; // guards every field below
    TAlignment alignment_ = taCenter;
    bool cycled_ = false;
    TScrollDirection scrollDirection_ = sdVertical;
    TBevelCut textStyle_ = bvNone;
    std::vector<std::string> drawLines_;
    TFont drawFont_;
    TColor drawColor_ = clBtnFace;
    int scrollCount_ = 0;
    int maxScroll_ = 0;
    int lineHeight_ = 1;
    int firstLine_ = 0;
    RECT textRect_{};
    RECT paintRect_{};
    POINT glyphOrigin_{};
    std::unique_ptr<TBitmap> memoryImage_; // exists only while active
    std::unique_ptr<TBitmap> shownImage_;  // the last finished picture, painted by Paint

    // Set while a repaint of the text is on its way to the GUI thread.
    std::atomic<bool> repaintPending_{false};
    // Lives as long as the panel: a repaint handed over after the panel is gone finds it
    // expired.
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};
