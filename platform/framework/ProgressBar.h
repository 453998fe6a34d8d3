#pragma once
// A progress bar: a bar filled from the left in proportion to Position within Min..Max,
// without text. Positions are clamped to the range.
#include "platform/framework/Controls.h"

class TProgressBar : public TWinControl {
    VX_CLASS(TProgressBar, TWinControl)
public:
    explicit TProgressBar(TComponent* owner);
    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    int Position() const { return position_; }
    void SetPosition(int value);

private:
    void apply();
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};
