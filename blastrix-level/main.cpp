#include <malloc.h>

#include <QCoreApplication>

#include <cstdio>
#include <limits>
#include <new>
#include <stdexcept>

#include "commandline.h"
#include "commands.h"
#include "gamefolder.h"

int main(int argc, char** argv) {
    // Each round's file and its save are megabytes for a large round; kept in the heap rather than
    // given back after every round, their pages are touched once, not once a round.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    // No display is needed: painting onto pictures works without a GUI application.
    const QCoreApplication application(argc, argv);
    const std::variant<Invocation, int> parsed = ParseCommandLine(QCoreApplication::arguments());
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    const Invocation& invocation = std::get<Invocation>(parsed);

    const GameFolder folder(invocation.directory);
    if (!folder.HasLevelsDirectory()) {
        std::fprintf(stderr, "blastrix-level: %s has no levels directory; a game folder holds levels/ and data/\n",
                     invocation.directory.empty() ? "the current directory" : invocation.directory.c_str());
        return kExitUsage;
    }
    try {
        switch (invocation.command) {
        case Command::Check: return RunCheck(invocation, folder);
        case Command::Render: return RunRender(invocation, folder);
        case Command::Resave: break;
        }
        return RunResave(invocation, folder);
    } catch (const std::bad_alloc&) {
        // A round too large for memory is the machine's limit, not a finding of the round.
        std::fputs("blastrix-level: out of memory\n", stderr);
        return kExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "blastrix-level: %s\n", e.what());
        return kExitUsage;
    }
}
