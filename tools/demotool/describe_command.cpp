// demotool inspect: what a pack holds, as text or JSON.
#include <cstdio>
#include <filesystem>
#include <string>

#include "data/printable_text.h"
#include "tools/demotool/cli.h"
#include "tools/demotool/pack_description.h"

int inspectCommand(const std::vector<std::string>& args) {
    ParsedArgs a;
    std::string problem;
    if (!parseArgs(args, {}, {"--json"}, &a, &problem)) return usageError("inspect", problem);
    if (a.help) {
        std::fputs(helpText("inspect").c_str(), stdout);
        return kExitOk;
    }
    if (a.operands.size() > 1) return usageError("inspect", "only one pack can be inspected at a time");
    const std::string given = a.operands.empty() ? "data.pak" : a.operands[0];

    // Files that the pack names (FLI/FLC animations) lie beside it, as in a show's directory.
    namespace fs = std::filesystem;
    const fs::path pack = fs::path(absolutePath(given));
    std::error_code ec;
    if (!fs::is_regular_file(pack, ec)) {
        std::fprintf(stderr, "demotool inspect: cannot open %s\n", given.c_str());
        return kExitFailure;
    }

    nlohmann::ordered_json description;
    std::string error;
    if (!inspectPack(pack.string(), &description, &error)) {
        std::fprintf(stderr, "demotool inspect: %s\n", escapeControlBytes(error).c_str());
        return kExitFailure;
    }
    description["pack"] = given;
    if (a.flags.count("--json")) {
        const std::string text = description.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        std::printf("%s\n", text.c_str());
    } else {
        std::fputs(escapeControlBytes(formatInspection(description)).c_str(), stdout);
    }
    return kExitOk;
}
