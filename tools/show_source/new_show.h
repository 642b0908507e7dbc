// The small, commented starting show that 'demotool new' writes.
#pragma once

#include <string>

// Writes the starting show's source into folder (created if missing; files already there are
// replaced): show.yaml, scenes/cube.yaml, meshes/cube.yaml with cube.obj, pictures/title.png and
// nine seconds of generated music.mp3. False with the reason in error.
bool writeNewShow(const std::string& folder, std::string* error);
