// Taper3D: a deformer node without behaviour of its own.
#include "scene/taper3d.h"

Taper3D::Taper3D() { addKind(kKindTaper); }
