// demotool build and unpack: a show source folder to a pack and back.
#include <cstdio>
#include <string>

#include "data/printable_text.h"
#include "tools/demotool/cli.h"
#include "tools/show_source/new_show.h"
#include "tools/show_source/show_source.h"

int buildCommand(const std::vector<std::string>& args) {
    ParsedArgs a;
    std::string problem;
    if (!parseArgs(args, {"-o"}, {}, &a, &problem)) return usageError("build", problem);
    if (a.help) {
        std::fputs(helpText("build").c_str(), stdout);
        return kExitOk;
    }
    if (a.operands.size() > 1) return usageError("build", "only one source folder can be built at a time");
    if (!a.has("-o")) return usageError("build", "the pack to write is missing (-o PACK)");
    const std::string folder = a.operands.empty() ? "." : a.operands[0];
    const BuildResult result = buildShow(folder, a.value("-o"));
    for (const SourceProblem& p : result.problems)
        std::fprintf(stderr, "%s\n", escapeControlBytes(p.text()).c_str());
    if (result.problemCount > static_cast<int>(result.problems.size()))
        std::fprintf(stderr, "... and %d more problems\n",
                     result.problemCount - static_cast<int>(result.problems.size()));
    if (!result.error.empty()) std::fprintf(stderr, "demotool build: %s\n", escapeControlBytes(result.error).c_str());
    if (!result.ok()) {
        std::fprintf(stderr, "demotool build: nothing written\n");
        return kExitFailure;
    }
    return kExitOk;
}

int unpackCommand(const std::vector<std::string>& args) {
    ParsedArgs a;
    std::string problem;
    if (!parseArgs(args, {"-o"}, {}, &a, &problem)) return usageError("unpack", problem);
    if (a.help) {
        std::fputs(helpText("unpack").c_str(), stdout);
        return kExitOk;
    }
    if (a.operands.size() != 1) return usageError("unpack", "one pack is needed");
    if (!a.has("-o")) return usageError("unpack", "the folder to write is missing (-o SOURCEDIR)");
    std::string error;
    if (!unpackShow(a.operands[0], a.value("-o"), &error)) {
        std::fprintf(stderr, "demotool unpack: %s\n", escapeControlBytes(error).c_str());
        return kExitFailure;
    }
    return kExitOk;
}

int newCommand(const std::vector<std::string>& args) {
    ParsedArgs a;
    std::string problem;
    if (!parseArgs(args, {}, {}, &a, &problem)) return usageError("new", problem);
    if (a.help) {
        std::fputs(helpText("new").c_str(), stdout);
        return kExitOk;
    }
    if (a.operands.size() != 1) return usageError("new", "one folder is needed");
    std::string error;
    if (!writeNewShow(a.operands[0], &error)) {
        std::fprintf(stderr, "demotool new: %s\n", error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}
