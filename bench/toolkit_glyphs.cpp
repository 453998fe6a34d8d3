// The button glyph cache for 100 buttons: every button's picture made for each of its five
// states (embossed disabled, grey inactive) into the shared glyph lists, against Qt making
// the disabled and selected looks of the same 100 pictures with its style, side by side.
// Then drawing 100 cached glyphs, against drawing the 100 source pictures.
#include "platform/framework/QtBridge.h"
#include "toolkit/KxButtonGlyph.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int buttons = 100;

// Button i's glyph: a 16 x 16 picture (one to three of them side by side) in its own colours
// on the key colour.
std::unique_ptr<TBitmap> glyphOf(int i) {
    const int pictures = 1 + i % 3;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(16 * pictures, 16);
    bitmap->Canvas().Brush().SetColor(clFuchsia);
    bitmap->Canvas().FillRect({0, 0, 16 * pictures, 16});
    for (int p = 0; p < pictures; ++p) {
        bitmap->Canvas().Brush().SetColor(
            static_cast<TColor>(RGB(BYTE(i * 37), BYTE(p * 80), BYTE(255 - i))));
        bitmap->Canvas().Ellipse(16 * p + 2, 2, 16 * p + 14, 14);
    }
    return bitmap;
}

void GlyphCacheFor100Buttons(benchmark::State& state) {
    vx::EnsureQtApplication();
    std::vector<std::unique_ptr<TBitmap>> sources;
    for (int i = 0; i < buttons; ++i)
        sources.push_back(glyphOf(i));
    for (auto _ : state) {
        std::vector<std::unique_ptr<TKxButtonGlyph>> glyphs;
        for (int i = 0; i < buttons; ++i) {
            glyphs.push_back(std::make_unique<TKxButtonGlyph>());
            glyphs.back()->SetGlyph(sources[static_cast<std::size_t>(i)].get());
            for (TKxButtonState s : {kbsUp, kbsDisabled, kbsDown, kbsExclusive, kbsInactive})
                benchmark::DoNotOptimize(glyphs.back()->CreateButtonGlyph(s));
        }
    }
    state.SetItemsProcessed(state.iterations() * buttons);
}

void QtStyleLooksFor100Icons(benchmark::State& state) {
    vx::EnsureQtApplication();
    std::vector<QPixmap> pixmaps;
    for (int i = 0; i < buttons; ++i) {
        const std::unique_ptr<TBitmap> source = glyphOf(i);
        QImage image = source->image().pixels.convertToFormat(QImage::Format_ARGB32);
        image.setAlphaChannel(image.createMaskFromColor(qRgb(255, 0, 255), Qt::MaskOutColor));
        pixmaps.push_back(QPixmap::fromImage(image.copy(0, 0, 16, 16)));
    }
    QStyle* style = QApplication::style();
    QStyleOption option;
    option.palette = QApplication::palette();
    for (auto _ : state) {
        for (const QPixmap& pixmap : pixmaps) {
            benchmark::DoNotOptimize(style->generatedIconPixmap(QIcon::Disabled, pixmap, &option));
            benchmark::DoNotOptimize(style->generatedIconPixmap(QIcon::Selected, pixmap, &option));
        }
    }
    state.SetItemsProcessed(state.iterations() * buttons);
}

void Draw100CachedGlyphs(benchmark::State& state) {
    vx::EnsureQtApplication();
    std::vector<std::unique_ptr<TKxButtonGlyph>> glyphs;
    for (int i = 0; i < buttons; ++i) {
        glyphs.push_back(std::make_unique<TKxButtonGlyph>());
        glyphs.back()->SetGlyph(glyphOf(i).get());
    }
    TBitmap target;
    target.SetSize(160, 160);
    for (auto _ : state)
        for (int i = 0; i < buttons; ++i)
            glyphs[static_cast<std::size_t>(i)]->DrawButtonGlyph(target.Canvas(), i % 10 * 16, i / 10 * 16,
                                                                 i % 2 ? kbsInactive : kbsUp);
    state.SetItemsProcessed(state.iterations() * buttons);
}

void Draw100QtPixmaps(benchmark::State& state) {
    vx::EnsureQtApplication();
    std::vector<QPixmap> pixmaps;
    for (int i = 0; i < buttons; ++i)
        pixmaps.push_back(QPixmap::fromImage(glyphOf(i)->image().pixels.copy(0, 0, 16, 16)));
    QImage target(160, 160, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&target);
        for (int i = 0; i < buttons; ++i)
            painter.drawPixmap(i % 10 * 16, i / 10 * 16, pixmaps[static_cast<std::size_t>(i)]);
    }
    state.SetItemsProcessed(state.iterations() * buttons);
}

} // namespace

BENCHMARK(GlyphCacheFor100Buttons)->Unit(benchmark::kMillisecond);
BENCHMARK(QtStyleLooksFor100Icons)->Unit(benchmark::kMillisecond);
BENCHMARK(Draw100CachedGlyphs)->Unit(benchmark::kMicrosecond);
BENCHMARK(Draw100QtPixmaps)->Unit(benchmark::kMicrosecond);
