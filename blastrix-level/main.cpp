#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <new>
#include <optional>
#include <stdexcept>

#include "commandline.h"
#include "commands.h"
#include "safefile.h"
#include "findingcodes.h"
#include "gamefolder.h"
#include "pathinfo.h"
#include "programstart.h"
#include "spriteuse.h"

namespace {

// Every target's folder, with the rounds its sprites add; nothing, having complained, when a
// folder cannot be read.
std::optional<std::vector<Work>> GatherWork(const Invocation& invocation) {
    std::vector<Work> work;
    for (const Target& target : invocation.targets) {
        GameFolder folder(target.directory);
        const int error = target.directory.empty() ? 0 : files::LookAt(folder.ProgramDirectory()).error;
        if (error != 0) {
            Complain(target.directory + (error == ENOENT    ? std::string(" does not exist")
                                         : error == ENOTDIR ? std::string(" is not a directory")
                                                            : ": " + std::string(std::strerror(error))));
            return std::nullopt;
        }
        if (!folder.HasLevelsDirectory()) {
            Complain((target.directory.empty() ? std::string("the current directory") : target.directory) +
                     " has no levels directory; a game folder holds levels/ and data/");
            return std::nullopt;
        }
        std::vector<int> rounds = target.rounds;
        for (const int round : RoundsUsingSprites(folder, target.sprites))
            if (std::find(rounds.begin(), rounds.end(), round) == rounds.end()) rounds.push_back(round);
        std::sort(rounds.begin(), rounds.end());
        work.push_back({std::move(folder), std::move(rounds)});
    }
    return work;
}

int Run(const Invocation& invocation) {
    if (invocation.command == Command::Codes) {
        if (WriteOut(CodeListing()) && std::fflush(stdout) == 0) return kExitClean;
        std::perror("blastrix-level: writing the codes");
        return kExitTrouble;
    }
    // Two files, which need no game folder.
    if (invocation.command == Command::Diff) return RunDiff(invocation.diff);
    const std::optional<std::vector<Work>> work = GatherWork(invocation);
    if (!work) return kExitTrouble;
    if (invocation.command == Command::Check) return RunCheck(invocation, *work);
    // Render and resave go through one game folder at a time.
    int status = kExitClean;
    for (const Work& one : *work) {
        Invocation part = invocation;
        part.directory = one.folder.Directory();
        part.rounds = one.rounds;
        status = std::max(status, invocation.command == Command::Render ? RunRender(part, one.folder)
                                                                          : RunResave(part, one.folder));
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // Each round's file and its save are megabytes for a large round; kept rather than given back
    // after every round, their pages are touched once, not once a round.
    files::KeepFreedMemory();
    files::UseBinaryStandardStreams();
    const std::variant<Invocation, int> parsed = ParseCommandLine(files::ProgramArguments(argc, argv));
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    try {
        return Run(std::get<Invocation>(parsed));
    } catch (const files::FileSystemError& e) {
        // A directory of a game folder that cannot be listed.
        Complain(e.what());
        return kExitTrouble;
    } catch (const std::bad_alloc&) {
        // A round too large for memory is the machine's limit, not a finding of the round.
        Complain("out of memory");
        return kExitTrouble;
    } catch (const std::exception& e) {
        Complain(e.what());
        return kExitTrouble;
    }
}
