// The classification of a point set against a plane, shared by meshes and faces.
#include "mesh/vertex_set.h"

int VertexSet::classify(const Plane& plane, int space) {
    const int count = getPointCount();
    int examined = 0;
    int on = 0;
    int notBehind = 0;
    int notInFront = 0;
    for (int i = 0; i < count; ++i) {
        const Vector3* p = getPoint(i, space);
        if (!p) continue;  // an unsupported space or an unreadable point counts as absent
        ++examined;
        const int r = p->classifyAgainst(plane);
        if (r == 2) ++on;
        if (r == 0 || r == 2) ++notBehind;
        if (r == 1 || r == 2) ++notInFront;
    }
    if (on == examined) return 2;
    if (notBehind == examined) return 0;
    if (notInFront == examined) return 1;
    return 3;
}
