// Target3D: a positional marker.
#include "scene/target3d.h"

Target3D::Target3D() { addKind(kKindTarget); }
