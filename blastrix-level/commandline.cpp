#include "commandline.h"

#include <QCommandLineParser>

#include <cstdio>
#include <optional>

#include "locations.h"

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
    "\n"
    "Options:\n"
    "  -C, --dir DIR   the game folder (default: the current directory)\n"
    "  -h, --help      show this help, or a command's with COMMAND --help\n"
    "  --version       show the version\n"
    "\n"
    "ROUNDS are numbers from 1 to 14 and ranges such as 1-4; the default is all fourteen.\n"
    "Exit status: 0 when all is well, 1 when something was found or failed, 2 for bad usage.\n";

constexpr const char* kCheckHelp =
    "Usage: blastrix-level [-C DIR] check [--format text|json|github] [--werror] [ROUNDS]\n"
    "\n"
    "Reads each round with the editor's own loader and reports every finding, sorted by file and\n"
    "line, as FILE:LINE:COLUMN: SEVERITY: MESSAGE [CODE], then one summary line.\n"
    "\n"
    "Options:\n"
    "  --format FORMAT   text (default), json (one document) or github (workflow annotations)\n"
    "  --werror          count warnings as errors for the exit status\n"
    "  -C, --dir DIR     the game folder (default: the current directory)\n"
    "\n"
    "Exit status: 0 without errors, 1 with errors, 2 for bad usage or a folder without levels/.\n";

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
    "1 when one could not be, 2 for bad usage.\n";

constexpr const char* kResaveHelp =
    "Usage: blastrix-level [-C DIR] resave [--check] [--diff] [--force] [ROUNDS]\n"
    "\n"
    "Loads and saves each round's level file as the editor would, replacing each file only once the\n"
    "new one is complete. A round the editor refuses to save (no hero, or no bomb), or whose save\n"
    "would drop lines, is an error naming them and stays as it is; a round without a level file is\n"
    "left out.\n"
    "\n"
    "Options:\n"
    "  --check         write nothing; print every line a resave would drop or change, and exit\n"
    "                  with 1 if there is one\n"
    "  --diff          write nothing; print a unified diff of what a resave would write (the\n"
    "                  report goes to standard error)\n"
    "  --force         save also the rounds whose save drops lines, listing them\n"
    "  -C, --dir DIR   the game folder (default: the current directory)\n"
    "\n"
    "Exit status: 0 when all went well, 1 for a refused or failed round (or a change with --check),\n"
    "2 for bad usage.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, message.c_str(), kProgram);
    return kExitUsage;
}

std::optional<int> ParseRoundNumber(const QString& text) {
    bool ok = false;
    const int round = text.toInt(&ok);
    for (const QChar c : text)
        if (!c.isDigit()) return std::nullopt;
    if (!ok || round < level::kFirstRound || round > level::kRoundCount) return std::nullopt;
    return round;
}

// "3" or "1-4"; false when the text is neither.
bool AddRounds(const QString& text, std::vector<bool>& chosen) {
    const qsizetype dash = text.indexOf('-');
    const std::optional<int> first = ParseRoundNumber(dash < 0 ? text : text.left(dash));
    const std::optional<int> last = dash < 0 ? first : ParseRoundNumber(text.mid(dash + 1));
    if (!first || !last || *first > *last) return false;
    for (int round = *first; round <= *last; ++round) chosen[static_cast<std::size_t>(round)] = true;
    return true;
}

const QCommandLineOption kDirOption({"C", "dir"}, "game folder", "DIR");
const QCommandLineOption kHelpOption({"h", "help"}, "help");
const QCommandLineOption kVersionOption("version", "version");
const QCommandLineOption kFormatOption("format", "format", "FORMAT");
const QCommandLineOption kWerrorOption("werror", "werror");
const QCommandLineOption kOutputOption({"o", "output"}, "output", "FILE");
const QCommandLineOption kScaleOption("scale", "scale", "N");
const QCommandLineOption kCheckOption("check", "check");
const QCommandLineOption kForceOption("force", "force");
const QCommandLineOption kDiffOption("diff", "diff");

// The command, found before the command's own options are known: the first argument that is
// neither an option nor an option's value.
QString FindCommand(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == "--") return i + 1 < arguments.size() ? arguments[i + 1] : QString();
        if (a.startsWith('-') && a.size() > 1) {
            if (!a.contains('=') &&
                (a == "-C" || a == "--dir" || a == "-o" || a == "--output" || a == "--scale" || a == "--format"))
                ++i;
            continue;
        }
        return a;
    }
    return QString();
}

std::variant<Invocation, int> CheckOptions(const QCommandLineParser& parser, Invocation& invocation) {
    if (parser.isSet(kFormatOption)) {
        const QString format = parser.value(kFormatOption);
        if (format == "text")
            invocation.format = OutputFormat::Text;
        else if (format == "json")
            invocation.format = OutputFormat::Json;
        else if (format == "github")
            invocation.format = OutputFormat::Github;
        else
            return UsageError("unknown format '" + format.toStdString() + "' (text, json or github)");
    }
    invocation.werror = parser.isSet(kWerrorOption);
    return invocation;
}

std::variant<Invocation, int> RenderOptions(const QCommandLineParser& parser, Invocation& invocation) {
    if (parser.isSet(kOutputOption)) {
        invocation.output = parser.value(kOutputOption).toLocal8Bit().toStdString();
        if (invocation.output.empty()) return UsageError("the output file name is empty");
        if (invocation.rounds.size() > 1)
            return UsageError("--output names one picture, but " + std::to_string(invocation.rounds.size()) +
                              " rounds are to be drawn");
    }
    if (parser.isSet(kScaleOption)) {
        bool ok = false;
        invocation.scale = parser.value(kScaleOption).toInt(&ok);
        if (!ok || invocation.scale < 1 || invocation.scale > 8)
            return UsageError("--scale takes a whole number from 1 to 8");
    }
    return invocation;
}

}  // namespace

std::variant<Invocation, int> ParseCommandLine(const QStringList& arguments) {
    const QString name = FindCommand(arguments);
    Invocation invocation;
    const char* help = kToolHelp;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.addOptions({kDirOption, kHelpOption, kVersionOption});
    if (name == "check") {
        invocation.command = Command::Check;
        help = kCheckHelp;
        parser.addOptions({kFormatOption, kWerrorOption});
    } else if (name == "render") {
        invocation.command = Command::Render;
        help = kRenderHelp;
        parser.addOptions({kOutputOption, kScaleOption});
    } else if (name == "resave") {
        invocation.command = Command::Resave;
        help = kResaveHelp;
        parser.addOptions({kCheckOption, kForceOption, kDiffOption});
    }

    if (!parser.parse(arguments)) return UsageError(parser.errorText().toStdString());
    if (parser.isSet(kHelpOption)) {
        std::fputs(help, stdout);
        return kExitClean;
    }
    if (parser.isSet(kVersionOption)) {
        std::printf("%s %s\n", kProgram, BLASTRIX_VERSION);
        return kExitClean;
    }
    if (name.isEmpty()) {
        std::fputs(kToolHelp, stderr);
        return kExitUsage;
    }
    if (help == kToolHelp) return UsageError("unknown command '" + name.toStdString() + "'");

    invocation.directory = parser.value(kDirOption).toLocal8Bit().toStdString();
    QStringList positional = parser.positionalArguments();
    positional.removeFirst();
    std::vector<bool> chosen(level::kRoundCount + 1, false);
    for (const QString& text : positional)
        if (!AddRounds(text, chosen))
            return UsageError("'" + text.toStdString() + "' is not a round from 1 to 14 nor a range of them");
    for (int round = level::kFirstRound; round <= level::kRoundCount; ++round)
        if (chosen[static_cast<std::size_t>(round)]) invocation.rounds.push_back(round);
    if (positional.isEmpty()) {
        if (invocation.command == Command::Render) return UsageError("render needs the rounds to draw");
        for (int round = level::kFirstRound; round <= level::kRoundCount; ++round) invocation.rounds.push_back(round);
    }

    switch (invocation.command) {
    case Command::Check: return CheckOptions(parser, invocation);
    case Command::Render: return RenderOptions(parser, invocation);
    case Command::Resave:
        invocation.checkOnly = parser.isSet(kCheckOption);
        invocation.force = parser.isSet(kForceOption);
        invocation.diff = parser.isSet(kDiffOption);
        break;
    }
    return invocation;
}
