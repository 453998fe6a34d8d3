#pragma once
// A page control: tabs along its top, one tab sheet showing at a time. A sheet joins the
// control through SetPageControl (or is created with it) and leaves it when it is freed;
// its Caption is the text of its tab. A sheet is filled with its Color; one whose controls
// reach past its visible area scrolls them.
#include "platform/framework/Controls.h"

#include <vector>

class TPageControl;

class TTabSheet : public TWinControl {
    VX_CLASS(TTabSheet, TWinControl)
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return pageControl_; }
    // Appends the sheet's tab to pageControl (nullptr: takes it off its control).
    void SetPageControl(TPageControl* pageControl);
    // Position of the tab, -1 when the sheet is on no page control.
    int PageIndex() const;

    QWidget* ClientWidget() const override;

protected:
    void TextChanged() override;
    void ColorChanged() override;

private:
    class Content;
    Content* content_;
    TPageControl* pageControl_ = nullptr;
};

class TPageControl : public TWinControl {
    VX_CLASS(TPageControl, TWinControl)
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    // The sheet showing; nullptr when there is none.
    TTabSheet* ActivePage() const;
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);

private:
    friend class TTabSheet;
    void insertPage(TTabSheet* page);
    void removePage(TTabSheet* page);

    std::vector<TTabSheet*> pages_;
};
