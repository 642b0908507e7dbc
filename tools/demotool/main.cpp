// demotool: offline recording, snapshots and inspection of a show. See 'demotool help'.
#include "tools/demotool/cli.h"

int main(int argc, char** argv) { return runDemotool(argc, argv); }
