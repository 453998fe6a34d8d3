// The game's own surfaces: the maze as it stands, the help and speed overlay, the round
// screen with the ranked scores; and the music of a round.
#include "game/DrawPlans.h"
#include "game/Main.h"
#include "graphics/DDCanvas.h"
#include "sound/DSPlay.h"

namespace {

// Ends a drawing sequence on a surface's canvas also when it throws.
class CanvasRelease {
public:
    explicit CanvasRelease(TDDCanvas* canvas) : canvas_(canvas) {}
    ~CanvasRelease() {
        if (canvas_) canvas_->Release();
    }
    CanvasRelease(const CanvasRelease&) = delete;
    CanvasRelease& operator=(const CanvasRelease&) = delete;

private:
    TDDCanvas* canvas_;
};

} // namespace

void TMainForm::BackgroundSurfaceUpdate(TObject*) {
    std::lock_guard lock(GameLock());
    IDirectDrawSurface7* dest = BackgroundSurface->Surface;
    if (!GameRunning || !dest) return;
    TDDSurface* sheets[3] = {MapsSurface, MonstersSurface, PlayersSurface};
    for (const TTileBlit& tile : BackgroundPlan(Grid, GridWidth, GridHeight, ThemeRow)) {
        TDDSurface* sheet = sheets[tile.Sheet];
        if (!sheet->Surface) continue;
        int x = tile.X, y = tile.Y;
        RECT source = tile.Source;
        if (!ClipBlit(x, y, source, sheet->Width, sheet->Height, BackgroundSurface->Width,
                      BackgroundSurface->Height))
            continue;
        DWORD flags = (tile.ColorKey ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY) | DDBLTFAST_WAIT;
        blit([&] { return dest->BltFast(x, y, sheet->Surface, &source, flags); });
    }
}

void TMainForm::StatsSurfaceUpdate(TObject*) {
    std::lock_guard lock(GameLock());
    TDDCanvas* canvas = StatsSurface->Canvas;
    if (!FirstShowDone || !canvas || !canvas->DrawingAllowed()) return;
    CanvasRelease release(canvas);
    int width = StatsSurface->Width, height = StatsSurface->Height;
    canvas->Brush().SetColor(0xC0C0C0);
    canvas->Brush().SetStyle(bsSolid);
    canvas->FillRect({0, 0, width, height});
    canvas->Brush().SetStyle(bsClear);
    canvas->Rectangle(5, 5, width - 5, height - 5);
    for (const TTextItem& line : StatsPlan(canvas->TextHeight("A"), ModeText, SpriteList.Count(), Fps))
        canvas->TextOut(line.X, line.Y, line.Text);
}

void TMainForm::InfoSurfaceUpdate(TObject*) {
    std::lock_guard lock(GameLock());
    if (!FirstShowDone) return;
    std::vector<int> ranking = RankPlayers(Options.Playing, Players);
    TDDCanvas* canvas = InfoSurface->Canvas;
    auto measure = [canvas](const std::string& text) { return canvas ? canvas->TextWidth(text) : 0; };
    TInfoPlan plan = InfoPlan(Round, ranking, Options.Names, Players, InfoSurface->Width, InfoLineHeight,
                              InfoTextWidth, measure);
    InfoShownHeight = plan.Height;
    if (canvas) {
        CanvasRelease release(canvas);
        int width = InfoSurface->Width, height = InfoSurface->Height;
        canvas->Brush().SetColor(0xDFDFDF);
        canvas->Brush().SetStyle(bsSolid);
        canvas->FillRect({0, 0, width, height});
        canvas->Brush().SetStyle(bsClear);
        canvas->Rectangle(5, 5, width - 5, height - 5);
        for (const TTextItem& text : plan.Texts)
            canvas->TextOut(text.X, text.Y, text.Text);
    }
    IDirectDrawSurface7* dest = InfoSurface->Surface;
    if (!dest || !PlayersSurface->Surface) return;
    for (auto [player, y] : plan.Icons) {
        RECT source{0, player * CellSize, CellSize, player * CellSize + CellSize};
        int x = 20, iy = y;
        if (ClipBlit(x, iy, source, PlayersSurface->Width, PlayersSurface->Height, InfoSurface->Width,
                     InfoSurface->Height))
            blit([&] {
                return dest->BltFast(x, iy, PlayersSurface->Surface, &source,
                                     DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
            });
    }
}

void TMainForm::StatsSurfaceInit(TObject*) {
    if (TDDCanvas* canvas = StatsSurface->Canvas) {
        CanvasRelease release(canvas);
        canvas->Font().SetSize(StatsFontSize);
    }
}

void TMainForm::InfoSurfaceInit(TObject*) {
    if (TDDCanvas* canvas = InfoSurface->Canvas) {
        CanvasRelease release(canvas);
        canvas->Font().SetSize(StatsFontSize);
    }
}

void TMainForm::PlayRandomTrack() {
    std::string name;
    {
        std::lock_guard lock(GameLock());
        if (!Options.MusicEnabled || Playlist.empty()) return;
        name = Playlist[static_cast<std::size_t>(GameRandom(static_cast<int>(Playlist.size())))];
    }
    // The engine has said once that no plug-in plays this file: the round stays silent
    // without saying it again.
    if (isUnplayable(name)) name.clear();
    DSPlay->SetFileName(name);
    DSPlay->SetActive(true);
    rememberIfUnplayable(name);
}

bool TMainForm::isUnplayable(const std::string& name) const {
    std::lock_guard lock(GameLock());
    return UnplayableTracks.count(name) != 0;
}

void TMainForm::rememberIfUnplayable(const std::string& name) {
    if (name.empty() || DSPlay->ModulePlug()) return;
    std::lock_guard lock(GameLock());
    UnplayableTracks.insert(name);
}
