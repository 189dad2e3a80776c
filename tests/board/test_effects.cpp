// The logic halves of the presentation: cell animation, particles, floating
// messages, the mouse pointer and the pause panel.
#include <gtest/gtest.h>

#include <cstring>

#include "render/pause_panel.h"
#include "support.h"

namespace tessaron {
namespace {
using namespace testing_support;

TEST(CellAnimation, NewBlockFadesInOverEightSteps) {
    Cell c;
    c.kind = KindBlock;
    c.colour = ColourRed;
    c.alpha = 0;
    for (int i = 1; i <= 7; ++i) {
        c.animate();
        EXPECT_EQ(c.alpha, 35 * i);
    }
    c.animate();
    EXPECT_EQ(c.alpha, 255);
}

TEST(CellAnimation, BreakerPulsesInAFortyStepCycle) {
    Cell c;
    c.kind = KindBreaker;
    c.animate();  // the first turn
    EXPECT_EQ(c.alpha, 255);
    for (int i = 0; i < 20; ++i) c.animate();
    EXPECT_EQ(c.alpha, 155);
    for (int i = 0; i < 20; ++i) c.animate();
    EXPECT_EQ(c.alpha, 255);
    EXPECT_TRUE(c.pulseDown);
}

TEST(CellAnimation, FlyingCellSlowsAndFalls) {
    Cell c;
    c.kind = KindBlock;
    c.flying = 1;
    c.vx = -25;
    c.vy = -45;
    c.animate();
    EXPECT_EQ(c.vx, -24);
    EXPECT_EQ(c.vy, -42);
    EXPECT_EQ(c.screenX, -25);
    c.animate();
    EXPECT_EQ(c.vx, -23);
    EXPECT_EQ(c.vy, -39);
    for (int i = 0; i < 23; ++i) c.animate();
    EXPECT_EQ(c.vx, 0);
    c.vy = -3;
    c.animate();
    EXPECT_EQ(c.vy, 0);
    c.animate();
    EXPECT_EQ(c.vy, 2);
}

// The render layer's size lookup: slot 10 holds a 20 x 20 picture.
bool testSizes(int slot, int* w, int* h) {
    if (slot != 10) return false;
    *w = *h = 20;
    return true;
}

class Particles : public ::testing::Test {
protected:
    void TearDown() override { setParticleSizeLookup(nullptr); }
};

TEST_F(Particles, FadeDelayAndStartDelay) {
    Particle p;
    p.fadeDelay = 2;
    p.fadeStep = 35.5f;
    p.update(1024, 768);
    EXPECT_FLOAT_EQ(p.alpha, 255.0f);
    p.update(1024, 768);
    EXPECT_FLOAT_EQ(p.alpha, 219.5f);

    Particle q;
    q.startDelay = 5;
    q.fadeDelay = 0;
    q.vx = 3;
    for (int i = 0; i < 4; ++i) q.update(1024, 768);
    EXPECT_FLOAT_EQ(q.x, 0.0f);
    EXPECT_FLOAT_EQ(q.alpha, 255.0f);
}

TEST_F(Particles, FloorAndSideBounceOnlyWithAPicture) {
    setParticleSizeLookup(testSizes);
    Particle p;
    p.setBitmap(10);
    ASSERT_TRUE(p.hasBitmap);
    p.gravity = 1;
    p.bounce = 1;
    p.friction = 0;
    p.y = 740;
    p.vy = 19;  // 20 after this step's gravity
    p.update(1024, 768);
    EXPECT_FLOAT_EQ(p.y, 748.0f);
    EXPECT_NEAR(p.vy, -20 + 1 / 0.15, 1e-4);
    p.x = 1;
    p.vx = -5;
    p.update(1024, 768);
    EXPECT_FLOAT_EQ(p.x, 0.0f);
    EXPECT_GT(p.vx, 0);
    p.x = 1000;
    p.vx = 10;
    p.update(1024, 768);
    EXPECT_FLOAT_EQ(p.x, 1004.0f);

    Particle none;  // no picture: no edges
    none.setBitmap(3);
    EXPECT_FALSE(none.hasBitmap);
    EXPECT_EQ(none.width, 30);
    none.y = 760;
    none.vy = 10;
    none.update(1024, 768);
    EXPECT_GT(none.y, 768.0f);
}

TEST_F(Particles, FlashLivesFourStepsAndIsRemovedTheStepAfter) {
    ParticleSystem s;
    s.emit(116, 66, ParticleSlotFlash, 0, 0, 0, 0, 65.5f, 0, 0, 0, ParticleAdditive);
    EXPECT_FLOAT_EQ(s.items.front().x, 101.0f);  // centred with the default 30 x 10
    EXPECT_FLOAT_EQ(s.items.front().y, 61.0f);
    for (int i = 0; i < 4; ++i) s.update();
    EXPECT_TRUE(s.items.front().dead);
    EXPECT_EQ(s.count, 1);
    s.update();
    EXPECT_EQ(s.count, 0);
}

TEST_F(Particles, BurstAddsSparksFromTheSecondLinkOfAChain) {
    freshState();
    Board b;
    Cell cell;
    cell.colour = ColourBlue;
    cell.kind = KindBlock;
    b.burstCell(cell);
    const int plain = b.particles.count;
    EXPECT_GE(plain, 7);
    EXPECT_LE(plain, 13);
    EXPECT_EQ(b.particles.items.back().bitmap, 3);
    b.particles.clear();
    b.chain = 2;
    const std::uint64_t before = Random.draws();
    b.burstCell(cell);
    const int n = b.particles.count / 2;  // flash + n streaks + n sparks
    EXPECT_EQ(b.particles.count, 1 + 2 * n);
    EXPECT_EQ(Random.draws() - before, 1u + 5u * n);
}

TEST(Messages, FadeInReachesExactly255) {
    FloatingMessageList list;
    list.add(0, 0, 6.25f, Rgb{255, 255, 255}, 0, 0, 6, 75, 5.5f, true, "Round %d", 1);
    FloatingMessage& m = list.items.front();
    EXPECT_STREQ(m.text, "Round 1");
    for (int i = 0; i < 46; ++i) list.update();
    EXPECT_FLOAT_EQ(m.alpha, 253.0f);
    list.update();
    EXPECT_FLOAT_EQ(m.alpha, 255.0f);
    EXPECT_FALSE(m.fadingIn);
}

TEST(Messages, HeldMessageFadesFromItsHoldTimeAndIsRemoved) {
    FloatingMessageList list;
    list.add(0, 0, 100.0f, Rgb{}, 1, 0.5f, 2, 3, 0, false, "x");
    FloatingMessage& m = list.items.front();
    list.update();
    list.update();
    EXPECT_FLOAT_EQ(m.alpha, 255.0f);
    list.update();
    EXPECT_FLOAT_EQ(m.alpha, 155.0f);
    EXPECT_FLOAT_EQ(m.x, 3.0f);
    list.update();
    list.update();
    EXPECT_TRUE(m.finished);  // still listed, drawn once more invisibly
    list.update();
    EXPECT_TRUE(list.items.empty());
}

TEST(Messages, LongTextIsCut) {
    FloatingMessageList list;
    std::string longText(700, 'a');
    list.add(0, 0, 1, Rgb{}, 0, 0, 0, 1, 1, false, "%s", longText.c_str());
    EXPECT_EQ(std::strlen(list.items.front().text), 511u);
}

TEST(Pointer, FadesAndHoldsItsModes) {
    MousePointer p;
    p.setFadeMode(7);
    EXPECT_EQ(p.fadeMode, FadeSteady);
    p.setFadeMode(FadeIn);
    int ticks = 0;
    while (p.fadeMode == FadeIn) {
        p.tick(3);
        ++ticks;
    }
    EXPECT_EQ(ticks, 17);
    EXPECT_FLOAT_EQ(p.alpha, 255.0f);
    EXPECT_TRUE(p.leftDown && p.rightDown);
    p.setFadeMode(FadeOut);
    for (int i = 0; i < 17; ++i) p.tick(0);
    EXPECT_FLOAT_EQ(p.alpha, 0.0f);
    EXPECT_EQ(p.fadeMode, FadeOut);
}

TEST(PausePanelLogic, OpensClosesAndRefusesAPauseWhileClosing) {
    freshState();
    PausePanel panel;
    panel.setUp();
    panel.place(212, 334);
    panel.kick(35.25f, 0);
    panel.toggle();
    EXPECT_TRUE(panel.isPaused());
    panel.update();
    EXPECT_FLOAT_EQ(panel.alpha, 5.25f);
    EXPECT_FLOAT_EQ(panel.width, 10.5f);
    EXPECT_FLOAT_EQ(panel.height, 2.625f);
    EXPECT_FLOAT_EQ(panel.step, 7.0f);
    for (int i = 0; i < 30; ++i) panel.update();
    EXPECT_FLOAT_EQ(panel.x, 212 + 209.0f);
    EXPECT_FLOAT_EQ(panel.width, 200.0f);
    EXPECT_FLOAT_EQ(panel.step, 50.75f);
    panel.toggle();
    EXPECT_FALSE(panel.isPaused());
    panel.update();
    panel.toggle();  // still closing: refused
    EXPECT_FALSE(panel.isPaused());
    for (int i = 0; i < 4; ++i) panel.update();
    EXPECT_FLOAT_EQ(panel.alpha, 0.0f);
    EXPECT_FLOAT_EQ(panel.x, 212.0f);
    EXPECT_EQ(soundLog(), (std::vector<int>{SoundPanelWake, SoundPanelBack}));
    EXPECT_TRUE(panel.quitRequested(false) == false);
}

} // namespace
} // namespace tessaron
