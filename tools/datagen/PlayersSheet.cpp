// players.pcx: four bombers in their colours, walking four ways, frozen and beaten, and the
// same four in monster look. All share one outline colour that GodMode swaps for its blink.
#include <stdexcept>
#include <vector>

#include "tools/datagen/Art.h"
#include "tools/datagen/Palette.h"
#include "tools/datagen/Sheets.h"

namespace datagen {
namespace {

enum Facing { kRight, kUp, kLeft, kDown };

struct Pose {
    Facing facing = kDown;
    int step = 0; // walk frame 0..3
};

const Rgba kSuits[4] = {rgb(214, 40, 48), rgb(44, 104, 236), rgb(36, 172, 56), rgb(232, 192, 28)};

Rgba shadedBox(Rgba base, Vec2 p, float top, float height) {
    float t = clamp01((p.y - top) / height);
    return scale(base, 1.2f - 0.55f * t);
}

// A bomber seen from the front, the back or the right, painted part by part from the feet
// up; in monster look he has horns, a green face and fangs.
class Bomber {
public:
    Bomber(Rgba suit, Pose pose, bool monster)
        : suit_(suit), pose_(pose), monster_(monster), side_(pose.facing == kRight || pose.facing == kLeft),
          swing_(std::sin(pose.step * kPi / 2)), bob_(pose.step % 2 == 1 ? 1.f : 0.f) {}

    Rgba paintAt(Vec2 p) const {
        if (pose_.facing == kLeft) p.x = 32 - p.x; // left is the mirror image of right
        Rgba dst{};
        feet(dst, p);
        body(dst, p);
        headgear(dst, p);
        if (sdCircle(p, head(), 7.6f) <= 0) dst = over(dst, shadeBall(suit_, p, head(), 7.6f, 0.7f));
        if (pose_.facing == kUp) {
            if (std::fabs(p.x - 16) < 1.2f && sdCircle(p, head(), 7.f) < 0)
                dst = over(dst, scale(suit_, 1.35f));
        } else {
            face(dst, p);
        }
        return dst;
    }

private:
    Vec2 head() const { return {16, 11.f + bob_}; }

    void feet(Rgba& dst, Vec2 p) const {
        const Rgba boot = rgb(70, 44, 36);
        if (side_) {
            paint(dst, sdEllipse(p, {16 - 2.6f * swing_, 28.6f}, 3.8f, 2.3f), scale(boot, 0.7f));
            paint(dst, sdEllipse(p, {16 + 2.6f * swing_, 28.6f}, 3.8f, 2.3f), boot);
            return;
        }
        float liftA = std::max(0.f, swing_) * 1.6f, liftB = std::max(0.f, -swing_) * 1.6f;
        paint(dst, sdEllipse(p, {11.8f, 28.6f - liftA}, 3.5f, 2.3f), boot);
        paint(dst, sdEllipse(p, {20.2f, 28.6f - liftB}, 3.5f, 2.3f), boot);
    }

    // The suit with its belt and buckle, and the gloved hands swinging with the walk.
    void body(Rgba& dst, Vec2 p) const {
        if (sdBox(p, {16, 22.f + bob_}, side_ ? 5.f : 6.2f, 5.f, 3.f) <= 0) {
            Rgba c = shadedBox(mix(suit_, rgb(255, 255, 255), 0.15f), p, 17.f + bob_, 10.f);
            if (std::fabs(p.y - (24.f + bob_)) < 1.f)
                c = std::fabs(p.x - (side_ ? 18.f : 16.f)) < 1.3f ? rgb(240, 200, 60) : rgb(60, 40, 30);
            dst = over(dst, c);
        }
        const Rgba glove = rgb(240, 240, 236);
        std::vector<Vec2> hands =
            side_ ? std::vector<Vec2>{{16.f + 3.f * swing_, 22.5f + bob_}}
                  : std::vector<Vec2>{{9.2f, 22.f + bob_ + swing_}, {22.8f, 22.f + bob_ - swing_}};
        for (Vec2 hand : hands)
            if (sdCircle(p, hand, 2.3f) <= 0) dst = over(dst, shadeBall(glove, p, hand, 2.3f, 0.2f));
    }

    // The antenna with its ball, or the monster's horns.
    void headgear(Rgba& dst, Vec2 p) const {
        if (monster_) {
            for (float dir : {-1.f, 1.f}) {
                Vec2 base{16 + dir * 4.5f, 5.5f + bob_}, tip{16 + dir * 7.5f, 1.2f + bob_},
                    inner{16 + dir * 1.8f, 4.8f + bob_};
                paint(dst, sdTriangle(p, base, tip, inner),
                      mix(rgb(250, 240, 210), rgb(150, 130, 100), clamp01((p.y - 1) / 6)));
            }
            return;
        }
        Vec2 ball{side_ ? 14.6f : 16.f, 2.4f + bob_};
        paint(dst, sdCapsule(p, ball, {16, 5.f + bob_}, 0.7f), rgb(150, 150, 160));
        if (sdCircle(p, ball, 1.9f) <= 0) dst = over(dst, shadeBall(rgb(255, 210, 60), p, ball, 1.9f, 0.8f));
    }

    void face(Rgba& dst, Vec2 p) const {
        Vec2 centre = side_ ? Vec2{19.3f, 12.6f + bob_} : Vec2{16, 12.8f + bob_};
        float shape = std::max(sdEllipse(p, centre, side_ ? 4.2f : 5.2f, 4.f), sdCircle(p, head(), 7.f));
        paint(dst, shape, monster_ ? rgb(120, 196, 24) : rgb(250, 206, 170));
        std::vector<Vec2> eyes = side_ ? std::vector<Vec2>{{21.2f, 12.f + bob_}}
                                       : std::vector<Vec2>{{13.9f, 12.2f + bob_}, {18.1f, 12.2f + bob_}};
        for (Vec2 eye : eyes) {
            paint(dst, sdEllipse(p, eye, 0.95f, 1.7f), monster_ ? rgb(255, 60, 30) : rgb(24, 24, 40));
            paint(dst, sdCircle(p, eye + Vec2{0.3f, -0.7f}, 0.45f),
                  monster_ ? rgb(255, 240, 80) : rgb(255, 255, 255));
        }
        if (!monster_) return;
        const float mouthY = 15.3f + bob_, mx = side_ ? 20.5f : 16.f;
        paint(dst, sdBox(p, {mx, mouthY}, side_ ? 2.f : 2.8f, 0.6f), rgb(60, 10, 20));
        for (float dx : side_ ? std::vector<float>{1.f} : std::vector<float>{-1.6f, 1.6f})
            paint(dst,
                  sdTriangle(p, {mx + dx - 0.8f, mouthY}, {mx + dx + 0.8f, mouthY}, {mx + dx, mouthY + 2.f}),
                  rgb(255, 255, 255));
    }

    Rgba suit_;
    Pose pose_;
    bool monster_, side_;
    float swing_, bob_;
};

Rgba paintBomber(Vec2 p, Rgba suit, Pose pose, bool monster) {
    return Bomber(suit, pose, monster).paintAt(p);
}

// The frozen frame: the bomber inside a block of ice.
Rgba paintFrozen(Vec2 p, Rgba suit, Facing facing, bool monster) {
    Rgba figure = paintBomber(p, suit, {facing, 0}, monster);
    float cube = sdBox(p, {16, 16.5f}, 13.5f, 14.5f, 3.f);
    if (cube > 0) return figure;
    Rgba ice = mix(rgb(150, 210, 250), rgb(230, 246, 255), clamp01((32 - p.y - p.x) / 40.f + 0.3f));
    Rgba c = figure.a > 0 ? mix(figure, ice, 0.45f) : ice;
    // Two short glints on the upper left, as on polished ice.
    if (sdCapsule(p, {6.5f, 11.f}, {10.5f, 6.f}, 0.9f) < 0 ||
        sdCapsule(p, {6.5f, 15.5f}, {7.5f, 14.f}, 0.8f) < 0)
        c = mix(c, rgb(255, 255, 255), 0.85f);
    if (-cube < 1.2f) c = rgb(200, 236, 255);
    return {c.r, c.g, c.b, 1};
}

// What is left of a beaten bomber: his helmet on a scorch mark, antenna bent, eyes crossed.
Rgba paintRemains(Vec2 p, Rgba suit, bool monster) {
    Rgba dst{};
    paint(dst, sdEllipse(p, {16, 25}, 13.f, 5.f), rgb(54, 46, 44));
    Vec2 helmet{16, 20};
    if (sdEllipse(p, helmet, 9.f, 7.f) <= 0 && p.y < 25.5f)
        dst = over(dst, scale(shadeBall(suit, p, helmet, 9.f, 0.4f), 0.8f));
    if (monster) {
        paint(dst, sdTriangle(p, {8.5f, 16}, {4.f, 10.5f}, {10.5f, 14.5f}), rgb(220, 210, 180));
        paint(dst, sdTriangle(p, {23.5f, 16}, {28.f, 10.5f}, {21.5f, 14.5f}), rgb(220, 210, 180));
    } else {
        paint(dst, sdCapsule(p, {19, 13.5f}, {22, 9.5f}, 0.7f), rgb(150, 150, 160));
        paint(dst, sdCapsule(p, {22, 9.5f}, {26, 10.5f}, 0.7f), rgb(150, 150, 160));
        if (sdCircle(p, {26.5f, 10.8f}, 1.8f) <= 0)
            dst = over(dst, shadeBall(rgb(255, 210, 60), p, {26.5f, 10.8f}, 1.8f));
    }
    paint(dst, sdEllipse(p, {16, 21.2f}, 6.f, 3.4f), monster ? rgb(120, 196, 24) : rgb(250, 206, 170));
    for (float ex : {13.4f, 18.6f}) {
        paint(dst, sdCapsule(p, {ex - 1.2f, 20.f}, {ex + 1.2f, 22.4f}, 0.45f), rgb(24, 24, 40));
        paint(dst, sdCapsule(p, {ex - 1.2f, 22.4f}, {ex + 1.2f, 20.f}, 0.45f), rgb(24, 24, 40));
    }
    return dst;
}

Painter cellPainter(int row, int column) {
    const Rgba suit = kSuits[row % 4];
    const bool monster = row >= 4;
    if (column == 20) return [=](Vec2 p) { return paintRemains(p, suit, monster); };
    const Facing facings[4] = {kRight, kUp, kLeft, kDown};
    const Facing facing = facings[column / 5];
    if (column % 5 == 4) return [=](Vec2 p) { return paintFrozen(p, suit, facing, monster); };
    const Pose pose{facing, column % 5};
    return [=](Vec2 p) { return paintBomber(p, suit, pose, monster); };
}

} // namespace

Rgba paintBomberFigure(Vec2 p, int player, int facing, int step) {
    return paintBomber(p, kSuits[player & 3], {static_cast<Facing>(facing & 3), step & 3}, false);
}

PlayersSheet drawPlayersSheet() {
    PlayersSheet sheet{IndexedImage(kPlayerColumns * kCell, kPlayerRows * kCell), -1};
    for (int row = 0; row < kPlayerRows; ++row)
        for (int column = 0; column < kPlayerColumns; ++column) {
            IndexedImage cell = paintCell(kCell, kCell, cellPainter(row, column));
            addOutline(cell, kOutlineIndex);
            sheet.image.blit(cell, column * kCell, row * kCell);
        }
    for (int x = 0; x < sheet.image.width && sheet.outlineX < 0; ++x)
        if (sheet.image.at(x, 0) == kOutlineIndex) sheet.outlineX = x;
    if (sheet.outlineX < 0) throw std::logic_error("no outline pixel in the first row of the players");
    return sheet;
}

} // namespace datagen
