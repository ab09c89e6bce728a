#include "programstart.h"

#include "widepath.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

namespace files {
namespace {

UINT consoleCodePage = 0;

void RestoreConsoleCodePage() { SetConsoleOutputCP(consoleCodePage); }

}  // namespace

// argv holds the arguments in the ANSI code page, which cannot spell every name; the wide command
// line can.
std::vector<std::string> ProgramArguments(int, char**) {
    int count = 0;
    LPWSTR* const arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> out;
    if (arguments == nullptr) return out;
    for (int i = 1; i < count; ++i) out.push_back(Narrow(arguments[i]));
    LocalFree(arguments);
    return out;
}

void UseBinaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The program writes UTF-8; a console shows it as such only in that code page, given back at exit.
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0 ||
        GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0) {
        consoleCodePage = GetConsoleOutputCP();
        if (consoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8) != 0) std::atexit(RestoreConsoleCodePage);
    }
}

// The system's heap keeps freed blocks for reuse of its own accord.
void KeepFreedMemory() {}

}  // namespace files
