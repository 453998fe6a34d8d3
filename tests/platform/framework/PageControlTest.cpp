#include "platform/framework/PageControl.h"

#include "GuiTestSupport.h"
#include "platform/framework/ProgressBar.h"
#include "platform/framework/StdCtrls.h"

#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

class PageFixture : public ::testing::Test {
protected:
    void SetUp() override {
        vx::EnsureQtApplication();
        form = new TForm(nullptr);
        form->SetClientWidth(320);
        form->SetClientHeight(220);
        pages = new TPageControl(form);
        pages->SetParent(form);
        pages->SetAlign(alClient);
    }
    void TearDown() override { form->Free(); }
    TTabSheet* addSheet(const std::string& caption) {
        auto* sheet = new TTabSheet(pages);
        sheet->SetCaption(caption);
        sheet->SetPageControl(pages);
        return sheet;
    }
    QTabWidget* tabs() const { return static_cast<QTabWidget*>(vx::ControlWidget(pages)); }
    TForm* form = nullptr;
    TPageControl* pages = nullptr;
};

} // namespace

using PageControlSheets = PageFixture;

TEST_F(PageControlSheets, EachSheetIsATabCaptionedWithItsCaptionInOrder) {
    TTabSheet* first = addSheet("Speakers");
    TTabSheet* second = addSheet("Wave");
    ASSERT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->Pages(1), second);
    EXPECT_EQ(second->PageIndex(), 1);
    EXPECT_EQ(tabs()->tabText(0).toStdString(), "Speakers");
    second->SetCaption("Wave Out");
    EXPECT_EQ(tabs()->tabText(1).toStdString(), "Wave Out");
    EXPECT_EQ(pages->ActivePage(), first) << "the first sheet shows until another is chosen";
    pages->SetActivePage(second);
    EXPECT_EQ(pages->ActivePageIndex(), 1);
    EXPECT_EQ(tabs()->currentIndex(), 1);
}

TEST_F(PageControlSheets, AFreedSheetTakesItsTabAlong) {
    addSheet("One");
    TTabSheet* two = addSheet("Two");
    addSheet("Three");
    pages->SetActivePage(two);
    two->Free();
    ASSERT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(tabs()->count(), 2);
    EXPECT_EQ(pages->Pages(1)->Caption(), "Three");
    EXPECT_NE(pages->ActivePage(), nullptr);
    while (pages->PageCount() > 0)
        pages->Pages(0)->Free();
    EXPECT_EQ(pages->ActivePage(), nullptr);
    EXPECT_EQ(pages->ActivePageIndex(), -1);
}

TEST_F(PageControlSheets, ASheetOwnedElsewhereSurvivesItsPageControl) {
    auto* sheet = new TTabSheet(form);
    sheet->SetPageControl(pages);
    pages->Free();
    EXPECT_EQ(sheet->PageControl(), nullptr);
    EXPECT_EQ(sheet->PageIndex(), -1);
    EXPECT_EQ(sheet->Parent(), nullptr);
}

TEST_F(PageControlSheets, ControlsOnASheetFreeWithIt) {
    TTabSheet* sheet = addSheet("Box");
    auto* box = new TCheckBox(sheet);
    box->SetParent(sheet);
    bool freed = false;
    struct Watcher : TComponent {
        explicit Watcher(bool& flag) : TComponent(nullptr), flag_(flag) {}
        void Notification(TComponent*, TOperation operation) override {
            if (operation == opRemove) flag_ = true;
        }
        bool& flag_;
    } watcher(freed);
    watcher.FreeNotification(box);
    sheet->Free();
    EXPECT_TRUE(freed);
}

TEST_F(PageControlSheets, ASheetScrollsToControlsBeyondItsEdges) {
    TTabSheet* sheet = addSheet("Wide");
    form->Show();
    auto* area = static_cast<QScrollArea*>(vx::ControlWidget(sheet));
    auto* near = new TCheckBox(sheet);
    near->SetBounds(10, 10, 100, 17);
    near->SetParent(sheet);
    ASSERT_TRUE(PumpUntil([&] { return area->viewport()->width() > 0; }));
    Application->ProcessMessages();
    EXPECT_EQ(area->horizontalScrollBar()->maximum(), 0) << "everything fits: no scrolling";
    auto* far = new TProgressBar(sheet);
    far->SetBounds(600, 300, 230, 17);
    far->SetParent(sheet);
    auto* wideBox = new TCheckBox(sheet);
    wideBox->SetCaption("Mute");
    wideBox->SetBounds(10, 40, 900, 17);
    wideBox->SetParent(sheet);
    ASSERT_TRUE(PumpUntil([&] { return area->horizontalScrollBar()->maximum() > 0; }));
    EXPECT_EQ(area->horizontalScrollBar()->maximum(), 830 - area->viewport()->width());
    EXPECT_EQ(area->verticalScrollBar()->maximum(), 317 - area->viewport()->height());
    far->Free();
    EXPECT_TRUE(PumpUntil([&] { return area->horizontalScrollBar()->maximum() == 0; }))
        << "a check box wider than its caption needs no scrolling";
    form->Hide();
}

TEST(ProgressBarRange, PositionsStayInTheRangeAndAnEmptyRangeShowsAnEmptyBar) {
    vx::EnsureQtApplication();
    TProgressBar bar(nullptr);
    auto* widget = static_cast<QProgressBar*>(vx::ControlWidget(&bar));
    EXPECT_FALSE(widget->isTextVisible());
    bar.SetMax(32768);
    bar.SetPosition(40000);
    EXPECT_EQ(bar.Position(), 32768);
    bar.SetPosition(-5);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetPosition(1200);
    bar.SetMax(1000);
    EXPECT_EQ(bar.Position(), 1000) << "a smaller range takes the position along";
    bar.SetMax(0);
    EXPECT_EQ(bar.Max(), 0);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_LT(widget->minimum(), widget->maximum()) << "never Qt's busy animation";
    EXPECT_EQ(widget->value(), widget->minimum());
}
