// Particle drawing: every particle of a system with its picture from the
// particle bank, in its draw mode (opaque copy, translucent, additive,
// masked sprite), or the word "ERROR" in green where it has no picture.
// Also the particle size lookup that the logic asks when a particle takes a
// picture.  Main thread; drawing once per frame.  Nothing can fail.
#pragma once

#include <allegro.h>

#include "render/particles.h"

namespace tessaron {

// Connects the logic's particle size lookup to ParticlePictures.
void connectParticlePictures();
void drawParticle(const Particle& particle, BITMAP* dst);
// Every particle in emission order.
void drawParticles(const ParticleSystem& system, BITMAP* dst);

} // namespace tessaron
