// The published properties of the framework's own classes: what a form description sets
// and what settings storage may save and restore.
#include "platform/framework/Collections.h"
#include "platform/framework/ComCtrls.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/Forms.h"
#include "platform/framework/ImgList.h"
#include "platform/framework/ListBox.h"
#include "platform/framework/Menus.h"
#include "platform/framework/PageControl.h"
#include "platform/framework/PopupMenu.h"
#include "platform/framework/ProgressBar.h"
#include "platform/framework/Published.h"
#include "platform/framework/StdCtrls.h"
#include "platform/framework/Timer.h"

namespace {

const TTypeInfo& colorType() {
    return IntegerType("TColor");
}

const TTypeInfo& alignmentType() {
    return EnumerationType("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
}

const TTypeInfo& bevelType() {
    return EnumerationType("TBevelCut", {"bvNone", "bvLowered", "bvRaised"});
}

const TTypeInfo& notifyEvent() {
    return MethodType("TNotifyEvent");
}

void registerBases() {
    RegisterPublishedClass("TObject", "", {});
    RegisterPublishedClass("TPersistent", "TObject", {});
    RegisterPublishedClass("TCollection", "TPersistent", {});
    RegisterPublishedClass("TOwnedCollection", "TCollection", {});
    RegisterPublishedClass("TCollectionItem", "TPersistent", {});
    RegisterPublishedClass("TStrings", "TObject", {});
    RegisterPublishedClass("TStringList", "TStrings", {});
    RegisterPublishedClass("TGraphic", "TObject", {});
    RegisterPublishedClass("TBitmap", "TGraphic", {});
    RegisterPublishedClass("TSizeConstraints", "TPersistent",
                           {
                               Property("MaxHeight", TypeInteger(), &TSizeConstraints::MaxHeight,
                                        &TSizeConstraints::SetMaxHeight, 0),
                               Property("MaxWidth", TypeInteger(), &TSizeConstraints::MaxWidth,
                                        &TSizeConstraints::SetMaxWidth, 0),
                               Property("MinHeight", TypeInteger(), &TSizeConstraints::MinHeight,
                                        &TSizeConstraints::SetMinHeight, 0),
                               Property("MinWidth", TypeInteger(), &TSizeConstraints::MinWidth,
                                        &TSizeConstraints::SetMinWidth, 0),
                           });
    RegisterPublishedClass("TComponent", "TObject",
                           {
                               Property("Name", TypeString(), &TComponent::Name, &TComponent::SetName),
                               Property("Tag", TypeInteger(), &TComponent::Tag, &TComponent::SetTag, 0),
                           });
    const TTypeInfo& fontStyle =
        EnumerationType("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    RegisterPublishedClass(
        "TFont", "TObject",
        {
            Property("Color", colorType(), &TFont::Color, &TFont::SetColor),
            Property("Height", TypeInteger(), &TFont::Height, &TFont::SetHeight),
            Property("Name", TypeString(), &TFont::Name, &TFont::SetName),
            Property("Quality",
                     EnumerationType("TFontQuality", {"fqDefault", "fqNonAntialiased", "fqAntialiased"}),
                     &TFont::Quality, &TFont::SetQuality, fqDefault),
            Property("Size", TypeInteger(), &TFont::Size, &TFont::SetSize),
            Property("Style", SetType("TFontStyles", fontStyle), &TFont::Style, &TFont::SetStyle, 0),
        });
}

void registerControls() {
    const TTypeInfo& anchorKind = EnumerationType("TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"});
    RegisterPublishedClass(
        "TControl", "TComponent",
        {
            Property("Left", TypeInteger(), &TControl::Left, &TControl::SetLeft),
            Property("Top", TypeInteger(), &TControl::Top, &TControl::SetTop),
            Property("Width", TypeInteger(), &TControl::Width, &TControl::SetWidth),
            Property("Height", TypeInteger(), &TControl::Height, &TControl::SetHeight),
            Property(
                "Align",
                EnumerationType("TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}),
                &TControl::Align, &TControl::SetAlign, alNone),
            Property("Anchors", SetType("TAnchors", anchorKind), &TControl::Anchors, &TControl::SetAnchors,
                     akLeft | akTop),
            StoredWhen<TControl>(Property("Color", colorType(), &TControl::Color, &TControl::SetColor),
                                 [](TControl& control) { return !control.ParentColor(); }),
            Property("ParentColor", TypeBoolean(), &TControl::ParentColor, &TControl::SetParentColor, true),
            SubObjectProperty("Constraints", ClassType("TSizeConstraints"), &TControl::Constraints),
            Property("Cursor", IntegerType("TCursor"), &TControl::Cursor, &TControl::SetCursor, crDefault),
            Property("Enabled", TypeBoolean(), &TControl::Enabled, &TControl::SetEnabled, true),
            StoredWhen<TControl>(SubObjectProperty("Font", ClassType("TFont"), &TControl::Font),
                                 [](TControl& control) { return !control.ParentFont(); }),
            Property("Hint", TypeString(), &TControl::Hint, &TControl::SetHint),
            Property("ParentFont", TypeBoolean(), &TControl::ParentFont, &TControl::SetParentFont, true),
            Property("PopupMenu", ClassType("TPopupMenu"), &TControl::PopupMenu, &TControl::SetPopupMenu),
            StoredWhen<TControl>(
                Property("ShowHint", TypeBoolean(), &TControl::ShowHint, &TControl::SetShowHint, false),
                [](TControl& control) { return !control.ParentShowHint(); }),
            Property("ParentShowHint", TypeBoolean(), &TControl::ParentShowHint, &TControl::SetParentShowHint,
                     true),
            Property("Visible", TypeBoolean(), &TControl::Visible, &TControl::SetVisible, true),
            EventProperty("OnClick", notifyEvent(), &TControl::OnClick),
            EventProperty("OnContextPopup", MethodType("TContextPopupEvent"), &TControl::OnContextPopup),
            EventProperty("OnDblClick", notifyEvent(), &TControl::OnDblClick),
            EventProperty("OnMouseDown", MethodType("TMouseEvent"), &TControl::OnMouseDown),
            EventProperty("OnMouseMove", MethodType("TMouseMoveEvent"), &TControl::OnMouseMove),
            EventProperty("OnMouseUp", MethodType("TMouseEvent"), &TControl::OnMouseUp),
            EventProperty("OnMouseWheel", MethodType("TMouseWheelEvent"), &TControl::OnMouseWheel),
            EventProperty("OnMouseWheelDown", MethodType("TMouseWheelUpDownEvent"),
                          &TControl::OnMouseWheelDown),
            EventProperty("OnMouseWheelUp", MethodType("TMouseWheelUpDownEvent"), &TControl::OnMouseWheelUp),
            EventProperty("OnResize", notifyEvent(), &TControl::OnResize),
        });
    RegisterPublishedClass(
        "TWinControl", "TControl",
        {
            StoredWhen<TWinControl>(
                Property("Ctl3D", TypeBoolean(), &TWinControl::Ctl3D, &TWinControl::SetCtl3D, true),
                [](TWinControl& control) { return !control.ParentCtl3D(); }),
            Property("ParentCtl3D", TypeBoolean(), &TWinControl::ParentCtl3D, &TWinControl::SetParentCtl3D,
                     true),
            Property("TabOrder", IntegerType("TTabOrder"), &TWinControl::TabOrder, &TWinControl::SetTabOrder,
                     -1),
            Property("TabStop", TypeBoolean(), &TWinControl::TabStop, &TWinControl::SetTabStop, false),
            EventProperty("OnEnter", notifyEvent(), &TWinControl::OnEnter),
            EventProperty("OnExit", notifyEvent(), &TWinControl::OnExit),
            EventProperty("OnKeyDown", MethodType("TKeyEvent"), &TWinControl::OnKeyDown),
            EventProperty("OnKeyPress", MethodType("TKeyPressEvent"), &TWinControl::OnKeyPress),
            EventProperty("OnKeyUp", MethodType("TKeyEvent"), &TWinControl::OnKeyUp),
        });
    RegisterPublishedClass("TGraphicControl", "TControl", {});
    RegisterPublishedClass("TCustomControl", "TWinControl", {});
}

void registerStandardControls() {
    RegisterPublishedClass(
        "TCustomLabel", "TGraphicControl",
        {
            Property("Alignment", alignmentType(), &TCustomLabel::Alignment, &TCustomLabel::SetAlignment,
                     taLeftJustify),
            Property("AutoSize", TypeBoolean(), &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize, true),
            Property("FocusControl", ClassType("TWinControl"), &TCustomLabel::FocusControl,
                     &TCustomLabel::SetFocusControl),
            Property("Layout", EnumerationType("TTextLayout", {"tlTop", "tlCenter", "tlBottom"}),
                     &TCustomLabel::Layout, &TCustomLabel::SetLayout, tlTop),
            Property("ShowAccelChar", TypeBoolean(), &TCustomLabel::ShowAccelChar,
                     &TCustomLabel::SetShowAccelChar, true),
            Property("Transparent", TypeBoolean(), &TCustomLabel::Transparent, &TCustomLabel::SetTransparent,
                     false),
            Property("WordWrap", TypeBoolean(), &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap, false),
            EventProperty("OnMouseEnter", notifyEvent(), &TCustomLabel::OnMouseEnter),
            EventProperty("OnMouseLeave", notifyEvent(), &TCustomLabel::OnMouseLeave),
        });
    // A label's caption is its own: a label that shows a text of its own making keeps it
    // out of the published ones.
    RegisterPublishedClass("TLabel", "TCustomLabel",
                           {Property("Caption", TypeString(), &TControl::Caption, &TControl::SetCaption)});
    RegisterPublishedClass(
        "TButton", "TWinControl",
        {
            Property("Cancel", TypeBoolean(), &TButton::Cancel, &TButton::SetCancel, false),
            Property("Caption", TypeString(), &TControl::Caption, &TControl::SetCaption),
            Property("Default", TypeBoolean(), &TButton::Default, &TButton::SetDefault, false),
            Property("ModalResult", IntegerType("TModalResult"), &TButton::ModalResult,
                     &TButton::SetModalResult, mrNone),
        });
    RegisterPublishedClass(
        "TCheckBox", "TWinControl",
        {
            Property("Alignment", alignmentType(), &TCheckBox::Alignment, &TCheckBox::SetAlignment,
                     taRightJustify),
            Property("Caption", TypeString(), &TControl::Caption, &TControl::SetCaption),
            Property("Checked", TypeBoolean(), &TCheckBox::Checked, &TCheckBox::SetChecked, false),
        });
    RegisterPublishedClass(
        "TRadioButton", "TWinControl",
        {
            Property("Caption", TypeString(), &TControl::Caption, &TControl::SetCaption),
            Property("Checked", TypeBoolean(), &TRadioButton::Checked, &TRadioButton::SetChecked, false),
        });
    RegisterPublishedClass(
        "TEdit", "TWinControl",
        {
            Property("MaxLength", TypeInteger(), &TEdit::MaxLength, &TEdit::SetMaxLength, 0),
            Property("ReadOnly", TypeBoolean(), &TEdit::ReadOnly, &TEdit::SetReadOnly, false),
            Property("Text", TypeString(), &TControl::Text, &TControl::SetText),
            EventProperty("OnChange", notifyEvent(), &TEdit::OnChange),
        });
    RegisterPublishedClass(
        "TComboBox", "TWinControl",
        {
            Property("DropDownCount", TypeInteger(), &TComboBox::DropDownCount, &TComboBox::SetDropDownCount,
                     8),
            Property("ItemHeight", TypeInteger(), &TComboBox::ItemHeight, &TComboBox::SetItemHeight),
            AssignedProperty("Items", ClassType("TStrings"), &TComboBox::Items),
            Property("ItemIndex", TypeInteger(), &TComboBox::ItemIndex, &TComboBox::SetItemIndex),
            Property("Sorted", TypeBoolean(), &TComboBox::Sorted, &TComboBox::SetSorted, false),
            Property("Style", EnumerationType("TComboBoxStyle", {"csDropDown", "csSimple", "csDropDownList"}),
                     &TComboBox::Style, &TComboBox::SetStyle, csDropDown),
            Property("Text", TypeString(), &TControl::Text, &TControl::SetText),
            EventProperty("OnChange", notifyEvent(), &TComboBox::OnChange),
            EventProperty("OnDropDown", notifyEvent(), &TComboBox::OnDropDown),
        });
    RegisterPublishedClass("TGroupBox", "TWinControl",
                           {Property("Caption", TypeString(), &TControl::Caption, &TControl::SetCaption)});
}

void registerExtraControls() {
    RegisterPublishedClass(
        "TPanel", "TCustomControl",
        {
            Property("Alignment", alignmentType(), &TPanel::Alignment, &TPanel::SetAlignment, taCenter),
            Property("BevelInner", bevelType(), &TPanel::BevelInner, &TPanel::SetBevelInner, bvNone),
            Property("BevelOuter", bevelType(), &TPanel::BevelOuter, &TPanel::SetBevelOuter, bvRaised),
            Property("BevelWidth", TypeInteger(), &TPanel::BevelWidth, &TPanel::SetBevelWidth, 1),
            Property("Caption", TypeString(), &TControl::Caption, &TControl::SetCaption),
        });
    RegisterPublishedClass(
        "TImage", "TGraphicControl",
        {
            Property("Center", TypeBoolean(), &TImage::Center, &TImage::SetCenter, false),
            Property("Proportional", TypeBoolean(), &TImage::Proportional, &TImage::SetProportional, false),
            Property("Stretch", TypeBoolean(), &TImage::Stretch, &TImage::SetStretch, false),
        });
    RegisterPublishedClass(
        "TTrackBar", "TWinControl",
        {
            Property("Frequency", TypeInteger(), &TTrackBar::Frequency, &TTrackBar::SetFrequency, 1),
            Property("Max", TypeInteger(), &TTrackBar::Max, &TTrackBar::SetMax, 10),
            Property("Min", TypeInteger(), &TTrackBar::Min, &TTrackBar::SetMin, 0),
            Property("Orientation", EnumerationType("TTrackBarOrientation", {"trHorizontal", "trVertical"}),
                     &TTrackBar::Orientation, &TTrackBar::SetOrientation, trHorizontal),
            Property("PageSize", TypeInteger(), &TTrackBar::PageSize, &TTrackBar::SetPageSize, 2),
            Property("Position", TypeInteger(), &TTrackBar::Position, &TTrackBar::SetPosition, 0),
            Property("TickMarks", EnumerationType("TTickMark", {"tmBottomRight", "tmTopLeft", "tmBoth"}),
                     &TTrackBar::TickMarks, &TTrackBar::SetTickMarks, tmBottomRight),
            Property("TickStyle", EnumerationType("TTickStyle", {"tsNone", "tsAuto", "tsManual"}),
                     &TTrackBar::TickStyle, &TTrackBar::SetTickStyle, tsAuto),
            EventProperty("OnChange", notifyEvent(), &TTrackBar::OnChange),
        });
    RegisterPublishedClass(
        "TUpDown", "TWinControl",
        {
            Property("Associate", ClassType("TEdit"), &TUpDown::Associate, &TUpDown::SetAssociate),
            Property("Increment", TypeInteger(), &TUpDown::Increment, &TUpDown::SetIncrement, 1),
            Property("Max", TypeInteger(), &TUpDown::Max, &TUpDown::SetMax, 100),
            Property("Min", TypeInteger(), &TUpDown::Min, &TUpDown::SetMin, 0),
            Property("Position", TypeInteger(), &TUpDown::Position, &TUpDown::SetPosition, 0),
            Property("Wrap", TypeBoolean(), &TUpDown::Wrap, &TUpDown::SetWrap, false),
            EventProperty("OnChanging", notifyEvent(), &TUpDown::OnChanging),
            EventProperty("OnClick", MethodType("TUDClickEvent"), &TUpDown::OnClick),
        });
    RegisterPublishedClass(
        "TProgressBar", "TWinControl",
        {
            Property("Max", TypeInteger(), &TProgressBar::Max, &TProgressBar::SetMax, 100),
            Property("Min", TypeInteger(), &TProgressBar::Min, &TProgressBar::SetMin, 0),
            Property("Position", TypeInteger(), &TProgressBar::Position, &TProgressBar::SetPosition, 0),
        });
    RegisterPublishedClass(
        "TSpinEdit", "TWinControl",
        {
            Property("Increment", TypeInteger(), &TSpinEdit::Increment, &TSpinEdit::SetIncrement, 1),
            Property("MaxValue", TypeInteger(), &TSpinEdit::MaxValue, &TSpinEdit::SetMaxValue, 100),
            Property("MinValue", TypeInteger(), &TSpinEdit::MinValue, &TSpinEdit::SetMinValue, 0),
            Property("Value", TypeInteger(), &TSpinEdit::Value, &TSpinEdit::SetValue),
            EventProperty("OnChange", notifyEvent(), &TSpinEdit::OnChange),
        });
}

void registerListBoxes() {
    RegisterPublishedClass(
        "TCustomListBox", "TWinControl",
        {
            Property("BorderStyle", EnumerationType("TBorderStyle", {"bsNone", "bsSingle"}),
                     &TCustomListBox::BorderStyle, &TCustomListBox::SetBorderStyle, bsSingle),
            Property("Columns", TypeInteger(), &TCustomListBox::Columns, &TCustomListBox::SetColumns, 0),
            Property("ExtendedSelect", TypeBoolean(), &TCustomListBox::ExtendedSelect,
                     &TCustomListBox::SetExtendedSelect, true),
            Property("IntegralHeight", TypeBoolean(), &TCustomListBox::IntegralHeight,
                     &TCustomListBox::SetIntegralHeight, false),
            Property("ItemHeight", TypeInteger(), &TCustomListBox::ItemHeight,
                     &TCustomListBox::SetItemHeight),
            AssignedProperty("Items", ClassType("TStrings"), &TCustomListBox::Items),
            Property("MultiSelect", TypeBoolean(), &TCustomListBox::MultiSelect,
                     &TCustomListBox::SetMultiSelect, false),
            Property("Sorted", TypeBoolean(), &TCustomListBox::Sorted, &TCustomListBox::SetSorted, false),
            Property(
                "Style",
                EnumerationType("TListBoxStyle", {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"}),
                &TCustomListBox::Style, &TCustomListBox::SetStyle, lbStandard),
            Property("TabWidth", TypeInteger(), &TCustomListBox::TabWidth, &TCustomListBox::SetTabWidth, 0),
            EventProperty("OnDrawItem", MethodType("TDrawItemEvent"), &TCustomListBox::OnDrawItem),
            EventProperty("OnMeasureItem", MethodType("TMeasureItemEvent"), &TCustomListBox::OnMeasureItem),
        });
    RegisterPublishedClass("TListBox", "TCustomListBox", {});
}

void registerCommonControls() {
    RegisterPublishedClass(
        "TProgressBar", "TWinControl",
        {
            Property("Max", TypeInteger(), &TProgressBar::Max, &TProgressBar::SetMax, 100),
            Property("Min", TypeInteger(), &TProgressBar::Min, &TProgressBar::SetMin, 0),
            Property("Position", TypeInteger(), &TProgressBar::Position, &TProgressBar::SetPosition, 0),
        });
    RegisterPublishedClass("TTabSheet", "TWinControl",
                           {
                               Property("Caption", TypeString(), &TControl::Caption, &TControl::SetCaption),
                               Property("PageControl", ClassType("TPageControl"), &TTabSheet::PageControl,
                                        &TTabSheet::SetPageControl),
                           });
    RegisterPublishedClass("TPageControl", "TWinControl",
                           {Property("ActivePage", ClassType("TTabSheet"), &TPageControl::ActivePage,
                                     &TPageControl::SetActivePage)});
}

void registerForms() {
    RegisterPublishedClass(
        "TForm", "TWinControl",
        {
            Property("ActiveControl", ClassType("TWinControl"), &TForm::ActiveControl,
                     &TForm::SetActiveControl),
            Property("BorderIcons",
                     SetType("TBorderIcons", EnumerationType("TBorderIcon", {"biSystemMenu", "biMinimize",
                                                                             "biMaximize", "biHelp"})),
                     &TForm::BorderIcons, &TForm::SetBorderIcons, biSystemMenu | biMinimize | biMaximize),
            Property("BorderStyle",
                     EnumerationType("TFormBorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog",
                                                          "bsToolWindow", "bsSizeToolWin"}),
                     &TForm::BorderStyle, &TForm::SetBorderStyle, bsSizeable),
            Property("Caption", TypeString(), &TControl::Caption, &TControl::SetCaption),
            Property("ClientHeight", TypeInteger(), &TForm::ClientHeight, &TForm::SetClientHeight),
            Property("ClientWidth", TypeInteger(), &TForm::ClientWidth, &TForm::SetClientWidth),
            Property("FormStyle", EnumerationType("TFormStyle", {"fsNormal", "fsStayOnTop"}),
                     &TForm::FormStyle, &TForm::SetFormStyle, fsNormal),
            Property("Menu", ClassType("TMainMenu"), &TForm::Menu, &TForm::SetMenu),
            Property("Position",
                     EnumerationType("TPosition", {"poDesigned", "poDefault", "poScreenCenter",
                                                   "poDesktopCenter", "poMainFormCenter"}),
                     &TForm::Position, &TForm::SetPosition, poDesigned),
            Property("WindowState",
                     EnumerationType("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"}),
                     &TForm::WindowState, &TForm::SetWindowState, wsNormal),
            EventProperty("OnActivate", notifyEvent(), &TForm::OnActivate),
            EventProperty("OnClose", MethodType("TCloseEvent"), &TForm::OnClose),
            EventProperty("OnCloseQuery", MethodType("TCloseQueryEvent"), &TForm::OnCloseQuery),
            EventProperty("OnCreate", notifyEvent(), &TForm::OnCreate),
            EventProperty("OnDeactivate", notifyEvent(), &TForm::OnDeactivate),
            EventProperty("OnDestroy", notifyEvent(), &TForm::OnDestroy),
            EventProperty("OnHide", notifyEvent(), &TForm::OnHide),
            EventProperty("OnPaint", notifyEvent(), &TForm::OnPaint),
            EventProperty("OnShow", notifyEvent(), &TForm::OnShow),
        });
}

void registerComponents() {
    const TTypeInfo& shortCut = IntegerType("TShortCut");
    RegisterPublishedClass(
        "TMenuItem", "TComponent",
        {
            Property("Caption", TypeString(), &TMenuItem::Caption, &TMenuItem::SetCaption),
            Property("Checked", TypeBoolean(), &TMenuItem::Checked, &TMenuItem::SetChecked, false),
            Property("Enabled", TypeBoolean(), &TMenuItem::Enabled, &TMenuItem::SetEnabled, true),
            Property("ShortCut", shortCut, &TMenuItem::ShortCut, &TMenuItem::SetShortCut, 0),
            Property("Visible", TypeBoolean(), &TMenuItem::Visible, &TMenuItem::SetVisible, true),
            EventProperty("OnClick", notifyEvent(), &TMenuItem::OnClick),
        });
    RegisterPublishedClass("TMainMenu", "TComponent", {});
    RegisterPublishedClass(
        "TPopupMenu", "TComponent",
        {
            Property("Alignment", EnumerationType("TPopupAlignment", {"paLeft", "paRight", "paCenter"}),
                     &TPopupMenu::Alignment, &TPopupMenu::SetAlignment, paLeft),
            Property("AutoPopup", TypeBoolean(), &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup, true),
            EventProperty("OnPopup", notifyEvent(), &TPopupMenu::OnPopup),
        });
    RegisterPublishedClass(
        "TTimer", "TComponent",
        {
            Property("Enabled", TypeBoolean(), &TTimer::Enabled, &TTimer::SetEnabled, true),
            Property("Interval", IntegerType("Cardinal"), &TTimer::Interval, &TTimer::SetInterval, 1000),
            EventProperty("OnTimer", notifyEvent(), &TTimer::OnTimer),
        });
    RegisterPublishedClass(
        "TCustomImageList", "TComponent",
        {
            Property("Height", TypeInteger(), &TCustomImageList::Height, &TCustomImageList::SetHeight, 16),
            Property("Width", TypeInteger(), &TCustomImageList::Width, &TCustomImageList::SetWidth, 16),
        });
    RegisterPublishedClass("TImageList", "TCustomImageList", {});
}

} // namespace

void RegisterFrameworkClasses() {
    registerBases();
    registerControls();
    registerStandardControls();
    registerExtraControls();
    registerListBoxes();
    registerCommonControls();
    registerForms();
    registerComponents();
}
