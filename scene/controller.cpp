// Controller: reading and evaluating one node's keyframe tracks.
#include "scene/controller.h"

#include <cstdint>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/key_value.h"
#include "scene/node3d.h"
#include "scene/track.h"

namespace {

// The key pair bracketing t, with its values as key values.
struct KeyPair {
    const KeyValue* v0;
    const KeyValue* v1;
    int32_t t0;
    int32_t t1;
};

bool findPair(Track* track, int32_t t, KeyPair& pair) {
    if (!track) return false;
    TimedKey* keys[2];
    if (track->findKeysAt(t, keys) != 0) return false;
    pair.v0 = keys[0]->getKeyValue();
    pair.v1 = keys[1]->getKeyValue();
    pair.t0 = keys[0]->getTime();
    pair.t1 = keys[1]->getTime();
    return true;
}

// (t - t0) / (t1 - t0) as the show computes it; the caller makes sure t1 != t0. 64-bit
// differences so that extreme key times cannot overflow.
float fraction(int32_t t, const KeyPair& pair) {
    double d = static_cast<double>(static_cast<int64_t>(t) - pair.t0);
    double span = static_cast<double>(static_cast<int64_t>(pair.t1) - pair.t0);
    return static_cast<float>(static_cast<float>(d) * (1.0 / span));
}

Track* loadTrack(PackReader& reader) {
    Track* track = new Track();
    track->load(reader);
    return track;
}

void replaceTrack(Track*& slot, Track* track) {
    if (slot != track) delete slot;
    slot = track;
}

}  // namespace

Vector3 interpolate(const Vector3& a, const Vector3& b, float s) { return a.plus(b.minus(a).times(s)); }

Controller::~Controller() {
    delete positionTrack_;
    delete rotationTrack_;
    delete scaleTrack_;
    delete visibilityTrack_;
}

void Controller::load(PackReader& reader) {
    ReadContext context(reader, "a controller");
    targetId_ = reader.getInt();
    resolvedVersion_ = 0;
    int32_t hasPosition = reader.getInt();
    int32_t hasRotation = reader.getInt();
    int32_t hasScale = reader.getInt();
    int32_t hasVisibility = reader.getInt();
    if (reader.failed()) return;
    if (hasPosition) replaceTrack(positionTrack_, loadTrack(reader));
    if (hasRotation && !reader.failed()) replaceTrack(rotationTrack_, loadTrack(reader));
    if (hasScale && !reader.failed()) replaceTrack(scaleTrack_, loadTrack(reader));
    if (hasVisibility && !reader.failed()) replaceTrack(visibilityTrack_, loadTrack(reader));
}

void Controller::save(PackWriter& writer) const {
    writer.writeInt(targetId_);
    writer.writeInt(positionTrack_ ? 1 : 0);
    writer.writeInt(rotationTrack_ ? 1 : 0);
    writer.writeInt(scaleTrack_ ? 1 : 0);
    writer.writeInt(visibilityTrack_ ? 1 : 0);
    if (positionTrack_) positionTrack_->save(writer);
    if (rotationTrack_) rotationTrack_->save(writer);
    if (scaleTrack_) scaleTrack_->save(writer);
    if (visibilityTrack_) visibilityTrack_->save(writer);
}

void Controller::setPositionTrack(Track* track) { replaceTrack(positionTrack_, track); }
void Controller::setRotationTrack(Track* track) { replaceTrack(rotationTrack_, track); }
void Controller::setScaleTrack(Track* track) { replaceTrack(scaleTrack_, track); }
void Controller::setVisibilityTrack(Track* track) { replaceTrack(visibilityTrack_, track); }

void Controller::apply(int32_t t, Node3D* root) {
    if (!root) return;
    const uint64_t version = nodeTreeVersion();
    if (root != resolvedRoot_ || version != resolvedVersion_) {
        resolvedNode_ = root->findNodeById(targetId_);
        resolvedRoot_ = root;
        resolvedVersion_ = version;
    }
    Node3D* node = resolvedNode_;
    if (!node) return;
    node->setTime(t);

    KeyPair pair;
    if (findPair(positionTrack_, t, pair)) {
        const Vector3* a = keyVector(pair.v0);
        const Vector3* b = keyVector(pair.v1);
        if (a && b) {
            if (t != pair.t0)
                node->setPosition(interpolate(*a, *b, fraction(t, pair)));
            else
                node->setPosition(*a);
        }
    }
    if (findPair(rotationTrack_, t, pair)) {
        const Quaternion* a = keyQuaternion(pair.v0);
        const Quaternion* b = keyQuaternion(pair.v1);
        if (a && b) {
            if (t != pair.t0)
                node->setQuaternion(Quaternion::slerp(*a, *b, fraction(t, pair)));
            else
                node->setQuaternion(*a);
        }
    }
    if (findPair(scaleTrack_, t, pair)) {
        const Vector3* a = keyVector(pair.v0);
        const Vector3* b = keyVector(pair.v1);
        if (a && b) {
            // Two keys at the same time give the earlier key rather than a division by zero.
            float s = pair.t1 != pair.t0 ? fraction(t, pair) : 0.0f;
            node->setScale(interpolate(*a, *b, s));
        }
    }
    if (findPair(visibilityTrack_, t, pair)) {
        if (const float* v = keyFloat(pair.v0)) node->setVisible(*v == 1.0f);
    }
}
