// The toolkit's components publish their settings: property storage and form descriptions
// can read and write them by name, as the components' descriptions list them.
#include "platform/framework/Published.h"
#include "tests/toolkit/ListBoxTestSupport.h"
#include "toolkit/KXCtrls.h"
#include "toolkit/KxCheckListBox.h"
#include "toolkit/KxHook.h"
#include "toolkit/KxSpeedButton.h"
#include "toolkit/KxTimer.h"
#include "toolkit/Placemnt.h"
#include "toolkit/SecretPanel.h"
#include "toolkit/WebLabel.h"
#include "toolkit/WinVerLb.h"

#include <sstream>

using namespace listbox_test;

using ControlsPublished = FormFixture;

namespace {

// A component's published names as its description lists them: each name with its kind
// (b Boolean, e enumeration, i integer, t set, s string, o object, v variant, m event) and,
// after "=", the default a form description leaves out; "?ParentX" marks a value stored
// only while it is not taken from the parent. The names the descriptions give that nothing
// here has (dragging, docking, right-to-left reading, input-method settings, a panel's
// window border) are published by none.
struct PartList {
    std::string className;
    std::function<TObject*(TForm*)> make;
    std::string published;
    std::string absent;
};

template <class T> TObject* made(TForm* form) {
    return new T(form);
}

const std::string events = "OnClick:m OnDblClick:m OnMouseDown:m OnMouseMove:m OnMouseUp:m OnContextPopup:m ";
const std::string label =
    events +
    "Align:e=alNone Alignment:e=taLeftJustify Anchors:t=[akLeft,akTop] AutoSize:b=True Color:i?ParentColor "
    "Constraints:o Enabled:b=True FocusControl:o Font:o?ParentFont Layout:e=tlTop ParentColor:b=True "
    "ParentFont:b=True ParentShowHint:b=True PopupMenu:o ShowAccelChar:b=True ShowHint:b?ParentShowHint "
    "Transparent:b=False Visible:b=True WordWrap:b=False OnMouseEnter:m OnMouseLeave:m ";
const std::string listBox =
    events +
    "Align:e Color:i Ctl3D:b?ParentCtl3D Enabled:b Font:o Anchors:t Constraints:o ParentCtl3D:b ParentFont:b "
    "ParentShowHint:b PopupMenu:o ShowHint:b TabOrder:i Visible:b OnEnter:m OnExit:m OnKeyDown:m "
    "OnKeyPress:m OnKeyUp:m ParentColor:b=False BorderStyle:e=bsSingle ExtendedSelect:b=True "
    "IntegralHeight:b=False MultiSelect:b=False Sorted:b=False TabWidth:i=0 ";
const std::string noDragging =
    "DragCursor DragKind DragMode BiDiMode ParentBiDiMode OnDragDrop OnDragOver OnEndDrag OnStartDrag "
    "OnEndDock OnStartDock ";
const std::string panel =
    events +
    "AsyncDrawing:b=True Active:b=False Alignment:e=taCenter Cycled:b=False Glyph:o "
    "GlyphLayout:e=glGlyphLeft Interval:i=30 Lines:o ScrollDirection:e=sdVertical TextStyle:e=bvNone "
    "OnPaintClient:m OnStartPlay:m OnStopPlay:m BevelInner:e=bvNone BevelOuter:e=bvLowered BevelWidth:i=1 "
    "BorderWidth:i=0 ParentColor:b=False TabStop:b=False TabOrder:i=-1 Visible:b=True ParentCtl3D:b=True "
    "ParentFont:b=True ParentShowHint:b=True Align:e=alNone Anchors:t=[akLeft,akTop] Constraints:o Color:i "
    "Ctl3D:b Font:o PopupMenu:o ShowHint:b OnEnter:m OnExit:m OnResize:m";
const std::string speedButton =
    events +
    "Action:o Alignment:e=taCenter AllowAllUp:b=False AllowTimer:b=False GroupIndex:i=0 Down:b=False "
    "DropDownMenu:o MenuPosition:e=dmpBottom Caption:s Enabled:b=True Flat:b=False Glyph:o "
    "GrayedInactive:b=True InitPause:i=500 Layout:e=blGlyphTop Margin:i=-1 MarkDropDown:b=True "
    "ModalResult:i=0 NumGlyphs:i=1 ParentFont:b=True RepeatInterval:i=100 Spacing:i=1 Style:e=bsAutoDetect "
    "Transparent:b=False WordWrap:b=False Visible:b=True OnMouseEnter:m OnMouseLeave:m "
    "Anchors:t=[akLeft,akTop] Constraints:o Font:o ParentShowHint:b=False ShowHint:b=True";
const std::string checkList =
    listBox +
    "AllowGrayed:b=False CheckKind:e=ckCheckBoxes CheckedIndex:i=-1 IniStorage:o OnStateChange:m "
    "OnClickCheck:m AutoScroll:b=True Columns:i=0 GraySelection:b=False ItemHeight:i Items:o "
    "Style:e=lbStandard OnDrawItem:m OnGetItemWidth:m OnMeasureItem:m OnMouseWheel:m OnMouseWheelDown:m "
    "OnMouseWheelUp:m";
const std::string timer =
    "Enabled:b=True Interval:i=1000 SyncEvent:b=True Threaded:b=True ThreadPriority:e=tpNormal OnTimer:m";
const std::string placement =
    "Active:b=True IniFileName:s IniSection:s MinMaxInfo:o Options:t=[fpState,fpPosition] "
    "PreventResize:b=False RegistryRoot:e=prCurrentUser UseRegistry:b=False Version:i=0 OnSavePlacement:m "
    "OnRestorePlacement:m";
const std::string minMax =
    "MaxPosLeft:i=0 MaxPosTop:i=0 MaxSizeHeight:i=0 MaxSizeWidth:i=0 MaxTrackHeight:i=0 MaxTrackWidth:i=0 "
    "MinTrackHeight:i=0 MinTrackWidth:i=0";
const std::string kxLabel = label + "Caption:s ShadowColor:i=" + std::to_string(clBtnHighlight) +
                            " ShadowSize:i=1 ShadowPos:e=spLeftTop ShowFocus:b=False";

const std::vector<PartList>& partLists() {
    static const std::vector<PartList> lists = {
        {"TKxLabel", made<TKxLabel>, kxLabel, noDragging},
        {"TWebLabel", made<TWebLabel>, label + "Caption:s File:s", noDragging},
        {"TWinVerLabel", made<TWinVerLabel>, label, noDragging + "Caption"},
        {"TSecretPanel", made<TSecretPanel>, panel, noDragging + "BorderStyle"},
        {"TKxSpeedButton", made<TKxSpeedButton>, speedButton, noDragging},
        {"TKxCheckListBox", made<TKxCheckListBox>, checkList, noDragging + "ImeMode ImeName"},
        {"TTextListBox", made<TTextListBox>, listBox + "TabStop:b=True", noDragging + "ImeMode ImeName"},
        {"TKxTimer", made<TKxTimer>, timer, ""},
        {"TKxWindowHook", made<TKxWindowHook>, "Active:b=True WinControl:o BeforeMessage:m AfterMessage:m",
         ""},
        {"TFormPlacement", made<TFormPlacement>, placement, ""},
        {"TFormStorage", made<TFormStorage>, "StoredProps:o StoredValues:o Active:b=True Version:i=0", ""},
        {"TWinMinMaxInfo", [](TForm* f) -> TObject* { return &(new TFormPlacement(f))->MinMaxInfo(); },
         minMax, ""},
        {"TStoredValue", [](TForm* f) -> TObject* { return (new TFormStorage(f))->StoredValues()->Add(); },
         "Name:s Value:v KeyString:s OnSave:m OnRestore:m", ""},
    };
    return lists;
}

char kindLetter(const TPropInfo& prop) {
    return prop.PropType == &TypeBoolean() ? 'b' : "?icefstom?ssv"[std::min<int>(prop.Kind(), tkVariant)];
}

std::string defaultText(const TPropInfo& prop) {
    if (!prop.Default) return "(none)";
    if (prop.Kind() == tkEnumeration) return GetEnumName(*prop.PropType, static_cast<int>(*prop.Default));
    if (prop.Kind() == tkSet) return SetToString(*prop.PropType, *prop.Default);
    return std::to_string(*prop.Default);
}

} // namespace

TEST_F(ControlsPublished, EveryComponentPublishesWhatItsDescriptionListsWithItsKindsAndDefaults) {
    for (const PartList& part : partLists()) {
        TObject* object = part.make(form);
        ASSERT_EQ(object->ClassName(), part.className);
        std::istringstream words(part.published);
        for (std::string word; words >> word;) {
            SCOPED_TRACE(part.className + " " + word);
            const std::size_t colon = word.find(':'), equals = word.find('='), parent = word.find('?');
            const TPropInfo* prop = GetPropInfo(*object, word.substr(0, colon));
            ASSERT_NE(prop, nullptr);
            EXPECT_EQ(kindLetter(*prop), word[colon + 1]);
            if (equals != std::string::npos) {
                EXPECT_EQ(defaultText(*prop), word.substr(equals + 1, parent - equals - 1));
            }
            if (parent == std::string::npos) continue;
            const TPropInfo& taken = *GetPropInfo(*object, word.substr(parent + 1));
            SetPropText(*object, taken, "True");
            EXPECT_FALSE(IsStoredProp(*object, *prop));
            SetPropText(*object, taken, "False");
            EXPECT_TRUE(IsStoredProp(*object, *prop));
        }
        std::istringstream absent(part.absent);
        for (std::string name; absent >> name;)
            EXPECT_EQ(GetPropInfo(*object, name), nullptr) << part.className << " " << name;
    }
}

TEST_F(ControlsPublished, TheCheckListsSettingsAndItsListsAreWrittenByName) {
    auto* box = place<TKxCheckListBox>(0, 0, 100, 100);
    TStringList lines;
    lines.SetText("one\ntwo\nthree");
    SetObjectProp(*box, *GetPropInfo(*box, "Items"), &lines);
    EXPECT_EQ(box->Items()->Count(), 3);
    SetPropText(*box, *GetPropInfo(*box, "checkkind"), "ckRadioButtons");
    EXPECT_EQ(box->CheckKind(), ckRadioButtons);
    SetPropText(*box, *GetPropInfo(*box, "CheckedIndex"), "2");
    EXPECT_TRUE(box->Checked(2));
    EXPECT_EQ(GetPropText(*box, *GetPropInfo(*box, "AutoScroll")), "True");
    EXPECT_EQ(GetPropInfo(*box, "Sorted")->Default, 0) << "defaults as the control has them";
    EXPECT_TRUE(IsPublishedProp(*box, "Color")) << "and the control's own";
}

TEST_F(ControlsPublished, TheSpeedButtonAndThePanelToo) {
    auto* button = place<TKxSpeedButton>(0, 0, 30, 30);
    SetPropText(*button, *GetPropInfo(*button, "GroupIndex"), "4");
    SetPropText(*button, *GetPropInfo(*button, "Down"), "True");
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(GetPropText(*button, *GetPropInfo(*button, "Layout")), "blGlyphTop");
    EXPECT_EQ(GetPropInfo(*button, "InitPause")->Default, 500);
    auto* panel = place<TSecretPanel>(0, 40, 100, 60);
    SetPropText(*panel, *GetPropInfo(*panel, "ScrollDirection"), "sdHorizontal");
    EXPECT_EQ(panel->ScrollDirection(), sdHorizontal);
    EXPECT_EQ(GetPropText(*panel, *GetPropInfo(*panel, "Interval")), "30");
    EXPECT_EQ(GetPropInfo(*panel, "BevelOuter")->Default, bvLowered) << "the panel's own default";
    EXPECT_EQ(GetPropInfo(*panel, "BevelWidth")->Default, 1) << "inherited from the framework's panel";
}
