// Particles: the logic half of the short-lived sprites that make destroyed
// blocks burst.  A Particle holds a bank SLOT number (never a bitmap), a
// float position and velocity, gravity, friction, screen-edge bounces and a
// linear fade; a ParticleSystem owns its particles (one heap object each, in
// emission order) and advances them once per logic step.  Picture sizes come
// through the size-lookup seam, which the render layer connects once its
// particle bank is loaded; unconnected (as in the simulator) no slot has a
// picture and particles keep 30 x 10.  Drawing lives in tessaron_render.
// Stepped by the thread of its match (in the game the main thread, which
// also draws them); nothing can fail.
#pragma once

#include <cstdint>
#include <list>

namespace tessaron {

// Particle bank slots the bursts use.
constexpr int ParticleSlotFlash = 10;

// Slot -> does it hold a picture, and its size.
using ParticleSizeLookup = bool (*)(int slot, int* width, int* height);
void setParticleSizeLookup(ParticleSizeLookup lookup);

enum ParticleDrawMode : std::int32_t {
    ParticleOpaque = 0,
    ParticleTranslucent = 1,
    ParticleAdditive = 2,
    ParticleMasked = 3,
};

struct Particle {
    std::int32_t bitmap = 0;         // particle bank slot
    float x = 0, y = 0;              // top-left corner on the screen
    float vx = 0, vy = 0;            // pixels per step
    std::int32_t age = 0;
    std::uint8_t hasBitmap = 0;      // the slot held a picture when set
    std::uint8_t dead = 0;
    std::int32_t startDelay = 0;     // still and unfaded until age reaches it
    std::uint8_t frozen = 0;         // does not move, still fades
    std::uint8_t bounceAtSides = 1;
    std::uint8_t floor = 1;          // stopped by the bottom of the screen
    std::uint8_t stopAtFloor = 0;
    float alpha = 255.0f;
    float fadeStep = 1.55f;
    std::int32_t fadeDelay = 20;     // age at which fading starts
    float gravity = 1.5f;
    float bounce = 1.5f;
    float friction = 0.185f;
    std::int32_t width = 30, height = 10;
    std::int32_t drawMode = ParticleAdditive;

    // Stores the slot and takes its picture's size when it has one.
    void setBitmap(std::int32_t slot);
    // Places the particle so that its centre is (cx, cy), integer halving.
    void centreOn(std::int32_t cx, std::int32_t cy);
    // One logic step; the screen size bounds the edge and floor bounces.
    void update(int screenWidth, int screenHeight);
};

class ParticleSystem {
public:
    void emit(std::int32_t x, std::int32_t y, std::int32_t bitmap, float vx, float vy,
              std::int32_t fadeDelay, std::int32_t startDelay, float fadeStep, float gravity,
              float bounce, float friction, std::int32_t drawMode);
    // Removes particles that died in an earlier step, advances the others.
    void update();
    // Destroys every particle.
    void clear();

    std::list<Particle> items;     // emission order
    std::int32_t count = 0;        // live entries
    int screenWidth = 1024;        // the screen's edges and floor
    int screenHeight = 768;
};

} // namespace tessaron
