#include "render/particles.h"

#include "render/motion.h"

namespace tessaron {
namespace {
ParticleSizeLookup SizeLookup = nullptr;
} // namespace

void setParticleSizeLookup(ParticleSizeLookup lookup) { SizeLookup = lookup; }

void Particle::setBitmap(std::int32_t slot) {
    bitmap = slot;
    int w = 0;
    int h = 0;
    if (SizeLookup && SizeLookup(slot, &w, &h)) {
        width = w;
        height = h;
        hasBitmap = 1;
    } else {
        hasBitmap = 0;
    }
}

void Particle::centreOn(std::int32_t cx, std::int32_t cy) {
    x = static_cast<float>(cx - width / 2);
    y = static_cast<float>(cy - height / 2);
}

void Particle::update(int screenWidth, int screenHeight) {
    if (dead) return;
    ++age;
    if (age < startDelay) return;
    if (!frozen) {
        x += vx;
        y += vy;
    }
    // A rising particle is slowed half again as hard as a falling one is
    // sped up.
    if (vy >= 0) vy += gravity;
    if (vy < 0) vy += 1.5f * gravity;
    vx = slowTowardZero(vx, friction);
    if (hasBitmap) {
        if (bounceAtSides) {
            if (x <= 0) {
                x = 0;
                vx = -vx;
            }
            if (x + width >= screenWidth) {
                x = static_cast<float>(screenWidth - width);
                vx = -vx;
            }
        }
        if (floor && y + height >= screenHeight) {
            y = static_cast<float>(screenHeight - height);
            if (stopAtFloor) {
                vx = vy = 0;
            } else {
                vy = -vy + bounce / 0.15f;
            }
        }
    }
    if (age >= fadeDelay) alpha -= fadeStep;
    if (alpha <= 0) dead = 1;
}

void ParticleSystem::emit(std::int32_t x, std::int32_t y, std::int32_t bitmap, float vx, float vy,
                          std::int32_t fadeDelay, std::int32_t startDelay, float fadeStep, float gravity,
                          float bounce, float friction, std::int32_t drawMode) {
    items.emplace_back();
    Particle& p = items.back();
    p.setBitmap(bitmap);
    p.centreOn(x, y);
    p.vx = vx;
    p.vy = vy;
    p.fadeDelay = fadeDelay;
    p.startDelay = startDelay;
    p.fadeStep = fadeStep;
    p.gravity = gravity;
    p.bounce = bounce;
    p.friction = friction;
    p.drawMode = drawMode;
    ++count;
}

void ParticleSystem::update() {
    if (count < 1) return;
    for (auto it = items.begin(); it != items.end();) {
        if (it->dead) {
            it = items.erase(it);
            --count;
        } else {
            it->update(screenWidth, screenHeight);
            ++it;
        }
    }
}

void ParticleSystem::clear() {
    items.clear();
    count = 0;
}

} // namespace tessaron
