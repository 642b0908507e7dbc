// The command line of demotool: subcommands in the style of git (record, snapshot, bench,
// inspect, timeline, play, help), their usage texts, option parsing and the exit codes.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

// Exit codes: success, a failure while working, a command line that cannot be used.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The parsed arguments of one subcommand: options with their (last) value, flags, operands.
struct ParsedArgs {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> operands;
    bool help = false;  // -h or --help was given

    bool has(const std::string& option) const { return values.count(option) != 0; }
    const std::string& value(const std::string& option) const { return values.at(option); }
};

// Parses args against the options that take a value and the flags a subcommand knows. Accepts
// "--opt value", "--opt=value", "-o value", "-oVALUE"; "--" ends the options. False with the
// reason in error for an unknown option or a missing value.
bool parseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
               const std::set<std::string>& flagOptions, ParsedArgs* out, std::string* error);

// "WxH" with both in 1..16384, or a common name: 720p, 1080p, 1440p, 4k. False otherwise.
bool parseSize(const std::string& text, int* width, int* height);
// A whole decimal number within [low, high]. False otherwise.
bool parseInteger(const std::string& text, long low, long high, long* value);
// A finite, non-negative number of seconds (at most ten days). False otherwise.
bool parseSeconds(const std::string& text, double* seconds);

// path made absolute against the working directory (as given when that cannot be done).
std::string absolutePath(const std::string& path);

// The full help text of a subcommand ("" selects the overview); empty for an unknown name.
std::string helpText(const std::string& command);

// Prints "demotool COMMAND: message", the subcommand's synopsis and a hint on standard error;
// returns kExitUsage.
int usageError(const std::string& command, const std::string& message);

// The subcommands; args are the words after the subcommand's name. Each returns an exit code.
int recordCommand(const std::vector<std::string>& args);
int snapshotCommand(const std::vector<std::string>& args);
int benchCommand(const std::vector<std::string>& args);
int inspectCommand(const std::vector<std::string>& args);
int timelineCommand(const std::vector<std::string>& args);
int playCommand(const std::vector<std::string>& args);
int buildCommand(const std::vector<std::string>& args);
int unpackCommand(const std::vector<std::string>& args);
int newCommand(const std::vector<std::string>& args);

// The whole program: dispatches argv[1] to its subcommand.
int runDemotool(int argc, char** argv);
