// ControllerSet: a scene clip's keyframe animation, the list of controllers applied every frame
// before the scene's update pass, with the clip's start and end times that clamp the time.
#pragma once

#include <cstdint>

#include "data/named_list.h"

class Controller;
class Node3D;
class PackReader;
class PackWriter;

class ControllerSet {
public:
    ControllerSet() = default;
    ControllerSet(const ControllerSet&) = delete;
    ControllerSet& operator=(const ControllerSet&) = delete;

    // Virtual operations in slot order.

    // int32 startTime, endTime, reserved, controllerCount, then the controllers; each one read
    // is put at the front of the list, so they are applied in reverse file order.
    virtual void load(PackReader& reader);
    // startTime, endTime, reserved, count, then the controllers in file order (the reverse of
    // the list), so that load of the result rebuilds the same list.
    virtual void save(PackWriter& writer) const;
    // Deletes the controllers.
    virtual ~ControllerSet();

    // Clamps t to startTime, then to endTime, and applies every controller in list order to the
    // nodes under root (the scene).
    void apply(int32_t t, Node3D* root);

    // Puts a controller at the front of the list (as load does); the set owns it.
    void prepend(Controller* controller);
    NamedList<Controller>& controllers() { return controllers_; }
    int32_t getStartTime() const { return startTime_; }
    void setStartTime(int32_t t) { startTime_ = t; }
    int32_t getEndTime() const { return endTime_; }
    void setEndTime(int32_t t) { endTime_ = t; }
    int32_t getReserved() const { return reserved_; }
    void setReserved(int32_t v) { reserved_ = v; }

private:
    NamedList<Controller> controllers_;
    int32_t startTime_ = 0;
    int32_t endTime_ = 0;
    int32_t reserved_ = 0;
};
