#pragma once
// The standard controls of the dialogs: labels, buttons, check boxes, radio buttons,
// edits, combo boxes and group boxes.
//
// Firing rules the program relies on: a check box's OnClick runs whenever its state
// changes, by the user or by the program; a radio button's OnClick runs whenever it
// becomes checked; a combo box's OnChange runs only when the user picks an item or
// edits the text, never when the program sets ItemIndex or the items; an edit's
// OnChange runs on every change of its text.
#include "platform/framework/Controls.h"
#include "platform/framework/Forms.h"
#include "platform/framework/StringList.h"

#include <memory>

// A label: a caption drawn on the parent, "&" marking its mnemonic.
class TCustomLabel : public TGraphicControl {
    VX_CLASS(TCustomLabel, TGraphicControl)
public:
    explicit TCustomLabel(TComponent* owner);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout layout);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool show);
    // The control the caption's accelerator focuses.
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* control);
    bool DialogChar(char key) override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    void Notification(TComponent* component, TOperation operation) override;
    void MouseEnter() override;
    void MouseLeave() override;
    // Fits the bounds to the caption while AutoSize is on (a right-aligned label keeps
    // its right edge).
    void AdjustBounds();
    unsigned TextFlags() const;

private:
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
    VX_CLASS(TLabel, TCustomLabel)
public:
    using TCustomLabel::TCustomLabel;
};

class TButton : public TWinControl {
    VX_CLASS(TButton, TWinControl)
public:
    explicit TButton(TComponent* owner);
    // Set on the parent form when the button is clicked (after OnClick).
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    // Enter clicks the default button of a form, Escape its cancel button.
    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    void Click() override;

protected:
    void TextChanged() override;

private:
    TModalResult modalResult_ = mrNone;
    bool default_ = false;
    bool cancel_ = false;
};

// The three states of a check box: off, on, and neither (a grey check).
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TWinControl {
    VX_CLASS(TCheckBox, TWinControl)
public:
    explicit TCheckBox(TComponent* owner);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);

protected:
    void TextChanged() override;

private:
    void userToggled(bool checked);
    bool checked_ = false;
    TAlignment alignment_ = taRightJustify;
};

// Radio buttons with the same parent form one group: checking one unchecks the others.
class TRadioButton : public TWinControl {
    VX_CLASS(TRadioButton, TWinControl)
public:
    explicit TRadioButton(TComponent* owner);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);

protected:
    void TextChanged() override;

private:
    void userClicked();
    bool checked_ = false;
};

class TEdit : public TWinControl {
    VX_CLASS(TEdit, TWinControl)
public:
    explicit TEdit(TComponent* owner);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int maxLength);
    void SelectAll();
    TNotifyEvent OnChange;

protected:
    void TextChanged() override;

private:
    friend class TUpDown;
    void userEdited();
    bool readOnly_ = false;
    int maxLength_ = 0;
    bool updatingWidget_ = false;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TComboBox : public TWinControl {
    VX_CLASS(TComboBox, TWinControl)
public:
    explicit TComboBox(TComponent* owner);
    ~TComboBox() override;
    // The items; each may carry an object (a code or a pointer the program stores).
    TStrings* Items() const;
    // -1: nothing selected.
    int ItemIndex() const;
    void SetItemIndex(int index);
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle style);
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int count);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    // The height of a row of the dropped-down list, in pixels (values below 1 are ignored).
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);
    TNotifyEvent OnChange;
    // Just before the list drops down.
    TNotifyEvent OnDropDown;

    class Strings; // the items, kept in the widget

protected:
    // Runs on user action; fires OnChange.
    virtual void Change();
    // Fires OnDropDown.
    virtual void DropDown();

private:
    std::unique_ptr<Strings> items_;
    TComboBoxStyle style_ = csDropDown;
    int dropDownCount_ = 8;
    int itemHeight_ = 16;
    bool sorted_ = false;
};

class TGroupBox : public TWinControl {
    VX_CLASS(TGroupBox, TWinControl)
public:
    explicit TGroupBox(TComponent* owner);

protected:
    void TextChanged() override;
};
