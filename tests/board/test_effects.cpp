// The logic halves of the presentation: cell animation, particles, floating
// messages, the mouse pointer and the pause panel's position.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "render/pause_panel.h"
#include "render/pointer.h"
#include "support.h"

namespace tessaron {
namespace {
using namespace testing_support;

TEST(CellAnimation, FadeInPulseAndFlight) {
    // A block fades in by 35 a step to 255; a breaker pulses between 155 and
    // 255, turning at both ends.
    Cell c;
    c.kind = KindBlock, c.alpha = 0;
    for (int i = 1; i <= 49; ++i) {
        if (i == 9) c.kind = KindBreaker, c.alpha = 155;
        c.animate();
        const int j = i - 8, pulse = j <= 20 ? 155 + 5 * j : j <= 40 ? 255 - 5 * (j - 20) : 160;
        ASSERT_EQ(c.alpha, i <= 8 ? std::min(35 * i, 255) : pulse) << i;
    }
    // A flying cell moves, falls under 2.25 a step and slows sideways, each
    // speed truncated toward zero.
    c.kind = KindBlock, c.flying = 1, c.screenX = 0, c.vx = -25, c.vy = -45;
    Ints flight;
    for (int i = 0; i < 4; ++i) {
        if (i == 2) c.vx = 1, c.vy = -3;
        c.animate();
        flight.insert(flight.end(), {c.screenX, c.vx, c.vy});
    }
    EXPECT_EQ(flight, Ints({-25, -24, -42, -49, -23, -39, -48, 0, 0, -48, 0, 2}));
}

// One step of a particle from (100, 100), with no gravity, friction or fade
// unless the row sets them; "picture" gives it a 20 x 20 picture, which
// makes the screen's edges (1024 x 768) bounce it.
struct Motion {
    const char* name;
    void (*setUp)(Particle&);
    float x, y, vx, vy, alpha;
};

void picture(Particle& p) { p.hasBitmap = 1, p.width = p.height = 20; }

const Motion Motions[] = {
    {"RisingSlowsHalfAgainAsHard", [](Particle& p) { p.vy = -10, p.gravity = 2; }, 100, 90, 0, -7, 255},
    {"RestingStartsToFall", [](Particle& p) { p.gravity = 2; }, 100, 100, 0, 2, 255},
    {"FallingSpeedsUp", [](Particle& p) { p.vy = 4, p.gravity = 2; }, 100, 104, 0, 6, 255},
    {"FrictionSlows", [](Particle& p) { p.vx = -3, p.friction = 0.5f; }, 97, 100, -2.5f, 0, 255},
    {"FrictionStopsAtZero", [](Particle& p) { p.vx = 0.25f, p.friction = 0.5f; }, 100.25f, 100, 0, 0, 255},
    {"LeftEdgeExactly", [](Particle& p) { picture(p), p.x = 3, p.vx = -3; }, 0, 100, 3, 0, 255},
    {"RightEdgeExactly", [](Particle& p) { picture(p), p.x = 1000, p.vx = 4; }, 1004, 100, -4, 0, 255},
    {"OneShortOfTheRightEdge", [](Particle& p) { picture(p), p.x = 999, p.vx = 4; }, 1003, 100, 4, 0, 255},
    {"FloorExactly", [](Particle& p) { picture(p), p.y = 740, p.vy = 8, p.bounce = 1.5f; }, 100, 748, 0, 2, 255},
    {"StopsAtTheFloor", [](Particle& p) { picture(p), p.y = 745, p.vy = 8, p.vx = 5, p.stopAtFloor = 1; },
     105, 748, 0, 0, 255},
    {"NoPictureNoEdges", [](Particle& p) { p.x = 3, p.vx = -3, p.y = 760, p.vy = 10; }, 0, 770, -3, 10, 255},
    {"StillBeforeItsStart", [](Particle& p) { p.startDelay = 2, p.vx = 3, p.fadeDelay = 0; }, 100, 100, 3, 0, 255},
    {"MovesFromItsStart", [](Particle& p) { p.startDelay = 1, p.vx = 3; }, 103, 100, 3, 0, 255},
    {"FadesFromItsFadeDelay", [](Particle& p) { p.fadeDelay = 1, p.fadeStep = 35.5f; }, 100, 100, 0, 0, 219.5f},
    {"NotBeforeIt", [](Particle& p) { p.fadeDelay = 2, p.fadeStep = 35.5f; }, 100, 100, 0, 0, 255},
    {"FrozenStillFades", [](Particle& p) { p.frozen = 1, p.vx = 3, p.fadeDelay = 0, p.fadeStep = 5; },
     100, 100, 3, 0, 250},
};

TEST(ParticleMotion, OneStepEach) {
    for (const Motion& m : Motions) {
        Particle p;
        p.x = p.y = 100, p.gravity = p.friction = 0, p.fadeDelay = 100;
        m.setUp(p);
        p.update(1024, 768);
        const float got[] = {p.x, p.y, p.vx, p.vy, p.alpha}, want[] = {m.x, m.y, m.vx, m.vy, m.alpha};
        for (int i = 0; i < 5; ++i) EXPECT_NEAR(got[i], want[i], 1e-4) << m.name << " field " << i;
        EXPECT_FALSE(p.dead) << m.name;
    }
}

// The render layer's size lookup: slot 10 holds a 20 x 20 picture.
bool testSizes(int slot, int* w, int* h) { return slot == 10 && (*w = *h = 20); }

// Emission centres a particle by its picture's size (30 x 10 without one);
// a particle that faded to exactly 0 dies and is removed the step after.
// A burst: a flash, 6 to 12 streaks in the slot of the block's colour, and
// as many sparks once the chain counts 2 as it bursts (its third link, which
// no golden trace reaches).
TEST(ParticleSystem, CentresFadesRemovesAndBurstsBySlotAndChain) {
    setParticleSizeLookup(testSizes);
    ParticleSystem s;
    s.emit(116, 66, 10, 0, 0, 0, 0, 127.5f, 0, 0, 0, ParticleAdditive);
    s.emit(116, 66, 3, 0, 0, 0, 0, 127.4f, 0, 0, 0, ParticleAdditive);
    setParticleSizeLookup(nullptr);
    const Particle &pic = s.items.front(), &without = s.items.back();
    EXPECT_EQ(std::vector<float>({pic.x, pic.y, without.x, without.y, float(pic.hasBitmap), float(without.hasBitmap)}),
              std::vector<float>({106, 56, 101, 61, 1, 0}));
    s.update();
    s.update();
    EXPECT_EQ(Ints({pic.dead, without.dead, s.count}), Ints({1, 0, 2}));
    s.update();
    EXPECT_EQ(Ints({s.count, static_cast<int>(s.items.size())}), Ints({1, 1}));
    freshState();
    Board b;
    const int slots[] = {1, 2, 3, 4, 6};
    for (int i = 0; i < 10; ++i) {
        std::mt19937 ref(5489);
        ref.discard(Random.draws());
        Cell cell;
        cell.colour = i % 5, cell.kind = KindBlock, b.chain = 1 + i / 5;
        b.particles.clear();
        b.burstCell(cell);
        const int n = 6 + static_cast<int>(ref() % 7);
        EXPECT_EQ(Ints({b.particles.count, b.particles.items.back().bitmap}), Ints({1 + n * b.chain, slots[i % 5]}));
    }
}

// A message fades in to exactly 255, holds until its hold time, fades out,
// drifts, is drawn once more invisibly and then removed; long text is cut.
TEST(Messages, FadeInHoldFadeOutAndRemoval) {
    FloatingMessageList list;
    list.add(0, 0, 100.0f, Rgb{}, 1, 0.5f, 2, 3, 200.0f, true, "%s", std::string(700, 'a').c_str());
    FloatingMessage& m = list.items.front();
    list.update();
    list.update();
    const std::vector<float> faded = {float(std::strlen(m.text)), m.alpha, float(m.fadingIn)};
    list.update();  // age 3 reaches the hold time
    EXPECT_EQ(faded, std::vector<float>({511, 255, 0}));
    EXPECT_EQ(std::vector<float>({m.alpha, m.x, m.y}), std::vector<float>({155, 3, 1.5f}));
    list.update();
    list.update();
    const bool finished = m.finished;
    list.update();
    EXPECT_TRUE(finished && list.items.empty());
}

TEST(Pointer, FadesInAndOutInSeventeenStepsAndReadsTheButtons) {
    MousePointer p;
    p.setFadeMode(7);
    EXPECT_EQ(p.fadeMode, FadeSteady);
    std::vector<float> seen;
    for (int mode : {FadeIn, FadeOut}) {
        p.setFadeMode(mode);
        for (int i = 0; i < 16; ++i) p.tick(mode == FadeIn ? 3 : 2);
        seen.insert(seen.end(), {p.alpha, float(p.fadeMode)});
        p.tick(mode == FadeIn ? 1 : 2);
        seen.insert(seen.end(), {p.alpha, float(p.fadeMode), float(p.leftDown), float(p.rightDown)});
    }
    EXPECT_EQ(seen, std::vector<float>({248, FadeIn, 255, FadeSteady, 1, 0, 7, FadeOut, 0, FadeOut, 0, 1}));
}

// The panel's growth is in the pause trace; its position is not: the kick
// carries it, friction stops it, and closing puts it back home.
TEST(PausePanelLogic, KickedOpenAndBackHome) {
    freshState();
    PausePanel panel;
    panel.setUp();
    panel.place(212, 334);
    panel.kick(35.25f, 0);
    panel.toggle();
    for (int i = 0; i < 31; ++i) panel.update();
    EXPECT_EQ(std::vector<float>({panel.x, panel.y}), std::vector<float>({212 + 209.0f, 334}));
    panel.toggle();
    panel.update();
    panel.toggle();  // still closing: refused
    EXPECT_FALSE(panel.isPaused());
    for (int i = 0; i < 4; ++i) panel.update();
    EXPECT_EQ(std::vector<float>({panel.alpha, panel.x, panel.vx, panel.step}), std::vector<float>({0, 212, 0, 5.25f}));
    EXPECT_EQ(soundLog(), (std::vector<int>{SoundPanelWake, SoundPanelBack}));
}

} // namespace
} // namespace tessaron
