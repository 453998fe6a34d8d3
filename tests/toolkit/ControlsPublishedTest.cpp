// The toolkit's components publish their settings: property storage and form descriptions
// can read and write them by name, as the components' descriptions list them.
#include "platform/framework/Published.h"
#include "tests/toolkit/ListBoxTestSupport.h"
#include "tests/toolkit/PublishedList.h"
#include "toolkit/FileUtil.h"
#include "toolkit/KXCtrls.h"
#include "toolkit/KxCheckListBox.h"
#include "toolkit/KxHook.h"
#include "toolkit/KxSpeedButton.h"
#include "toolkit/KxTimer.h"
#include "toolkit/Placemnt.h"
#include "toolkit/SecretPanel.h"
#include "toolkit/WebLabel.h"
#include "toolkit/WinVerLb.h"

using namespace listbox_test;

using ControlsPublished = FormFixture;

namespace {

const std::string events = "OnClick:m OnDblClick:m OnMouseDown:m OnMouseMove:m OnMouseUp:m OnContextPopup:m ";
// Names that none publishes: dragging, docking, right-to-left reading and input methods have
// no meaning here.
const std::string noDragging =
    "-DragCursor -DragKind -DragMode -BiDiMode -ParentBiDiMode -OnDragDrop -OnDragOver "
    "-OnEndDrag -OnStartDrag -OnEndDock -OnStartDock ";
const std::string label =
    events + noDragging +
    "Align:e=alNone Alignment:e=taLeftJustify Anchors:t=[akLeft,akTop] AutoSize:b=True Color:i?ParentColor "
    "Constraints:o Enabled:b=True FocusControl:o Font:o?ParentFont Layout:e=tlTop ParentColor:b=True "
    "ParentShowHint:b=True PopupMenu:o ShowAccelChar:b=True ShowHint:b?ParentShowHint "
    "Transparent:b=False Visible:b=True WordWrap:b=False OnMouseEnter:m OnMouseLeave:m ";
const std::string listBox =
    events + noDragging +
    "-ImeMode -ImeName Align:e Color:i Ctl3D:b?ParentCtl3D Enabled:b Font:o Anchors:t Constraints:o "
    "ParentCtl3D:b ParentFont:b ParentShowHint:b PopupMenu:o ShowHint:b TabOrder:i Visible:b OnEnter:m "
    "OnExit:m OnKeyDown:m OnKeyPress:m OnKeyUp:m ParentColor:b=False BorderStyle:e=bsSingle "
    "ExtendedSelect:b=True IntegralHeight:b=False MultiSelect:b=False Sorted:b=False TabWidth:i=0 ";

template <class T> TObject* made(TForm* form) {
    return new T(form);
}

const struct {
    std::string className;
    std::function<TObject*(TForm*)> make;
    std::string published;
} parts[] = {
    {"TKxLabel", made<TKxLabel>,
     label + "ParentFont:b=True Caption:s ShadowColor:i=" + std::to_string(clBtnHighlight) +
         " ShadowSize:i=1 ShadowPos:e=spLeftTop ShowFocus:b=False"},
    // A link has a font of its own, so a new one takes none from its parent.
    {"TWebLabel", made<TWebLabel>, label + "ParentFont:b Caption:s File:s"},
    {"TWinVerLabel", made<TWinVerLabel>, label + "ParentFont:b=True -Caption"},
    {"TSecretPanel", made<TSecretPanel>,
     events + noDragging +
         "-BorderStyle AsyncDrawing:b=True Active:b=False Alignment:e=taCenter Cycled:b=False Glyph:o "
         "GlyphLayout:e=glGlyphLeft Interval:i=30 Lines:o ScrollDirection:e=sdVertical TextStyle:e=bvNone "
         "OnPaintClient:m OnStartPlay:m OnStopPlay:m BevelInner:e=bvNone BevelOuter:e=bvLowered "
         "BevelWidth:i=1 "
         "BorderWidth:i=0 ParentColor:b=False TabStop:b=False TabOrder:i=-1 Visible:b=True "
         "ParentCtl3D:b=True "
         "ParentFont:b=True ParentShowHint:b=True Align:e=alNone Anchors:t=[akLeft,akTop] Constraints:o "
         "Color:i "
         "Ctl3D:b Font:o PopupMenu:o ShowHint:b OnEnter:m OnExit:m OnResize:m"},
    {"TKxSpeedButton", made<TKxSpeedButton>,
     events + noDragging +
         "Action:o Alignment:e=taCenter AllowAllUp:b=False AllowTimer:b=False GroupIndex:i=0 Down:b=False "
         "DropDownMenu:o MenuPosition:e=dmpBottom Caption:s Enabled:b=True Flat:b=False Glyph:o "
         "GrayedInactive:b=True InitPause:i=500 Layout:e=blGlyphTop Margin:i=-1 MarkDropDown:b=True "
         "ModalResult:i=0 NumGlyphs:i=1 ParentFont:b=True RepeatInterval:i=100 Spacing:i=1 "
         "Style:e=bsAutoDetect "
         "Transparent:b=False WordWrap:b=False Visible:b=True OnMouseEnter:m OnMouseLeave:m "
         "Anchors:t=[akLeft,akTop] Constraints:o Font:o ParentShowHint:b=False ShowHint:b=True"},
    {"TKxCheckListBox", made<TKxCheckListBox>,
     listBox + "AllowGrayed:b=False CheckKind:e=ckCheckBoxes CheckedIndex:i=-1 IniStorage:o OnStateChange:m "
               "OnClickCheck:m AutoScroll:b=True Columns:i=0 GraySelection:b=False ItemHeight:i Items:o "
               "Style:e=lbStandard OnDrawItem:m OnGetItemWidth:m OnMeasureItem:m OnMouseWheel:m "
               "OnMouseWheelDown:m OnMouseWheelUp:m"},
    {"TTextListBox", made<TTextListBox>, listBox + "TabStop:b=True"},
    {"TKxTimer", made<TKxTimer>,
     "Enabled:b=True Interval:i=1000 SyncEvent:b=True Threaded:b=True ThreadPriority:e=tpNormal OnTimer:m"},
    {"TKxWindowHook", made<TKxWindowHook>, "Active:b=True WinControl:o BeforeMessage:m AfterMessage:m"},
    {"TBrowseFolderDlg", made<TBrowseFolderDlg>,
     "BrowseKind:e=bfFolders DesktopRoot:b=True~False DialogText:s~Where? FolderName:s~/tmp/x "
     "HelpContext:i=0~12 Position:e=dpScreenCenter~dpDefault OnInitialized:m OnSelChanged:m"},
    {"TKxFileOperator", made<TKxFileOperator>,
     "Destination:s~/tmp/y Operation:e=foCopy~foRename Options:t=[flAllowUndo,flNoConfirmMkDir]~[flSilent,"
     "flNoErrorUI] ProgressTitle:s~Copying Source:s~a;b"},
    {"TFormPlacement", made<TFormPlacement>,
     "Active:b=True IniFileName:s IniSection:s MinMaxInfo:o Options:t=[fpState,fpPosition] "
     "PreventResize:b=False "
     "RegistryRoot:e=prCurrentUser UseRegistry:b=False Version:i=0 OnSavePlacement:m OnRestorePlacement:m"},
    {"TFormStorage", made<TFormStorage>, "StoredProps:o StoredValues:o Active:b=True Version:i=0"},
    {"TWinMinMaxInfo", [](TForm* f) -> TObject* { return &(new TFormPlacement(f))->MinMaxInfo(); },
     "MaxPosLeft:i=0 MaxPosTop:i=0 MaxSizeHeight:i=0 MaxSizeWidth:i=0 MaxTrackHeight:i=0 MaxTrackWidth:i=0 "
     "MinTrackHeight:i=0 MinTrackWidth:i=0"},
    {"TStoredValue", [](TForm* f) -> TObject* { return (new TFormStorage(f))->StoredValues()->Add(); },
     "Name:s Value:v KeyString:s OnSave:m OnRestore:m"},
};

} // namespace

TEST_F(ControlsPublished, EveryComponentPublishesWhatItsDescriptionListsWithItsKindsAndDefaults) {
    for (const auto& part : parts) {
        TObject* object = part.make(form);
        EXPECT_EQ(object->ClassName(), part.className);
        ExpectPublished(*object, part.published);
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
}

TEST_F(ControlsPublished, TheSpeedButtonAndThePanelToo) {
    auto* button = place<TKxSpeedButton>(0, 0, 30, 30);
    SetPropText(*button, *GetPropInfo(*button, "GroupIndex"), "4");
    SetPropText(*button, *GetPropInfo(*button, "Down"), "True");
    EXPECT_TRUE(button->Down());
    auto* panel = place<TSecretPanel>(0, 40, 100, 60);
    SetPropText(*panel, *GetPropInfo(*panel, "ScrollDirection"), "sdHorizontal");
    EXPECT_EQ(panel->ScrollDirection(), sdHorizontal);
}
