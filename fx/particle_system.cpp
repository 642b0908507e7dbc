// ParticleSystem: springs, forces and the per-step passes of the mass-spring simulation.
#include "fx/particle_system.h"

#include <algorithm>

#include "math/plane.h"

namespace {

// x without its component along normal; unchanged when normal is the zero vector (no direction
// to remove).
Vector3 flatten(const Vector3& x, const Vector3& normal) {
    if (normal.isZero()) return x;
    return Plane(normal.x, normal.y, normal.z, 0.0f).projectPoint(x);
}

// d scaled to length len (negative: against d); a zero d stays zero.
Vector3 atLength(const Vector3& d, float len) {
    Vector3 r = d;
    r.setLength(len);
    return r;
}

}  // namespace

void Spring::resetRest() {
    restDirection = b->position.minus(a->position);
    restLength = restDirection.length();
}

void Spring::apply() {
    if (flags & kSpringLengthOn) applyLengthForce();
    if (flags & kSpringDirectionOn) applyDirectionForce();
}

void Spring::applyLengthForce() {
    const Vector3 d = b->position.minus(a->position);
    const float f = (restLength - d.length()) * lengthStiffness;
    if (f == 0.0f) return;
    const bool aFixed = a->isFixed();
    const bool bFixed = b->isFixed();
    if (aFixed && bFixed) return;
    if (aFixed) {
        b->force.add(atLength(d, f));
    } else if (bFixed) {
        a->force.subtract(atLength(d, f));
    } else {
        b->force.add(atLength(d, 0.5f * f));
        a->force.subtract(atLength(d, 0.5f * f));
    }
}

void Spring::applyDirectionForce() {
    const Vector3 d = b->position.minus(a->position);
    float c = (1.0f - d.cosAngleTo(restDirection)) * 0.5f;
    if (!(c >= 0.0001f)) c = 0.0001f;
    const float s = c * directionStiffness;
    if (s == 0.0f) return;
    const Vector3 corr = restDirection.minus(d).times(s);
    if (!b->isFixed()) b->force.add(corr);
    if (!a->isFixed()) a->force.subtract(corr);
}

ParticleSystem::ParticleSystem() { gravity_ = worldGravity_; }

ParticleSystem::~ParticleSystem() { ParticleSystem::release(); }

void ParticleSystem::release() {
    delete[] springs_;
    if (!externalParticles_) delete[] particles_;
    particles_ = nullptr;
    springs_ = nullptr;
    particleCount_ = 0;
    springCount_ = 0;
}

void ParticleSystem::allocate(int particleCount, int springCount) {
    release();
    particleCount = std::max(particleCount, 0);
    springCount = std::max(springCount, 0);
    externalParticles_ = false;
    particles_ = new Particle[particleCount];
    springs_ = new Spring[springCount];
    particleCount_ = particleCount;
    springCount_ = springCount;
}

void ParticleSystem::simulate() {
    OnPreSimul();
    const int passes = std::max(substeps_, 1);
    for (int pass = 0; pass < passes; ++pass) {
        clearForces();
        applySprings();
        if (useGravity_) applyGravity(particles_, particleCount_, gravity_);
        accumulateVelocity();
        integratePositions();
        if (useLengthLimits_) applyLengthLimits();
        applyDamping();
    }
    OnPostSimul();
}

void ParticleSystem::clearForces() {
    for (int i = 0; i < particleCount_; ++i) particles_[i].force.setZero();
}

void ParticleSystem::applySprings() {
    for (int j = 0; j < springCount_; ++j) springs_[j].apply();
}

void ParticleSystem::applyGravity(Particle* particles, int count, const Vector3& g) {
    for (int i = 0; i < count; ++i) particles[i].force.add(g.times(particles[i].mass));
}

void ParticleSystem::accumulateVelocity() {
    for (int i = 0; i < particleCount_; ++i) particles_[i].velocity.add(particles_[i].force);
}

void ParticleSystem::integratePositions() {
    for (int i = 0; i < particleCount_; ++i) {
        Particle& p = particles_[i];
        if (substeps_ == 1)
            p.position.add(p.velocity);
        else
            p.position.add(p.velocity.over(static_cast<float>(substeps_)));
    }
}

void ParticleSystem::applyDamping() {
    for (int i = 0; i < particleCount_; ++i) {
        Particle& p = particles_[i];
        p.velocity.scale((p.flags & kParticleOwnDamping) ? p.damping : damping_);
    }
}

void ParticleSystem::applyLengthLimits() {
    for (int j = 0; j < springCount_; ++j) {
        Spring& s = springs_[j];
        Particle* a = s.a;
        Particle* b = s.b;
        if (a->isFixed() || b->isFixed()) {
            // Fixed-end rule: move the free end back within the limits.
            Particle* fixedEnd = b->isFixed() ? b : a;
            Particle* freeEnd = b->isFixed() ? a : b;
            Vector3 d = freeEnd->position.minus(fixedEnd->position);
            const float L = d.length();
            if (L < s.minLength) {
                if (L != 0.0f)
                    d.scale(s.minLength / L);
                else
                    d = atLength(s.restDirection, s.minLength);  // no direction of its own
                freeEnd->position = fixedEnd->position.plus(d);
                freeEnd->velocity = flatten(freeEnd->velocity, s.restDirection);
            }
            if (L > s.maxLength) {
                d.scale(s.maxLength / L);
                freeEnd->position = fixedEnd->position.plus(d);
                freeEnd->velocity = flatten(freeEnd->velocity, s.restDirection);
            }
        } else {
            // Free-ends rule: remove what would move the ends further out of the limits.
            const Vector3 d = a->position.minus(b->position);
            const float L = d.length();
            if (L < s.minLength) {
                if (d.cosAngleTo(a->force) < 0.0f) a->force = flatten(a->force, d);
                if (d.cosAngleTo(b->force) > 0.0f) b->force = flatten(b->force, d);
                if (d.dot(a->velocity) < 0.0f) a->velocity = flatten(a->velocity, d);
                if (d.dot(b->velocity) > 0.0f) b->velocity = flatten(b->velocity, d);
            }
            if (L > s.maxLength) {
                if (d.dot(a->force) > 0.0f) a->force = flatten(a->force, d);
                if (d.dot(b->force) < 0.0f) b->force = flatten(b->force, d);
                if (d.dot(a->velocity) > 0.0f) a->velocity = flatten(a->velocity, d);
                if (d.dot(b->velocity) < 0.0f) b->velocity = flatten(b->velocity, d);
            }
        }
    }
}

void ParticleSystem::resetRestState() {
    for (int j = 0; j < springCount_; ++j) springs_[j].resetRest();
    for (int i = 0; i < particleCount_; ++i) {
        particles_[i].force.setZero();
        particles_[i].velocity.setZero();
    }
}

void ParticleSystem::setLengthStiffness(float k) {
    if (k == lengthStiffness_) return;
    lengthStiffness_ = k;
    for (int j = 0; j < springCount_; ++j) {
        springs_[j].lengthStiffness = k;
        if (k != 0.0f)
            springs_[j].flags |= kSpringLengthOn;
        else
            springs_[j].flags &= static_cast<uint8_t>(~kSpringLengthOn);
    }
}

void ParticleSystem::setDirectionStiffness(float k) {
    if (k == directionStiffness_) return;
    directionStiffness_ = k;
    for (int j = 0; j < springCount_; ++j) {
        springs_[j].directionStiffness = k;
        if (k != 0.0f)
            springs_[j].flags |= kSpringDirectionOn;
        else
            springs_[j].flags &= static_cast<uint8_t>(~kSpringDirectionOn);
    }
}
