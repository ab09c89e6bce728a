#include "diffoptions.h"

#include <QCommandLineParser>

#include <cstdio>

#include "commandline.h"

namespace {

constexpr const char* kDiffHelp =
    "Usage: blastrix-level diff [--format text|json|github] [-o FILE [--scale N]] [-C DIR] OLD NEW\n"
    "       blastrix-level diff --git PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX NEW-MODE\n"
    "\n"
    "Tells which objects moved, were added and were removed between two versions of a round's level\n"
    "file, as the editor loads them: one line per change in the form FILE:LINE:1: note: MESSAGE [CODE]\n"
    "(NEW's line, OLD's for a removal), then a summary. /dev/null stands for a file that does not exist.\n"
    "\n"
    "Options:\n"
    "  --format FORMAT   text (default), json (one document) or github (workflow annotations)\n"
    "  -o, --output FILE draw NEW as render does, with the changes marked, into a PNG file (- for\n"
    "                    standard output)\n"
    "  --scale N         enlarge the picture N times (1 to 8)\n"
    "  -C, --dir DIR     the game folder whose background and sprites the picture shows (default:\n"
    "                    the one whose levels/ holds NEW, else the current directory)\n"
    "  --git             take the seven arguments git gives an external diff driver, and exit with 0\n"
    "                    whatever changed; set up with\n"
    "                      git config diff.blastrix.command 'blastrix-level diff --git'\n"
    "                      echo '*.lev diff=blastrix' >> .gitattributes\n"
    "\n"
    "Exit status: 0 when no object changed, 1 when some did, 2 for bad usage or a file that cannot\n"
    "be read.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "blastrix-level: %s\nTry 'blastrix-level diff --help' for more information.\n",
                 message.c_str());
    return kExitUsage;
}

std::string Local(const QString& text) { return text.toLocal8Bit().toStdString(); }

}  // namespace

std::variant<DiffRequest, int> ParseDiffCommandLine(const QStringList& arguments) {
    const QCommandLineOption dirOption({"C", "dir"}, "game folder", "DIR");
    const QCommandLineOption helpOption({"h", "help"}, "help");
    const QCommandLineOption formatOption("format", "format", "FORMAT");
    const QCommandLineOption outputOption({"o", "output"}, "output", "FILE");
    const QCommandLineOption scaleOption("scale", "scale", "N");
    const QCommandLineOption gitOption("git", "git");
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.addOptions({dirOption, helpOption, formatOption, outputOption, scaleOption, gitOption});
    if (!parser.parse(arguments)) return UsageError(parser.errorText().toStdString());
    if (parser.isSet(helpOption)) {
        std::fputs(kDiffHelp, stdout);
        return kExitClean;
    }

    DiffRequest request;
    request.git = parser.isSet(gitOption);
    request.directory = Local(parser.value(dirOption));
    if (parser.isSet(formatOption)) {
        const QString format = parser.value(formatOption);
        if (format == "text")
            request.format = OutputFormat::Text;
        else if (format == "json")
            request.format = OutputFormat::Json;
        else if (format == "github")
            request.format = OutputFormat::Github;
        else
            return UsageError("unknown format '" + format.toStdString() + "' (text, json or github)");
    }
    if (parser.isSet(outputOption)) {
        request.output = Local(parser.value(outputOption));
        if (request.output.empty()) return UsageError("the output file name is empty");
    }
    if (parser.isSet(scaleOption)) {
        bool ok = false;
        request.scale = parser.value(scaleOption).toInt(&ok);
        if (!ok || request.scale < 1 || request.scale > 8) return UsageError("--scale takes a whole number from 1 to 8");
    }

    QStringList files = parser.positionalArguments();
    files.removeFirst();
    if (request.git) {
        // A rename adds the new path and a line about the similarity.
        if (files.size() != 7 && files.size() != 9)
            return UsageError("--git takes the 7 arguments git gives an external diff driver, not " +
                              std::to_string(files.size()));
        const std::string path = Local(files[0]);
        request.before = {Local(files[1]), path};
        request.after = {Local(files[4]), files.size() == 9 ? Local(files[7]) : path};
        return request;
    }
    if (files.size() != 2) return UsageError("diff compares two files, OLD and NEW");
    request.before = {Local(files[0]), Local(files[0])};
    request.after = {Local(files[1]), Local(files[1])};
    return request;
}
