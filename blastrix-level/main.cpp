#include <QCoreApplication>

#include <cstdio>

#include "commandline.h"
#include "commands.h"
#include "gamefolder.h"

int main(int argc, char** argv) {
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
    switch (invocation.command) {
    case Command::Check: return RunCheck(invocation, folder);
    case Command::Render: return RunRender(invocation, folder);
    case Command::Resave: break;
    }
    return RunResave(invocation, folder);
}
