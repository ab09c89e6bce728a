#include "savesteps.h"

#include <algorithm>
#include <cstring>

#include "pathinfo.h"

namespace files {
namespace {

constexpr std::string_view kCopySuffix = ".old";
constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IsLetterOrDigit(char c) { return std::string_view(kLetters).find(c) != std::string_view::npos; }

}  // namespace

std::string TemporaryPrefix(const std::string& name) { return "." + name + "."; }
std::string CopyPrefix(const std::string& name) { return "." + name + std::string(kCopySuffix) + "."; }
std::string JournalName(const std::string& name) { return "." + name + std::string(kCopySuffix); }

std::string RandomName(const std::string& prefix, const unsigned char (&random)[kRandomLength]) {
    std::string name = prefix;
    for (const unsigned char r : random) name += kLetters[r % (sizeof kLetters - 1)];
    return name;
}

bool IsTemporaryOf(std::string_view entry, const std::string& name) {
    for (const std::string& prefix : {TemporaryPrefix(name), CopyPrefix(name)}) {
        if (entry.substr(0, prefix.size()) != prefix) continue;
        const std::string_view tail = entry.substr(prefix.size());
        if (tail.size() == kRandomLength && std::all_of(tail.begin(), tail.end(), IsLetterOrDigit)) return true;
    }
    return false;
}

std::string Words(int error, const char* step) { return std::string(step) + " failed: " + std::strerror(error); }

void WriteFileReplacing(const std::string& path, std::string_view bytes) {
    try {
        UndoInterruptedSave(path);
        SaveOnThisHost(path, bytes);
    } catch (const StepFailed& failed) {
        throw SaveFailure(failed.error, failed.reason, path, failed.left, failed.keptCopy);
    }
}

}  // namespace files
