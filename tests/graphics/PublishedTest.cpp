// The graphics components publish what their documentation lists, with its kinds and
// defaults, and every published property reaches the component.
#include "FormTestSupport.h"
#include "graphics/DDModesCombo.h"
#include "graphics/DDSprite.h"
#include "graphics/DXVersion.h"
#include "tests/PublishedTable.h"

namespace {

struct PublishedClass {
    const char* name;
    std::function<TComponent*(DemoForm&)> make;
    const char* properties;
};

const PublishedClass graphicsClasses[] = {
    {"TDDForm",
     [](DemoForm& form) {
         auto* other = new TDDForm(&form);
         other->SetName("Other");
         return other;
     },
     "DDPalFileName s =Data/GFX/palette.bmp, DDWindowed e False =True, DDFullScreenClip e False =True, "
     "DDActive e False, DDWidth i 640 =800, DDHeight i 480 =600, DDBPP i 16 =32, DDColorKeyRGB i =16711935, "
     "OnDDActiveChange m, OnDDUpdateDisplay m, OnDDChangeSize m, OnDDChangePalette m"},
    {"TDDSprite", [](DemoForm& form) { return new TDDSprite(&form); },
     "Alpha i 128 =200, Visible e True =False, AutoBounce e False =True, PosX i =-12, PosY i =34, "
     "VelocityX f =2.5, VelocityY f =-1.5, AccelerationX f =0.25, AccelerationY f =-0.75, LimPosX1 i 0 =1, "
     "LimPosX2 i 0 =2, LimPosY1 i 0 =3, LimPosY2 i 0 =4, LimMovX1 i 0 =5, LimMovX2 i 0 =6, LimMovY1 i 0 =7, "
     "LimMovY2 i 0 =8, Loop e True =False, AutoHide e True =False, Mirror e False =True, "
     "StartTick i 0 =3000000000, Interval i 20 =40, Start i 0 =9, Stop i 0 =10, Offset i 0 =11, "
     "FramesPerLine i 1 =12, FirstFrameX i 0 =13, FirstFrameY i 0 =14, FrameWidth i 0 =15, "
     "FrameHeight i 0 =16, ShowWidth i 0 =17, ShowHeight i 0 =18, ShowLeft i 0 =19, ShowTop i 0 =20, "
     "Frames c =Sheet, OnCheckLimits m, OnCheckedLimits m, -UserKind, -UserTick"},
    {"TDDSurface", [](DemoForm& form) { return new TDDSurface(&form); },
     "FileName s =data/gfx/title.pcx, Width i 0 =64, Height i 0 =32, Locked E, AutoColorKey e True =False, "
     "FileType e ddsPcx =ddsJpg, OnUpdate m, OnInit m"},
    {"TDDModesCombo", [](DemoForm& form) { return new TDDModesCombo(&form); },
     "Show8bit e False =True, Show15bit e False =True, Show16bit e True =False, Show24bit e False =True, "
     "Show32bit e True =False, ShowRatio4x3 e True =False, ShowMaxWidth i 1024 =1600, DDForm c =Other, "
     "Style e, Color i, Font c, DropDownCount i 8, ItemHeight i, OnChange m, OnDropDown m, OnClick m"},
    {"TDXVersion", [](DemoForm& form) { return new TDXVersion(&form); }, "Caption s, AutoSize e True"},
};

} // namespace

using GraphicsPublished = FormTest;

TEST_F(GraphicsPublished, EveryComponentPublishesItsListAndEachPropertyReachesIt) {
    Create();
    form->SetName("Stage");
    form->AddBlank("Sheet", 8, 8);
    for (const PublishedClass& published : graphicsClasses) {
        SCOPED_TRACE(published.name);
        EXPECT_TRUE(IsPublishedClass(published.name));
        published_table::ExpectPublished(*published.make(*form), published.properties);
    }
    EXPECT_EQ(GetPropText(*form, *GetPropInfo(*form, "DDWidth")), "320") << "a form derived from TDDForm";
    TDDSprite sprite(form);
    int checks = 0;
    SetMethodProp(sprite, *GetPropInfo(sprite, "OnCheckedLimits"), TNotifyEvent([&](TObject*) { ++checks; }));
    sprite.Move(1000);
    EXPECT_EQ(checks, 1) << "an event set by name is the sprite's";
}
