// Loading a whole show for the fuzz targets.
#include "fuzz/show_entry.h"

#include "fuzz/fuzz_support.h"

ShowLoadResult fuzzLoadShow(const char* path, ShowSession& session) {
    return session.openPack(path, fuzzShowFolder());
}
