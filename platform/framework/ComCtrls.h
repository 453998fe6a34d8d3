#pragma once
// Track bars, up-down buttons and spin edits. A track bar's OnChange runs whenever its
// position changes (by the user or the program); positions are clamped to Min..Max. A
// vertical track bar has Min at the top, and the Up key and the wheel turned away move the
// thumb up; LineSize is the step of the arrow keys and of one wheel notch. Its ticks are
// drawn every Frequency positions, or every so many Frequency steps as keep them apart on a
// narrow bar with a wide range.
// An up-down attached to an edit (Associate) shows its position in the edit and reads
// the edit back when the user typed a number; when the user leaves the edit, it shows the
// position actually used (a number outside the range clamped, anything else the last one).
#include "platform/framework/Controls.h"
#include "platform/framework/StdCtrls.h"

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum TTickStyle { tsNone, tsAuto, tsManual };

class TTrackBar : public TWinControl {
    VX_CLASS(TTrackBar, TWinControl)
public:
    explicit TTrackBar(TComponent* owner);
    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    int Position() const { return position_; }
    void SetPosition(int value);
    int PageSize() const { return pageSize_; }
    void SetPageSize(int value);
    int LineSize() const { return lineSize_; }
    void SetLineSize(int value);
    int Frequency() const { return frequency_; }
    void SetFrequency(int value);
    TTrackBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TTrackBarOrientation orientation);
    TTickMark TickMarks() const { return tickMarks_; }
    void SetTickMarks(TTickMark marks);
    TTickStyle TickStyle() const { return tickStyle_; }
    void SetTickStyle(TTickStyle style);
    TNotifyEvent OnChange;

    void SetBounds(int left, int top, int width, int height) override;

protected:
    virtual void Changed();

private:
    void applyRange();
    void applyTicks();
    int sliderValue(int value) const;
    int min_ = 0;
    int max_ = 10;
    int position_ = 0;
    int pageSize_ = 2;
    int lineSize_ = 1;
    int frequency_ = 1;
    TTrackBarOrientation orientation_ = trHorizontal;
    TTickMark tickMarks_ = tmBottomRight;
    TTickStyle tickStyle_ = tsAuto;
};

enum TUDBtnType { btNext, btPrev };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;

class TUpDown : public TWinControl {
    VX_CLASS(TUpDown, TWinControl)
public:
    explicit TUpDown(TComponent* owner);
    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    // Read from the associated edit when its text is a number in range.
    int Position() const;
    void SetPosition(int value);
    int Increment() const { return increment_; }
    void SetIncrement(int value) { increment_ = value; }
    bool Wrap() const { return wrap_; }
    void SetWrap(bool wrap) { wrap_ = wrap; }
    TEdit* Associate() const { return associate_; }
    // Places the up-down at the right of the edit and shows the position in it.
    void SetAssociate(TEdit* edit);
    // One step up (btNext) or down (btPrev), as a click on the arrows does.
    void Step(TUDBtnType button);
    TUDClickEvent OnClick;
    TNotifyEvent OnChanging;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void showPosition();
    // The user left the edit: it shows the position the up-down uses.
    void showUsedPosition();
    int min_ = 0;
    int max_ = 100;
    mutable int position_ = 0;
    int increment_ = 1;
    bool wrap_ = false;
    TEdit* associate_ = nullptr;
};

class TSpinEdit : public TWinControl {
    VX_CLASS(TSpinEdit, TWinControl)
public:
    explicit TSpinEdit(TComponent* owner);
    int MinValue() const { return min_; }
    void SetMinValue(int value);
    int MaxValue() const { return max_; }
    void SetMaxValue(int value);
    int Value() const;
    void SetValue(int value);
    int Increment() const { return increment_; }
    void SetIncrement(int value);
    // Runs on every change of the value.
    TNotifyEvent OnChange;

private:
    int min_ = 0;
    int max_ = 100;
    int increment_ = 1;
};
