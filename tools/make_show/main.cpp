// make_show OUTDIR: writes the sample show (data.pak, spinner.flc, music.mp3) into OUTDIR.
#include <cstdio>
#include <string>

#include "data/message_box.h"
#include "tools/make_show/show_builder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_show OUTDIR\n");
        return 2;
    }
    // Saving a picture reports its compression in a box ("Z_OK"); failures come back as the
    // result, so only other boxes are worth printing.
    setMessageBoxSink([](const MessageBoxCall& call) {
        if (call.text != "Z_OK") stderrMessageBox(call);
        return MessageBoxResult::Ok;
    });
    std::string error;
    if (!writeShowFolder(argv[1], ShowBuildOptions{}, &error)) {
        std::fprintf(stderr, "make_show: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
