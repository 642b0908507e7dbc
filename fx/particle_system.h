// ParticleSystem: a small mass-spring simulation without time step (one step is one frame,
// velocities in units per step). Particles and springs lie in flat arrays; springs point into the
// particle array, which therefore never moves while springs exist. MeshParticleSystem binds one
// to a mesh to make it wobble.
#pragma once

#include <cfloat>
#include <cstdint>

#include "math/vector3.h"

// Particle flags.
constexpr uint8_t kParticleOwnDamping = 1 << 0;  // use the particle's own damping
constexpr uint8_t kParticleFixed = 1 << 2;       // an anchor that springs do not move

struct Particle {
    Vector3 position{0, 0, 0};
    Vector3 force{0, 0, 0};
    Vector3 velocity{0, 0, 0};  // units per step
    uint8_t flags = 0;
    float damping = 1.0f;       // used only with kParticleOwnDamping
    float mass = 1.0f;          // multiplies gravity only

    bool isFixed() const { return (flags & kParticleFixed) != 0; }
};

// Spring flags.
constexpr uint8_t kSpringDirectionOn = 1 << 2;
constexpr uint8_t kSpringLengthOn = 1 << 3;

struct Spring {
    // Both ends null, both stiffnesses 0.01, length and direction forces on, no length limits.
    Spring() = default;

    // restDirection := b - a, restLength := its length.
    void resetRest();
    // The length force if on, then the direction force if on.
    void apply();
    // Pushes a compressed spring apart and pulls a stretched one together (fixed ends excluded).
    void applyLengthForce();
    // Pulls the pair back towards its rest offset, growing with the turn away from restDirection.
    void applyDirectionForce();

    Particle* a = nullptr;
    Particle* b = nullptr;
    uint8_t flags = kSpringDirectionOn | kSpringLengthOn;
    float directionStiffness = 0.01f;
    Vector3 restDirection{0, 0, 0};
    float restLength = 0.0f;
    float lengthStiffness = 0.01f;
    float minLength = 0.0f;      // used by the length-limit pass only
    float maxLength = FLT_MAX;   // used by the length-limit pass only
};

class ParticleSystem {
public:
    ParticleSystem();
    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    // Virtual operations in slot order.
    // 0: release, then free.
    virtual ~ParticleSystem();
    // 1: OnPreSimul; max(substeps, 1) passes of forces, springs, gravity (if on), velocity,
    // positions, length limits (if on) and damping; OnPostSimul.
    virtual void simulate();
    // 2: frees the springs and (unless external) the particles; both counts 0. Keeps the
    // externalParticles flag.
    virtual void release();
    // 3, 4: hooks around each step; nothing here.
    virtual void OnPreSimul() {}
    virtual void OnPostSimul() {}

    // The individual steps (a mesh runs them in its own order).
    void clearForces();
    void applySprings();
    // force += g * mass for each of the count particles.
    static void applyGravity(Particle* particles, int count, const Vector3& g);
    // velocity += force (no division by mass).
    void accumulateVelocity();
    // position += velocity / substeps (the whole velocity for 0 or 1 substeps).
    void integratePositions();
    // velocity *= own damping (kParticleOwnDamping) or the system's.
    void applyDamping();
    // Keeps every spring's length within [minLength, maxLength].
    void applyLengthLimits();
    // Every spring's rest state from the current positions; forces and velocities zeroed.
    void resetRestState();
    // Nothing if k equals the current value exactly; otherwise copied into every spring, whose
    // force is switched on exactly when k != 0.
    void setLengthStiffness(float k);
    void setDirectionStiffness(float k);
    void setLengthLimits(bool on) { useLengthLimits_ = on; }

    // Replaces the contents with owned arrays of particleCount particles and springCount springs
    // (default values, springs unconnected), for systems built by hand. Counts must be >= 0.
    void allocate(int particleCount, int springCount);

    Particle* particles() { return particles_; }
    Spring* springs() { return springs_; }
    int particleCount() const { return particleCount_; }
    int springCount() const { return springCount_; }
    float damping() const { return damping_; }
    void setDamping(float d) { damping_ = d; }
    int substeps() const { return substeps_; }
    void setSubsteps(int n) { substeps_ = n; }
    bool useGravity() const { return useGravity_; }
    void setUseGravity(bool on) { useGravity_ = on; }
    const Vector3& gravity() const { return gravity_; }
    void setGravity(const Vector3& g) { gravity_ = g; }
    const Vector3& worldGravity() const { return worldGravity_; }
    void setWorldGravity(const Vector3& g) { worldGravity_ = g; }
    float lengthStiffness() const { return lengthStiffness_; }
    float directionStiffness() const { return directionStiffness_; }
    bool useLengthLimits() const { return useLengthLimits_; }
    bool externalParticles() const { return externalParticles_; }

protected:
    Particle* particles_ = nullptr;
    Spring* springs_ = nullptr;
    int springCount_ = 0;
    int particleCount_ = 0;
    float damping_ = 0.9f;
    int substeps_ = 1;
    bool useGravity_ = false;
    Vector3 gravity_{0.0f, 0.0f, 0.0f};  // set from worldGravity_ by the constructor
    float lengthStiffness_ = 0.15f;
    float directionStiffness_ = 0.3f;
    bool useLengthLimits_ = false;
    Vector3 worldGravity_{0.0f, -0.9f, 0.0f};
    bool externalParticles_ = false;
};
