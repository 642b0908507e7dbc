// Subcommand dispatch, help texts and option parsing of demotool.
#include "tools/demotool/cli.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

struct CommandHelp {
    const char* name;
    const char* synopsis;  // the usage line(s)
    const char* details;   // what it does and its options
};

const CommandHelp kCommands[] = {
    {"record",
     "usage: demotool record [-o FILE] [--size WxH] [--fps N] [--from SEC] [--to SEC]\n"
     "                       [--codec NAME] [--crf N] [--no-audio] [--verbose] [--dir SHOWDIR]\n",
     "Plays the show in SHOWDIR (data.pak and music.mp3) offline, on a headless GL context,\n"
     "and writes it to a video file. The show advances in steps of 1000/60 ms as on a 60 Hz\n"
     "display, so physics and effects keep their live speed; every step that falls on the\n"
     "output rate becomes a frame, and only those are drawn (the steps between are played\n"
     "without drawing). Frames are encoded on a thread of their own while the next\n"
     "ones are drawn. Ctrl-C (or SIGTERM) ends the file with the frames so far; a frame that\n"
     "cannot be written (a full disk, say) ends it too, with what was written before, and the\n"
     "command says what failed and exits with 1.\n"
     "\n"
     "The kind of file follows FILE's extension: .avi and .mkv (default codec ffv1, lossless),\n"
     ".mp4 and .mov (default codec libx264, yuv420p, with the index at the front of the file,\n"
     "ready to stream or upload). The music is copied in as it is.\n"
     "\n"
     "  -o FILE        output file (default: Untitled.avi)\n"
     "  --size WxH     window size, letterbox bars included (default: 1024x768); also 720p,\n"
     "                 1080p, 1440p or 4k\n"
     "  --fps N        output frames per second; must divide 60 (default: 30)\n"
     "  --from SEC     first frame at this show time; the show is still simulated from 0\n"
     "  --to SEC       stop before this show time (default: the end of the show)\n"
     "  --codec NAME   libavcodec video encoder: ffv1 (lossless), utvideo, rawvideo, libx264,\n"
     "                 mjpeg, ...; the file's kind must be able to hold it\n"
     "  --crf N        quality of encoders with a constant rate factor (libx264: 0 lossless\n"
     "                 to 51, default 18; lower is better and larger)\n"
     "  --no-audio     leave the music out (it is copied from SHOWDIR/music.mp3 otherwise)\n"
     "  --verbose      let the encoders print their own messages\n"
     "  --dir SHOWDIR  the show's directory (default: the working directory)\n"},
    {"snapshot",
     "usage: demotool snapshot [--size WxH] [--dir SHOWDIR] -o OUTDIR SECONDS...\n",
     "Plays the show offline from its start, as 'record' does, and writes the whole window\n"
     "(letterbox bars included) at each given show time as OUTDIR/<seconds>.png, the time\n"
     "written with three decimals (12.5 gives 12.500.png).\n"
     "\n"
     "  -o OUTDIR      directory for the pictures (created if missing)\n"
     "  --size WxH     window size (default: 1024x768)\n"
     "  --dir SHOWDIR  the show's directory (default: the working directory)\n"},
    {"bench",
     "usage: demotool bench [--size WxH] [--fps N | --live] [--from SEC] [--to SEC]\n"
     "                      [--encode CODEC] [--engine-only] [--json] [--dir SHOWDIR]\n",
     "Plays the show in SHOWDIR offline exactly as 'record' does (steps of 1000/60 ms, the\n"
     "same start-up, window size and letterbox) but writes no video, and reports where the\n"
     "time of each step goes. Each part is played in a pass of its own, from the start:\n"
     "\n"
     "  engine   the show's own work: controllers, update and draw passes, physics, effects,\n"
     "           down to the render device's calls, on a device that draws nothing; in wall\n"
     "           time, and in CPU time of the playing thread (which leaves out the time other\n"
     "           programs held the processor)\n"
     "  render   the same on the headless GL device, up to a finished picture, per output\n"
     "           frame: as when recording, only output frames are drawn, and the steps since\n"
     "           the frame before (played without drawing) count toward it\n"
     "  encode   with --encode: reading back and encoding each output frame, alone\n"
     "\n"
     "For each: mean, p50, p99 and max in milliseconds, and the five most expensive moments of\n"
     "the show (show time, and the cell and scene each track draws there), and for render the\n"
     "number of frames over 16.7 ms. The steps before --from are played but not counted.\n"
     "\n"
     "With --live (the same as --fps 60) every 60 Hz step is drawn, as a live viewer draws\n"
     "it: the render figures are then the live frame cost, and the frames over 16.7 ms are\n"
     "the frames a 60 Hz viewer would miss.\n"
     "\n"
     "  --size WxH       window size, letterbox bars included (default: 1024x768)\n"
     "  --fps N          output frames per second; must divide 60 (default: 30)\n"
     "  --live           every step drawn, the live frame cost (the same as --fps 60)\n"
     "  --from SEC       count from this show time; the show is still played from 0\n"
     "  --to SEC         stop before this show time (default: the end of the show)\n"
     "  --encode CODEC   also time read-back and encoding with this libavcodec encoder (ffv1 is\n"
     "                   record's default) into a scratch file that is removed afterwards\n"
     "  --engine-only    the engine pass alone (no GL context is needed)\n"
     "  --json           print the figures as one JSON document\n"
     "  --dir SHOWDIR    the show's directory (default: the working directory)\n"},
    {"inspect",
     "usage: demotool inspect [--json] [PACK]\n",
     "Loads PACK (default: data.pak) with the show's loaders and prints what it holds: mesh\n"
     "entries, library animations, tracks and their cells, each scene's node tree,\n"
     "controllers and physics records. A damaged pack prints the loader's error, with the\n"
     "byte offset in the uncompressed stream, and exits with 1.\n"
     "\n"
     "  --json         print the same as one JSON document\n"},
    {"timeline",
     "usage: demotool timeline [--dir SHOWDIR | PACK] -o FILE.svg\n",
     "Loads the pack (SHOWDIR/data.pak, or PACK) with the show's loaders and draws its timeline\n"
     "as an SVG picture for a web browser: one lane per track, show time left to right under a\n"
     "ruler in seconds. Each cell is a box over the time it really draws, by the player's rule\n"
     "(from its start key up to its end plus the 30-tick grace, shown lighter, and never past\n"
     "the next key of its track), labelled with its kind and name: the scene's name, 'picture',\n"
     "the animation's name and frame count. Scene cells mark their in and out points. Below the\n"
     "tracks: the windows where the badge is shown, and the music (music.mp3 beside the pack)\n"
     "with its length and waveform; a missing or unreadable music file is noted instead. Colours\n"
     "are by kind, with a legend; hovering a box shows its exact times.\n"
     "\n"
     "  -o FILE.svg    the picture to write (required)\n"
     "  --dir SHOWDIR  the show's directory (default: the working directory)\n"
     "  PACK           a pack file instead of a show directory\n"},
    {"play",
     "usage: demotool play [--dir SHOWDIR] [--from SEC] [--size WxH | --window] [--loop FROM:TO]\n",
     "Plays the show in SHOWDIR (data.pak and music.mp3) in a window of 1024x768, with its\n"
     "music, for checking a show while making it. The show advances in steps of 1000/60 ms, as\n"
     "'record' and 'snapshot' play it, and every jump is exact: the show is simulated from its\n"
     "start up to the new time without drawing (the overlay says so while that takes long), so\n"
     "the frame shown after a jump is the one 'snapshot' writes for that time. The music is\n"
     "placed at the show's time after every jump.\n"
     "\n"
     "A SHOWDIR that holds show.yaml is a show source: play builds it into a temporary folder\n"
     "(never into SHOWDIR) and plays that. Whenever a file of the source is saved, it is built\n"
     "again and the new show shown at the same time; a source with problems keeps the last good\n"
     "show playing, and the overlay (and standard error) shows each problem as\n"
     "file:line:column: what was expected until a good save clears it. A source that does not\n"
     "build at the start is reported and nothing is played (exit code 1).\n"
     "\n"
     "  --dir SHOWDIR  the show's directory or show source (default: the working directory)\n"
     "  --from SEC     start at this show time (default: 0)\n"
     "  --size WxH     full screen in the display mode WxH instead of a window\n"
     "  --window       in a window of 1024x768 (the default)\n"
     "  --loop FROM:TO play from FROM to TO seconds over and over (L turns it off)\n"
     "\n"
     "Keys:\n"
     "  Space          pause or resume picture and music\n"
     "  Left, Right    5 s back or forward; with Shift 1 s\n"
     "  PageUp/PageDown  30 s back or forward\n"
     "  Home           back to the start\n"
     "  .              one frame (1000/60 ms) forward while paused\n"
     "  I, O, L        set the loop's in point, its out point (at the frame shown); loop on/off\n"
     "  S              write the frame shown as <seconds>.png into the directory play was\n"
     "                 started from, named as 'snapshot' names it (without the overlay)\n"
     "  R              load data.pak and music.mp3 again and return to the same time; a pack\n"
     "                 that cannot be loaded leaves the show as it was and the overlay shows\n"
     "                 the error (file, byte offset, cause). A show source is built again first\n"
     "  H              hide or show the overlay: show time and frame, each track's cell (kind,\n"
     "                 name, local frame), the scene's nodes and bodies, the last 120 frame\n"
     "                 times against 16.7 ms, and the music's drift from the show clock\n"
     "  Escape         quit (exit code 0)\n"
     "\n"
     "Each jump, pause, picture and reload is also reported on standard output.\n"},
    {"build",
     "usage: demotool build [SOURCEDIR] -o PACK\n",
     "Compiles the show source in SOURCEDIR (default: the working directory; show.yaml with the\n"
     "meshes, animations, tracks and cells, a YAML file per scene and mesh, PNG pictures, packed\n"
     "frames, FLI/FLC files) into PACK. The records are loaded with the player's own loaders and\n"
     "written with its savers. Problems in the source are all reported at once (up to 20), each\n"
     "as file:line:column: what was expected; then nothing is written and the exit code is 1.\n"
     "FLI/FLC files and the music are copied beside PACK (music other than MP3 is encoded as\n"
     "music.mp3). The source format is described in docs/show-source.md.\n"
     "\n"
     "  -o PACK        the pack to write (required)\n"},
    {"unpack",
     "usage: demotool unpack PACK -o SOURCEDIR\n",
     "Loads PACK with the player's loaders and writes its source into SOURCEDIR: show.yaml,\n"
     "scenes/*.yaml, meshes/*.yaml and *.obj, pictures/*.png, frames/*/*.png (palette pictures;\n"
     "*.bin for frames no picture stands for), the FLI/FLC files the pack names and music.mp3\n"
     "from beside PACK. 'demotool build' of that folder gives the same pack. The source format\n"
     "is described in docs/show-source.md.\n"
     "\n"
     "  -o SOURCEDIR   the folder to write (created if missing)\n"},
    {"new",
     "usage: demotool new DIR\n",
     "Writes a small, commented starting show source into DIR: a camera, an imported cube\n"
     "(cube.obj) turning under a controller in a light colour, a picture cell\n"
     "(pictures/title.png) and nine seconds of generated music (music.mp3). Build and play it\n"
     "with 'demotool build DIR -o OUT/data.pak' and 'demotool play --dir OUT'. The source format\n"
     "is described in docs/show-source.md.\n"},
    {"help",
     "usage: demotool help [COMMAND]\n",
     "Prints the overview, or the help of one command.\n"},
};

const CommandHelp* findCommand(const std::string& name) {
    for (const CommandHelp& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

const char* kOverview =
    "usage: demotool COMMAND [OPTIONS]\n"
    "\n"
    "Tools for a show (data.pak and music.mp3):\n"
    "  record     render the show to a video file, without a screen\n"
    "  snapshot   write pictures of the show at given times\n"
    "  bench      time the show's engine, rendering and encoding per frame\n"
    "  inspect    print what a pack holds\n"
    "  timeline   draw the tracks, cells, badge and music as an SVG picture\n"
    "  play       play the show in a window, with pause, exact jumps and reload\n"
    "  build      compile a show source folder into a pack\n"
    "  unpack     write a pack's source folder\n"
    "  new        write a small starting show source\n"
    "  help       print this overview, or 'demotool help COMMAND' for one command\n"
    "\n"
    "Exit codes: 0 done, 1 failed, 2 bad usage.\n";

}  // namespace

bool parseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
               const std::set<std::string>& flagOptions, ParsedArgs* out, std::string* error) {
    *out = ParsedArgs{};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            out->operands.insert(out->operands.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        if (arg == "-h" || arg == "--help") {
            out->help = true;
            continue;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            out->operands.push_back(arg);
            continue;
        }
        std::string name = arg;
        std::string value;
        bool inlineValue = false;
        if (arg.compare(0, 2, "--") == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                value = arg.substr(eq + 1);
                inlineValue = true;
            }
        } else if (arg.size() > 2) {
            // "-oFILE"
            name = arg.substr(0, 2);
            value = arg.substr(2);
            inlineValue = true;
        }
        if (flagOptions.count(name)) {
            if (inlineValue) {
                *error = "option '" + name + "' takes no value";
                return false;
            }
            out->flags.insert(name);
            continue;
        }
        if (!valueOptions.count(name)) {
            *error = "unknown option '" + name + "'";
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                *error = "option '" + name + "' needs a value";
                return false;
            }
            value = args[++i];
        }
        out->values[name] = value;
    }
    return true;
}

bool parseInteger(const std::string& text, long low, long high, long* value) {
    if (text.empty() || text.size() > 18) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < low || v > high) return false;
    *value = v;
    return true;
}

bool parseSize(const std::string& text, int* width, int* height) {
    const struct { const char* name; int width, height; } kNamed[] = {
        {"720p", 1280, 720}, {"1080p", 1920, 1080}, {"1440p", 2560, 1440}, {"4k", 3840, 2160}};
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& n : kNamed) {
        if (lower == n.name) {
            *width = n.width;
            *height = n.height;
            return true;
        }
    }
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    long w = 0;
    long h = 0;
    if (!parseInteger(text.substr(0, x), 1, 16384, &w) || !parseInteger(text.substr(x + 1), 1, 16384, &h))
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool parseSeconds(const std::string& text, double* seconds) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v) || v < 0.0 || v > 864000.0)
        return false;
    *seconds = v;
    return true;
}

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

std::string helpText(const std::string& command) {
    if (command.empty()) return kOverview;
    const CommandHelp* c = findCommand(command);
    if (!c) return "";
    return std::string(c->synopsis) + "\n" + c->details;
}

int usageError(const std::string& command, const std::string& message) {
    const CommandHelp* c = findCommand(command);
    std::fprintf(stderr, "demotool %s: %s\n", command.c_str(), message.c_str());
    if (c) {
        std::fputs(c->synopsis, stderr);
        std::fprintf(stderr, "Try 'demotool help %s' for more.\n", command.c_str());
    }
    return kExitUsage;
}

int runDemotool(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kOverview, stderr);
        return kExitUsage;
    }
    const std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);

    if (command == "help" || command == "--help" || command == "-h") {
        if (args.size() > 1) return usageError("help", "too many arguments");
        const std::string text = helpText(args.empty() ? "" : args[0]);
        if (text.empty()) return usageError("help", "unknown command '" + args[0] + "'");
        std::fputs(text.c_str(), stdout);
        return kExitOk;
    }
    if (command == "record") return recordCommand(args);
    if (command == "snapshot") return snapshotCommand(args);
    if (command == "bench") return benchCommand(args);
    if (command == "inspect") return inspectCommand(args);
    if (command == "timeline") return timelineCommand(args);
    if (command == "play") return playCommand(args);
    if (command == "build") return buildCommand(args);
    if (command == "unpack") return unpackCommand(args);
    if (command == "new") return newCommand(args);

    std::fprintf(stderr, "demotool: unknown command '%s'\n", command.c_str());
    std::fputs(kOverview, stderr);
    return kExitUsage;
}
