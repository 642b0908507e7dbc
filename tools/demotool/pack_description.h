// What a pack holds, read through the show's own loaders: mesh entries, library animations,
// tracks with their cells, each scene's node tree, controllers and physics records. The
// description is one JSON document; the text form prints the same document for people.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

// Loads the pack at path in a ShowSession (files it names are looked up beside it, as in a show's
// folder) and describes it. False when the pack cannot be opened or is damaged, with the
// loader's error (naming the byte offset) in error; messages shown while loading go to the
// installed message-box sink. A fault that loading survived (a face index outside its points) is
// described under "warning": the first one and how many more there were.
bool inspectPack(const std::string& path, nlohmann::ordered_json* description, std::string* error);

// The text form of a description made by inspectPack: one indented line per item.
std::string formatInspection(const nlohmann::ordered_json& description);
