// make_show OUTDIR: writes the sample show (data.pak, spinner.flc, music.mp3) into OUTDIR.
#include <cstdio>
#include <string>

#include "tools/make_show/show_builder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_show OUTDIR\n");
        return 2;
    }
    std::string error;
    if (!writeShowFolder(argv[1], ShowBuildOptions{}, &error)) {
        std::fprintf(stderr, "make_show: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
