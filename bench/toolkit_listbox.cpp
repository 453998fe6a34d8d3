// A list box of 100,000 items. Filling it: the toolkit's lists that keep their horizontal
// extent (TTextListBox, the check list box) against the framework's plain list box and Qt's
// own list widget, side by side. Deleting the widest item, which measures every item anew.
// Scrolling: the top item moved and the items in view painted, against Qt's list widget.
#include "platform/framework/Application.h"
#include "platform/framework/Forms.h"
#include "platform/framework/ListBox.h"
#include "platform/framework/QtBridge.h"
#include "toolkit/KxCheckListBox.h"
#include "toolkit/KxListBox.h"

#include <QImage>
#include <QListWidget>
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int itemCount = 100000;

const std::vector<std::string>& texts() {
    static const std::vector<std::string> all = [] {
        std::vector<std::string> result;
        for (int i = 0; i < itemCount; ++i)
            result.push_back("Line " + std::to_string(i) +
                             std::string(static_cast<std::size_t>(i % 37), '-') + " of the list");
        return result;
    }();
    return all;
}

template <class List> List* makeList(TForm& form) {
    auto* list = new List(&form);
    list->SetParent(&form);
    list->SetBounds(0, 0, 240, 320);
    return list;
}

template <class List> void fill(List& list) {
    list.Items()->BeginUpdate();
    for (const std::string& text : texts())
        list.Items()->Add(text);
    list.Items()->EndUpdate();
}

template <class List> void FillList(benchmark::State& state) {
    vx::EnsureQtApplication();
    texts();
    for (auto _ : state) {
        TForm form(nullptr);
        List* list = makeList<List>(form);
        fill(*list);
        benchmark::DoNotOptimize(list->Items()->Count());
        state.PauseTiming();
        form.DestroyComponents();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * itemCount);
}

void FillQtListWidget(benchmark::State& state) {
    vx::EnsureQtApplication();
    QStringList all;
    for (const std::string& text : texts())
        all << QString::fromStdString(text);
    for (auto _ : state) {
        QListWidget list;
        list.resize(240, 320);
        for (const QString& text : all)
            list.addItem(text);
        benchmark::DoNotOptimize(list.count());
    }
    state.SetItemsProcessed(state.iterations() * itemCount);
}

// The widest item goes: the extent is measured anew over every item left.
template <class List> void DeleteWidestItem(benchmark::State& state) {
    vx::EnsureQtApplication();
    TForm form(nullptr);
    List* list = makeList<List>(form);
    fill(*list);
    for (auto _ : state) {
        state.PauseTiming();
        list->Items()->Insert(0, std::string(400, 'W'));
        state.ResumeTiming();
        list->Items()->Delete(0);
    }
    state.SetItemsProcessed(state.iterations() * itemCount);
}

// Each step moves the top item by a page and paints the list into an image.
template <class List> void ScrollAndPaint(benchmark::State& state) {
    vx::EnsureQtApplication();
    TForm form(nullptr);
    List* list = makeList<List>(form);
    fill(*list);
    QImage image(240, 320, QImage::Format_ARGB32_Premultiplied);
    int top = 0;
    for (auto _ : state) {
        top = (top + 17) % (itemCount - 20);
        list->SetTopIndex(top);
        vx::ControlWidget(list)->render(&image);
    }
    state.SetItemsProcessed(state.iterations());
}

void ScrollAndPaintQtListWidget(benchmark::State& state) {
    vx::EnsureQtApplication();
    QListWidget list;
    list.resize(240, 320);
    // Every row one line high: the way to keep a list of this size quick in Qt.
    list.setUniformItemSizes(true);
    for (const std::string& text : texts())
        list.addItem(QString::fromStdString(text));
    QImage image(240, 320, QImage::Format_ARGB32_Premultiplied);
    int top = 0;
    for (auto _ : state) {
        top = (top + 17) % (itemCount - 20);
        list.scrollToItem(list.item(top), QAbstractItemView::PositionAtTop);
        list.render(&image);
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(FillList<TListBox>)->Name("Fill/TListBox")->Unit(benchmark::kMillisecond);
BENCHMARK(FillList<TTextListBox>)->Name("Fill/TTextListBox")->Unit(benchmark::kMillisecond);
BENCHMARK(FillList<TKxCheckListBox>)->Name("Fill/TKxCheckListBox")->Unit(benchmark::kMillisecond);
BENCHMARK(FillQtListWidget)->Name("Fill/QListWidget")->Unit(benchmark::kMillisecond);
BENCHMARK(DeleteWidestItem<TTextListBox>)->Name("DeleteWidest/TTextListBox")->Unit(benchmark::kMillisecond);
BENCHMARK(DeleteWidestItem<TKxCheckListBox>)
    ->Name("DeleteWidest/TKxCheckListBox")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollAndPaint<TTextListBox>)->Name("ScrollAndPaint/TTextListBox")->Unit(benchmark::kMicrosecond);
BENCHMARK(ScrollAndPaint<TKxCheckListBox>)
    ->Name("ScrollAndPaint/TKxCheckListBox")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(ScrollAndPaintQtListWidget)->Name("ScrollAndPaint/QListWidget")->Unit(benchmark::kMicrosecond);
