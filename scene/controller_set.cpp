// ControllerSet: the scene clip's controllers, their record and the per-frame evaluation.
#include "scene/controller_set.h"

#include <vector>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/controller.h"

namespace {
// Bound for the controller count read from a file.
constexpr int32_t kMaxControllers = 1 << 20;
}  // namespace

ControllerSet::~ControllerSet() {
    for (Controller* controller : controllers_) delete controller;
}

void ControllerSet::load(PackReader& reader) {
    ReadContext context(reader, "the controller set");
    startTime_ = reader.getInt();
    endTime_ = reader.getInt();
    reserved_ = reader.getInt();
    int32_t n = reader.getInt();
    if (!reader.checkCount(n, kMaxControllers, "controller count")) return;
    for (int32_t i = 0; i < n && !reader.failed(); ++i) {
        Controller* controller = new Controller();
        controller->load(reader);
        prepend(controller);
    }
}

void ControllerSet::save(PackWriter& writer) const {
    writer.writeInt(startTime_);
    writer.writeInt(endTime_);
    writer.writeInt(reserved_);
    writer.writeInt(controllers_.count());
    // File order is the reverse of the list, so that load rebuilds the same list.
    std::vector<const Controller*> ordered;
    ordered.reserve(static_cast<size_t>(controllers_.count()));
    for (const Controller* controller : controllers_) ordered.push_back(controller);
    for (auto it = ordered.rbegin(); it != ordered.rend(); ++it) (*it)->save(writer);
}

void ControllerSet::apply(int32_t t, Node3D* root) {
    if (t < startTime_) t = startTime_;
    if (t > endTime_) t = endTime_;
    for (Controller* controller : controllers_) controller->apply(t, root);
}

void ControllerSet::prepend(Controller* controller) {
    if (controller) controllers_.addFirst(controller);
}
