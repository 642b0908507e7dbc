// Writing the show's pack: the mesh section (the registry's save), then the timeline section
// through the timeline writer.
#pragma once

#include <string>

#include "app/timeline_writer.h"

class MeshRegistry;
class PackWriter;

// Writes the mesh section, then the timeline section. False, with what failed in error, when a
// record could not be saved or the writer failed.
bool writeShowPack(PackWriter& writer, MeshRegistry& registry, const TimelineContent& timeline, std::string* error);
