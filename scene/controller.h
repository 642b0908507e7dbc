// Controller: the keyframe animation of one scene node, bound by id, with up to four tracks
// (position, rotation, scale, visibility) evaluated at the clip time.
#pragma once

#include <cstdint>

#include "math/vector3.h"

class Track;
class Node3D;
class PackReader;
class PackWriter;

class Controller {
public:
    Controller() = default;
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    // Virtual operations in slot order.

    // Deletes the tracks that exist, with their keys and values.
    virtual ~Controller();
    // int32 targetId; four int32 presence flags (position, rotation, scale, visibility); then
    // the present tracks in that order.
    virtual void load(PackReader& reader);
    // The mirror of load.
    virtual void save(PackWriter& writer) const;

    // Finds the node by id under root (root itself is not compared), sets its time to t and
    // writes every track that brackets t through the node's setters. Nothing when the node is
    // missing. Keys whose values are not of the track's kind are ignored. The node found is kept
    // until the root or any node tree changes (nodeTreeVersion).
    void apply(int32_t t, Node3D* root);

    int32_t getTargetId() const { return targetId_; }
    void setTargetId(int32_t id) {
        targetId_ = id;
        resolvedVersion_ = 0;
    }
    // The tracks (null when absent). A set track is owned by the controller (any previous one is
    // deleted).
    Track* positionTrack() const { return positionTrack_; }
    Track* rotationTrack() const { return rotationTrack_; }
    Track* scaleTrack() const { return scaleTrack_; }
    Track* visibilityTrack() const { return visibilityTrack_; }
    void setPositionTrack(Track* track);
    void setRotationTrack(Track* track);
    void setScaleTrack(Track* track);
    void setVisibilityTrack(Track* track);

private:
    Track* positionTrack_ = nullptr;
    Track* rotationTrack_ = nullptr;
    Track* scaleTrack_ = nullptr;
    Track* visibilityTrack_ = nullptr;
    int32_t targetId_ = 0;
    // The last lookup of the target: under which root, what it found (null for nothing), and the
    // tree version it holds for (0: none).
    Node3D* resolvedRoot_ = nullptr;
    Node3D* resolvedNode_ = nullptr;
    uint64_t resolvedVersion_ = 0;
};

// a + (b - a) * s.
Vector3 interpolate(const Vector3& a, const Vector3& b, float s);
