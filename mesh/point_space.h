// PointSpace selects which point array an operation works on.
#pragma once

enum PointSpace : int {
    kLocalPoints = 0,        // the points as loaded, in the node's own frame
    kTransformedPoints = 2,  // recomputed every frame from the local points
};

// Result codes of the point setters.
enum : int { kPointDone = 0, kPointSpaceUnsupported = 2 };

// True for the two supported spaces.
inline bool isValidPointSpace(int space) { return space == kLocalPoints || space == kTransformedPoints; }
