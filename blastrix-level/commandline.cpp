#include "commandline.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "filelookup.h"
#include "locations.h"
#include "objectkind.h"
#include "pathinfo.h"

namespace {

constexpr const char* kProgram = "blastrix-level";

constexpr const char* kToolHelp =
    "Usage: blastrix-level [-C DIR] COMMAND [OPTIONS] [ROUNDS]\n"
    "\n"
    "Checks, renders and resaves the rounds of a Blastrix game folder (one holding levels/ and data/)\n"
    "exactly as the level editor reads, shows and saves them.\n"
    "\n"
    "Commands:\n"
    "  check [ROUNDS]               report every problem of the rounds' files, as a compiler does\n"
    "  render ROUNDS [-o FILE]      write a PNG picture of each round's game area\n"
    "  resave [ROUNDS] [--check]    load and save the rounds as the editor would\n"
    "  codes                        list the codes of findings with their severity\n"
    "  diff OLD NEW [-o FILE]       tell which objects moved, were added and removed, and draw them\n"
    "\n"
    "Options:\n"
    "  -C, --dir DIR   run as if started in DIR (default: the current directory); twice, -C a -C b is a/b\n"
    "  -h, --help      show this help, or a command's with COMMAND --help\n"
    "  --version       show the version\n"
    "\n"
    "ROUNDS are numbers from 1 to 14 and ranges such as 1-4, for the game folder DIR, or paths of a\n"
    "round's files in any game folder: game/levels/Level3.lev or game/levels/level3.PNG is round 3 of\n"
    "game, and a sprite such as game/data/bomba.png every round of game that uses it. The default is\n"
    "all fourteen rounds of DIR.\n"
    "Exit status: 0 when all is well, 1 for errors found (or files a resave would change), 2 for bad\n"
    "usage, a game folder that cannot be read or output that cannot be written.\n";

constexpr const char* kCheckHelp =
    "Usage: blastrix-level [-C DIR] check [--format FORMAT] [--select CODES] [--ignore CODES]\n"
    "                      [--werror] [ROUNDS]\n"
    "\n"
    "Reads each round with the editor's own loader and reports every finding, sorted by file and\n"
    "line, as FILE:LINE:COLUMN: SEVERITY: MESSAGE [CODE], then one summary line. FILE is the path\n"
    "from the current directory.\n"
    "\n"
    "Options:\n"
    "  --format FORMAT   text (default), json (one document), github (workflow annotations)\n"
    "                    or sarif (one SARIF 2.1.0 log)\n"
    "  --select CODES    report only these codes (separated by commas; may be repeated)\n"
    "  --ignore CODES    leave these codes out\n"
    "  --werror          count the warnings kept as errors for the exit status\n"
    "  --files0-from F   take the paths of round files from F (- for standard input), each ended\n"
    "                    by a NUL byte, as git diff -z --name-only gives them; none checks nothing\n"
    "  -C, --dir DIR     the game folder (default: the current directory)\n"
    "\n"
    "Exit status: 0 without errors, 1 with errors, 2 for bad usage, a game folder that cannot be\n"
    "read or a report that cannot be written.\n"
    "\n"
    "Codes (blastrix-level codes explains each):\n";

constexpr const char* kRenderHelp =
    "Usage: blastrix-level [-C DIR] render ROUNDS [-o FILE] [--scale N]\n"
    "\n"
    "Writes a PNG picture of each round's game area as the editor shows it: the round's background\n"
    "over the window's artwork, and every object the editor would load, clipped to the area.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE   the picture's file, - for standard output (one round only);\n"
    "                      default roundN.png in the current directory\n"
    "  --scale N           enlarge N times (1 to 8) by whole pixels, without smoothing\n"
    "  -C, --dir DIR       the game folder (default: the current directory)\n"
    "\n"
    "The same round always gives the same bytes. Exit status: 0 when every picture was written,\n"
    "2 for bad usage or a picture that could not be written.\n";

constexpr const char* kResaveHelp =
    "Usage: blastrix-level [-C DIR] resave [--check] [--diff] [--force] [ROUNDS]\n"
    "\n"
    "Loads and saves each round's level file as the editor would, replacing each file only once the\n"
    "new one is complete. A round the editor refuses to save (no hero, or no bomb), or whose save\n"
    "would drop lines or change what they mean, is an error naming them and stays as it is; a round\n"
    "without a level file is left out.\n"
    "\n"
    "Options:\n"
    "  --check         write nothing; print every line a resave would drop or change, and exit\n"
    "                  with 1 if there is one\n"
    "  --diff          write nothing; print a unified diff of what a resave would write (the\n"
    "                  report goes to standard error)\n"
    "  --force         save also the rounds whose save drops lines or changes what they mean,\n"
    "                  listing them\n"
    "  --files0-from F take the paths of round files from F (- for standard input), each ended by a\n"
    "                  NUL byte\n"
    "  -C, --dir DIR   the game folder (default: the current directory)\n"
    "\n"
    "Exit status: 0 when all went well, 1 for a refused or failed round (or a change with --check),\n"
    "2 for bad usage, a game folder that cannot be read or a report that cannot be written.\n";

constexpr const char* kCodesHelp =
    "Usage: blastrix-level codes\n"
    "\n"
    "Lists every code a finding can carry, with the severity check gives it and what it means.\n";

constexpr const char* kDiffHelp =
    "Usage: blastrix-level [-C DIR] diff [--format text|json|github] [-o FILE [--scale N]] OLD NEW\n"
    "       blastrix-level diff --git -- PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX NEW-MODE\n"
    "\n"
    "Tells which objects moved, were added and were removed between two versions of a round's level\n"
    "file, as the editor loads them, and whose further fields, which the game reads, changed: one\n"
    "line per change in the form FILE:LINE:1: note: MESSAGE [CODE] (NEW's line, OLD's for a removal),\n"
    "the line where either file stops being read, then a summary. /dev/null (on Windows NUL as\n"
    "well) stands for a file that does not exist; a file that holds no round is refused.\n"
    "\n"
    "Options:\n"
    "  --format FORMAT   text (default), json (one document) or github (workflow annotations)\n"
    "  -o, --output FILE draw NEW as render does, with the changes marked, into a PNG file (- for\n"
    "                    standard output)\n"
    "  --scale N         enlarge the picture N times (1 to 8)\n"
    "  -C, --dir DIR     run as if started in DIR: where OLD and NEW start, and the game folder of\n"
    "                    the picture unless NEW lies in a game folder's levels/\n"
    "  --git             take the seven arguments git gives an external diff driver (nine for a\n"
    "                    rename), and exit with 0 whatever changed; set up with\n"
    "                      git config diff.blastrix.command 'blastrix-level diff --git --'\n"
    "                      echo '*.[lL][eE][vV] diff=blastrix -text' >> .gitattributes\n"
    "\n"
    "Exit status: 0 when no object changed, 1 when some did, 2 for bad usage or a file that cannot\n"
    "be read or is not a level file.\n";

enum class Option {
    Dir, Help, Version, Format, Select, Ignore, Werror, Output, Scale, Check, Force, ShowDiff, Git, FilesFrom
};

constexpr unsigned Bit(Command command) { return 1u << static_cast<unsigned>(command); }
constexpr unsigned kAllCommands = ~0u;

struct OptionInfo {
    Option option;
    char shortName;  // 0 when there is none
    const char* longName;
    bool takesValue;
    unsigned commands;
};

constexpr OptionInfo kOptions[] = {
    {Option::Dir, 'C', "dir", true, kAllCommands},
    {Option::Help, 'h', "help", false, kAllCommands},
    {Option::Version, 0, "version", false, kAllCommands},
    {Option::Format, 0, "format", true, Bit(Command::Check) | Bit(Command::Diff)},
    {Option::Select, 0, "select", true, Bit(Command::Check)},
    {Option::Ignore, 0, "ignore", true, Bit(Command::Check)},
    {Option::Werror, 0, "werror", false, Bit(Command::Check)},
    {Option::Output, 'o', "output", true, Bit(Command::Render) | Bit(Command::Diff)},
    {Option::Scale, 0, "scale", true, Bit(Command::Render) | Bit(Command::Diff)},
    {Option::Check, 0, "check", false, Bit(Command::Resave)},
    {Option::Force, 0, "force", false, Bit(Command::Resave)},
    {Option::ShowDiff, 0, "diff", false, Bit(Command::Resave)},
    {Option::Git, 0, "git", false, Bit(Command::Diff)},
    {Option::FilesFrom, 0, "files0-from", true, Bit(Command::Check) | Bit(Command::Resave)},
};

struct CommandInfo {
    const char* name;
    Command command;
    const char* help;
};

constexpr CommandInfo kCommands[] = {
    {"check", Command::Check, kCheckHelp},
    {"render", Command::Render, kRenderHelp},
    {"resave", Command::Resave, kResaveHelp},
    {"codes", Command::Codes, kCodesHelp},
    {"diff", Command::Diff, kDiffHelp},
};

// One option as it stood on the command line.
struct Given {
    const OptionInfo* info;
    std::string typed;  // "--format", "-o"
    std::string value;
};

// The arguments split into options and operands, with the first fault found on the way.
struct Tokens {
    std::vector<Given> options;
    std::vector<std::string> operands;
    std::string fault;
};

const OptionInfo* FindLong(std::string_view name) {
    for (const OptionInfo& info : kOptions)
        if (info.longName == name) return &info;
    return nullptr;
}

const OptionInfo* FindShort(char name) {
    for (const OptionInfo& info : kOptions)
        if (info.shortName != 0 && info.shortName == name) return &info;
    return nullptr;
}

// Options may stand anywhere, as GNU tools take them; "--" ends them. Which options take a value is
// known for every command alike, so the command need not be known to tell values from operands.
Tokens Tokenize(const std::vector<std::string>& arguments) {
    Tokens tokens;
    const auto fault = [&](std::string text) {
        if (tokens.fault.empty()) tokens.fault = std::move(text);
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--") {
            tokens.operands.insert(tokens.operands.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                   arguments.end());
            break;
        }
        if (a.rfind("--", 0) == 0) {
            const std::size_t equals = a.find('=');
            const std::string typed = a.substr(0, equals);
            const OptionInfo* info = FindLong(std::string_view(typed).substr(2));
            if (info == nullptr) {
                fault("unrecognized option '" + a + "'");
                continue;
            }
            Given given{info, typed, {}};
            if (equals != std::string::npos) {
                if (!info->takesValue) fault("option '" + typed + "' doesn't allow an argument");
                given.value = a.substr(equals + 1);
            } else if (info->takesValue) {
                if (i + 1 == arguments.size()) {
                    fault("option '" + typed + "' requires an argument");
                    continue;
                }
                given.value = arguments[++i];
            }
            tokens.options.push_back(std::move(given));
            continue;
        }
        if (a.size() < 2 || a[0] != '-') {
            tokens.operands.push_back(a);
            continue;
        }
        // Short options may be grouped, and take their value from the rest of the word or the next one.
        for (std::size_t k = 1; k < a.size(); ++k) {
            const std::string typed = std::string("-") + a[k];
            const OptionInfo* info = FindShort(a[k]);
            if (info == nullptr) {
                fault("unrecognized option '" + (a.size() == 2 ? a : typed) + "'");
                continue;
            }
            Given given{info, typed, {}};
            if (info->takesValue) {
                if (k + 1 < a.size()) {
                    given.value = a.substr(k + 1);
                } else if (i + 1 < arguments.size()) {
                    given.value = arguments[++i];
                } else {
                    fault("option '" + typed + "' requires an argument");
                    break;
                }
                tokens.options.push_back(std::move(given));
                break;
            }
            tokens.options.push_back(std::move(given));
        }
    }
    return tokens;
}

int UsageError(const std::string& message, const char* command = nullptr) {
    Complain(message);
    std::fprintf(stderr, "Try '%s%s%s --help' for more information.\n", kProgram, command ? " " : "",
                 command ? command : "");
    return kExitUsage;
}

// Help and the version go to standard output; a failure to write them is the tool's failure too.
int PrintInfo(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        Complain(std::string("write error: ") + std::strerror(errno));
        return kExitTrouble;
    }
    return kExitClean;
}

std::string CheckHelp() {
    std::string text = kCheckHelp;
    std::string line = " ";
    for (const FindingCode& code : kFindingCodes) {
        if (code.toldByDiff) continue;
        if (line.size() + code.code.size() + 2 > 100) {
            text += line + "\n";
            line = " ";
        }
        line += " " + std::string(code.code);
    }
    return text + line + "\n";
}

std::optional<int> ParseRoundNumber(std::string_view text) {
    if (text.empty() || text.size() > 2 || text[0] == '0') return std::nullopt;
    int round = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        round = round * 10 + (c - '0');
    }
    if (round < level::kFirstRound || round > level::kRoundCount) return std::nullopt;
    return round;
}

// "3" or "1-4".
std::optional<std::pair<int, int>> ParseRange(std::string_view text) {
    const std::size_t dash = text.find('-');
    const std::optional<int> first = ParseRoundNumber(text.substr(0, dash));
    const std::optional<int> last = dash == std::string_view::npos ? first : ParseRoundNumber(text.substr(dash + 1));
    if (!first || !last || *first > *last) return std::nullopt;
    return std::make_pair(*first, *last);
}

}  // namespace

std::optional<int> RoundOfFileName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (name.size() < 5 || dot == std::string_view::npos || !files::EqualIgnoringCase(name.substr(0, 5), "level"))
        return std::nullopt;
    const std::string_view extension = name.substr(dot);
    if (!files::EqualIgnoringCase(extension, ".lev") && !files::EqualIgnoringCase(extension, ".png"))
        return std::nullopt;
    return ParseRoundNumber(name.substr(5, dot - 5));
}

namespace {

// `path` without "." components and doubled slashes, which name no other file.
std::string WithoutDots(const std::string& path) {
    std::string out = !path.empty() && files::IsPathSeparator(path[0]) ? path.substr(0, 1) : "";
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(files::FindPathSeparator(path, start), path.size());
        const std::string part = path.substr(start, end - start);
        if (!part.empty() && part != ".") out += (out.empty() || files::IsPathSeparator(out.back()) ? "" : "/") + part;
        start = end + 1;
    }
    return !path.empty() && files::IsPathSeparator(path.back()) ? out + "/" : out;
}

}  // namespace

std::optional<RoundFile> ParseRoundFile(const std::string& given) {
    const std::string path = WithoutDots(given);
    const std::size_t slash = files::FindLastPathSeparator(path);
    if (slash == std::string::npos) return std::nullopt;
    const std::string_view name = std::string_view(path).substr(slash + 1);
    const std::size_t parentStart = slash == 0 ? std::string::npos : files::FindLastPathSeparator(path, slash - 1);
    const std::size_t from = parentStart == std::string::npos || slash == 0 ? 0 : parentStart + 1;
    const std::string_view parent = std::string_view(path).substr(from, slash - from);
    RoundFile file;
    if (files::EqualIgnoringCase(parent, level::kLevelsDirectory)) {
        // Any other file there is one that no round reads.
        file.round = RoundOfFileName(name).value_or(0);
    } else if (files::EqualIgnoringCase(parent, level::kDataDirectory)) {
        for (const level::ObjectKind& kind : level::kKinds)
            if (files::EqualIgnoringCase(name, kind.spriteFile)) file.sprite = kind.spriteFile;
    } else {
        return std::nullopt;
    }
    // "game/levels/x" is in game, "levels/x" in the current directory, "/levels/x" in the root.
    std::string directory = path.substr(0, from);
    while (directory.size() > 1 && files::IsPathSeparator(directory.back())) directory.pop_back();
    file.directory = directory;
    return file;
}

std::string Joined(const std::string& outer, const std::string& inner) {
    if (outer.empty() || files::IsAbsolutePath(inner)) return inner;
    if (inner.empty()) return outer;
    return files::IsPathSeparator(outer.back()) ? outer + inner : outer + "/" + inner;
}

namespace {

Target& TargetOf(std::vector<Target>& targets, const std::string& directory) {
    for (Target& target : targets)
        if (target.directory == directory) return target;
    targets.push_back({directory, {}, {}});
    return targets.back();
}

void AddRounds(Target& target, int first, int last) {
    for (int round = first; round <= last; ++round)
        if (std::find(target.rounds.begin(), target.rounds.end(), round) == target.rounds.end())
            target.rounds.push_back(round);
}

// Codes separated by commas, each from the table.
std::optional<std::string> ChooseCodes(const Given& given, CodeFilter& filter) {
    std::size_t start = 0;
    while (start <= given.value.size()) {
        const std::size_t comma = std::min(given.value.find(',', start), given.value.size());
        const std::string code = given.value.substr(start, comma - start);
        start = comma + 1;
        if (code.empty()) continue;
        const std::optional<std::size_t> index = FindingCodeIndex(code);
        if (!index)
            return "unknown code '" + code + "' for " + given.typed + " ('blastrix-level codes' lists them)";
        if (given.info->option == Option::Select)
            filter.Select(*index);
        else
            filter.Ignore(*index);
    }
    return std::nullopt;
}

// The names of a --files0-from file, each ended by a NUL byte (the last may lack it).
std::variant<std::vector<std::string>, std::string> ReadNames(const std::string& file) {
    const bool standardInput = file == "-";
    std::FILE* const in = standardInput ? stdin : std::fopen(file.c_str(), "rb");
    if (in == nullptr) return "cannot open '" + file + "' for --files0-from: " + std::strerror(errno);
    std::string bytes;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.append(buffer, n);
    const bool failed = std::ferror(in) != 0;
    const int error = errno;
    if (!standardInput) std::fclose(in);
    if (failed) return "cannot read '" + file + "' for --files0-from: " + std::strerror(error);
    std::vector<std::string> names;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\0', start), bytes.size());
        if (end == start) return "--files0-from: '" + file + "' holds an empty name";
        names.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::optional<std::string> ApplyOption(const Given& given, Invocation& invocation) {
    switch (given.info->option) {
    case Option::Format:
        if (given.value == "text")
            invocation.format = OutputFormat::Text;
        else if (given.value == "json")
            invocation.format = OutputFormat::Json;
        else if (given.value == "github")
            invocation.format = OutputFormat::Github;
        else if (given.value == "sarif")
            invocation.format = OutputFormat::Sarif;
        else
            return "unknown format '" + given.value + "' (text, json, github or sarif)";
        break;
    case Option::Select:
    case Option::Ignore: return ChooseCodes(given, invocation.codes);
    case Option::Werror: invocation.werror = true; break;
    case Option::Output:
        invocation.output = given.value;
        if (invocation.output.empty()) return std::string("the output file name is empty");
        break;
    case Option::Scale: {
        const std::optional<int> scale =
            given.value.size() == 1 && given.value[0] >= '1' && given.value[0] <= '8'
                ? std::optional<int>(given.value[0] - '0')
                : std::nullopt;
        if (!scale) return "option '" + given.typed + "' takes a whole number from 1 to 8";
        invocation.scale = *scale;
        break;
    }
    case Option::Check: invocation.checkOnly = true; break;
    case Option::Force: invocation.force = true; break;
    case Option::ShowDiff: invocation.showDiff = true; break;
    case Option::Git: invocation.git = true; break;
    case Option::FilesFrom: invocation.filesFrom = given.value; break;
    case Option::Dir: invocation.directory = Joined(invocation.directory, given.value); break;
    case Option::Help:
    case Option::Version: break;
    }
    return std::nullopt;
}

}  // namespace

void Complain(const std::string& message) {
    std::string text = message;
    // System texts start capitalised; an abbreviation such as "PNG" keeps its case.
    const bool capitalised = !text.empty() && std::isupper(static_cast<unsigned char>(text[0])) &&
                             (text.size() < 2 || !std::isupper(static_cast<unsigned char>(text[1])));
    if (capitalised) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    if (!text.empty() && text.back() == '.') text.pop_back();
    std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
}

std::variant<Invocation, int> ParseCommandLine(const std::vector<std::string>& arguments) {
    Tokens tokens = Tokenize(arguments);
    const CommandInfo* command = nullptr;
    if (!tokens.operands.empty())
        for (const CommandInfo& info : kCommands)
            if (tokens.operands.front() == info.name) command = &info;

    // Help and the version win over everything else, the first asked for first.
    for (const Given& given : tokens.options) {
        if (given.info->option == Option::Help) {
            if (command == nullptr) return PrintInfo(kToolHelp);
            return PrintInfo(command->command == Command::Check ? CheckHelp() : std::string(command->help));
        }
        if (given.info->option == Option::Version)
            return PrintInfo(std::string(kProgram) + " " + BLASTRIX_VERSION + "\n");
    }
    const char* name = command != nullptr ? command->name : nullptr;
    if (!tokens.fault.empty()) return UsageError(tokens.fault, name);
    if (tokens.operands.empty()) return UsageError("missing command");
    if (command == nullptr) return UsageError("unknown command '" + tokens.operands.front() + "'");

    Invocation invocation;
    invocation.command = command->command;
    for (const Given& given : tokens.options) {
        if ((given.info->commands & Bit(command->command)) == 0)
            return UsageError("option '" + given.typed + "' is not one of " + name + "'s", name);
        if (const std::optional<std::string> fault = ApplyOption(given, invocation)) return UsageError(*fault, name);
    }

    std::vector<std::string> operands(tokens.operands.begin() + 1, tokens.operands.end());
    if (invocation.command == Command::Diff) {
        const bool scaled = std::any_of(tokens.options.begin(), tokens.options.end(),
                                        [](const Given& given) { return given.info->option == Option::Scale; });
        if (invocation.output.empty() && scaled)
            return UsageError("--scale enlarges the picture of -o, which is not asked for", name);
        if (invocation.format == OutputFormat::Sarif)
            return UsageError("unknown format 'sarif' for diff (text, json or github)", name);
        std::variant<DiffRequest, std::string> diff = DiffRequestOf(invocation, operands);
        if (const std::string* fault = std::get_if<std::string>(&diff)) return UsageError(*fault, name);
        invocation.diff = std::move(std::get<DiffRequest>(diff));
        return invocation;
    }
    if (invocation.command == Command::Codes) {
        if (!operands.empty()) return UsageError("codes takes no arguments, but was given '" + operands[0] + "'", name);
        return invocation;
    }
    const bool listed = !invocation.filesFrom.empty();
    if (listed) {
        if (!operands.empty())
            return UsageError("'" + operands[0] + "' is given beside --files0-from, which names every file", name);
        std::variant<std::vector<std::string>, std::string> names = ReadNames(invocation.filesFrom);
        if (const std::string* fault = std::get_if<std::string>(&names)) return UsageError(*fault, name);
        operands = std::move(std::get<std::vector<std::string>>(names));
    }
    for (const std::string& operand : operands) {
        const std::optional<std::pair<int, int>> range = listed ? std::nullopt : ParseRange(operand);
        if (range) {
            AddRounds(TargetOf(invocation.targets, invocation.directory), range->first, range->second);
        } else if (const std::optional<RoundFile> file = ParseRoundFile(operand)) {
            if (file->round == 0 && file->sprite.empty()) continue;
            Target& target = TargetOf(invocation.targets, Joined(invocation.directory, file->directory));
            if (file->round != 0)
                AddRounds(target, file->round, file->round);
            else if (std::find(target.sprites.begin(), target.sprites.end(), file->sprite) == target.sprites.end())
                target.sprites.push_back(file->sprite);
        } else {
            return UsageError("'" + operand +
                                  "' is neither a round (1 to 14, or a range such as 1-4) nor a level file, "
                                  "background or sprite of a game folder",
                              name);
        }
    }
    if (operands.empty() && !listed) {
        if (invocation.command == Command::Render) return UsageError("render needs the rounds to draw", name);
        AddRounds(TargetOf(invocation.targets, invocation.directory), level::kFirstRound, level::kRoundCount);
    }
    std::size_t rounds = 0;
    bool sprites = false;
    for (Target& target : invocation.targets) {
        std::sort(target.rounds.begin(), target.rounds.end());
        rounds += target.rounds.size();
        sprites = sprites || !target.sprites.empty();
    }
    if (!invocation.output.empty() && (rounds > 1 || sprites))
        return UsageError("--output names one picture, but " +
                              (sprites ? std::string("a sprite names every round that uses it")
                                       : std::to_string(rounds) + " rounds are to be drawn"),
                          name);
    return invocation;
}
