// The one call through which the fuzz targets load a whole show: a ShowSession on the device that
// draws nothing, as the players open theirs, with the fuzz process's show folder.
#pragma once

#include "app/show_session.h"

// Loads the pack at path into session exactly as the players do, with the files it names taken
// from fuzzShowFolder(). Closing the session (or opening the next) releases what the load made.
ShowLoadResult fuzzLoadShow(const char* path, ShowSession& session);
