// Pisse3D: the emission step (shared frame counter, rest listener, target, jittered velocity and
// angles drawn from the shared generator) and the retirement of drops that came to rest.
#include "fx/pisse3d.h"

#include <climits>
#include <cstdlib>

#include "data/message_box.h"
#include "math/random.h"
#include "mesh/rigid_body.h"
#include "scene/body_spawner.h"
#include "scene/scene3d.h"
#include "mesh/scene_physics.h"

namespace {
// Frames between two drops are counted by one counter for every stream of the process.
int32_t gFrameCounter = 0;
// A drop covers one sixtieth of the way to the target per step.
constexpr float kStepsToTarget = 60.0f;
}  // namespace

int32_t Pisse3D::frameCounter() { return gFrameCounter; }

void Pisse3D::resetFrameCounter() { gFrameCounter = 0; }

Pisse3D::Pisse3D(BodySpawner* spawner) : spawner_(spawner) {
    addKind(kKindPisse);
    seedRandom(1);
}

void Pisse3D::onPropertiesLoaded() {
    if (const char* value = findProperty("flux")) {
        // Decimal, leading blanks and a sign accepted, stops at the first non-digit; no digits
        // gives 0. Out-of-range values saturate.
        const long n = std::strtol(value, nullptr, 10);
        flux_ = static_cast<int32_t>(n > INT32_MAX ? INT32_MAX : (n < INT32_MIN ? INT32_MIN : n));
    }
    Taper3D::onPropertiesLoaded();
}

int Pisse3D::draw(RenderDevice* device, int width, int height, bool recurse) {
    if (!isVisible()) return 0;
    if (gFrameCounter < INT32_MAX) ++gFrameCounter;
    if (gFrameCounter < flux_ || !spawner_) return 0;

    Node3D* root = getRoot();
    if (Scene3D* scene = dynamic_cast<Scene3D*>(root))
        if (ScenePhysics* physics = scene->getPhysics()) physics->setRestListener(this);

    Node3D* target = root->findNodeById(getTargetId());
    if (!target) {
        // Without a target there is no direction: report it and emit nothing this time.
        messageBox("error:target null in pisse", "", MessageBoxStyle::Ok);
        return 0;
    }
    const Vector3 p = getPosition();
    const Vector3 t = target->getPosition();
    Vector3 v((t.x - p.x) / kStepsToTarget, (t.y - p.y) / kStepsToTarget, (t.z - p.z) / kStepsToTarget);
    gFrameCounter = 0;

    // The draws are sequenced one by one: x, y, z of the scatter, then of the angles, then u1..u3.
    const double jx = uniform(0.01);
    const double jy = uniform(0.01);
    const double jz = uniform(0.01);
    v.x = static_cast<float>(v.x - 0.005 + jx);
    v.y = static_cast<float>(v.y + jy);
    v.z = static_cast<float>(v.z + jz);
    Vector3 angles;
    angles.x = static_cast<float>(uniform(0.09));
    angles.y = static_cast<float>(uniform(0.09));
    angles.z = static_cast<float>(uniform(0.09));
    const float u1 = static_cast<float>(uniform(1.0));
    const float u2 = static_cast<float>(uniform(1.0));
    const float u3 = static_cast<float>(uniform(1.0));
    spawner_->spawnBody(kDropSize, p, v, angles, u1, u2, u3);
    return 0;
}

void Pisse3D::onDropSettled(RigidBody* body) {
    if (!body) return;
    Scene3D* scene = dynamic_cast<Scene3D*>(getRoot());
    if (!scene || !scene->getPhysics()) return;
    scene->getPhysics()->removeBody(body);
    settledDrops_.addLast(body->getNode());
}
