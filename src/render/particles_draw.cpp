#include "render/particles_draw.h"

#include "gfx/blend.h"
#include "render/bitmap_bank.h"

namespace tessaron {
namespace {

bool particlePictureSize(int slot, int* width, int* height) {
    BITMAP* picture = ParticlePictures.get(slot);
    if (!picture) return false;
    *width = picture->w;
    *height = picture->h;
    return true;
}

} // namespace

void connectParticlePictures() { setParticleSizeLookup(particlePictureSize); }

void drawParticle(const Particle& p, BITMAP* dst) {
    if (!dst) return;
    const int x = static_cast<int>(p.x);
    const int y = static_cast<int>(p.y);
    BITMAP* picture = p.hasBitmap ? ParticlePictures.get(p.bitmap) : nullptr;
    if (!picture) {
        textout_ex(dst, font, "ERROR", x, y, makecol(0, 255, 0), -1);
        return;
    }
    const int alpha = static_cast<int>(p.alpha);
    switch (p.drawMode) {
    case ParticleTranslucent: translucent_blit(picture, dst, x, y, alpha); break;
    case ParticleAdditive: additive_blit(picture, dst, x, y, alpha); break;
    case ParticleMasked: draw_sprite(dst, picture, x, y); break;
    default: blit(picture, dst, 0, 0, x, y, p.width, p.height); break;
    }
}

void drawParticles(const ParticleSystem& system, BITMAP* dst) {
    for (const Particle& p : system.items) drawParticle(p, dst);
}

} // namespace tessaron
