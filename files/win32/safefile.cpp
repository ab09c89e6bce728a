#include "safefile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "pathinfo.h"
#include "savesteps.h"
#include "widepath.h"

namespace files {
namespace {

constexpr DWORD kLargestWrite = 1u << 30;
constexpr int kNameAttempts = 100;
// A write that keeps taking nothing is given up after this many tries.
constexpr int kMostStalledWrites = 64;

[[noreturn]] void Fail(DWORD error, const char* step) {
    const int mapped = ErrnoOf(error);
    throw StepFailed{mapped, Words(mapped, step)};
}

void WriteAll(HANDLE file, std::string_view bytes, const char* step) {
    for (int stalled = 0; !bytes.empty();) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kLargestWrite));
        if (WriteFile(file, bytes.data(), chunk, &written, nullptr) == 0) Fail(GetLastError(), step);
        if (written == 0 && ++stalled == kMostStalledWrites) Fail(ERROR_WRITE_FAULT, step);
        bytes.remove_prefix(written);
    }
}

void Flush(HANDLE file, const char* step) {
    if (FlushFileBuffers(file) == 0) Fail(GetLastError(), step);
}

bool Rewind(HANDLE file) {
    LARGE_INTEGER start{};
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != 0;
}

// Copies the whole of `from` over `to`, both from their start, and ends `to` there.
void CopyBytes(HANDLE from, HANDLE to, const char* step) {
    if (!Rewind(from) || !Rewind(to)) Fail(GetLastError(), step);
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD got = 0;
        if (ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) == 0)
            Fail(GetLastError(), step);
        if (got == 0) break;
        WriteAll(to, std::string_view(buffer.data(), got), step);
    }
    if (SetEndOfFile(to) == 0) Fail(GetLastError(), step);
}

std::string DirectoryOf(const std::string& path) { return ShownBeside(path, ""); }

std::string NameOf(const std::string& path) {
    const std::size_t slash = FindLastPathSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A new file beside `target` that no other program may open while it is made, so that no undo takes
// it for the leftover of a save that was cut short; removed unless kept.
class TemporaryFile {
public:
    TemporaryFile(const std::string& target, const std::string& prefix, DWORD attributes, const char* step) {
        const std::string directory = DirectoryOf(target);
        ULONGLONG seed = GetTickCount64() * 2654435761u + GetCurrentProcessId();
        for (int attempt = 0;; ++attempt) {
            unsigned char random[kRandomLength];
            for (unsigned char& r : random) {
                seed = seed * 6364136223846793005u + 1442695040888963407u;
                r = static_cast<unsigned char>(seed >> 56);
            }
            path_ = directory + RandomName(prefix, random);
            file_.Reset(CreateFileW(Widen(path_).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    attributes, nullptr));
            if (file_.Valid()) return;
            const DWORD error = GetLastError();
            if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt == kNameAttempts)
                Fail(error, step);
        }
    }
    ~TemporaryFile() {
        file_.Close();
        if (!kept_) DeleteFileW(Widen(path_).c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    Handle& File() { return file_; }
    HANDLE Get() const { return file_.Get(); }
    const std::string& Path() const { return path_; }
    void Keep() { kept_ = true; }

private:
    std::string path_;
    Handle file_;
    bool kept_ = false;
};

void WriteComplete(TemporaryFile& temporary, std::string_view bytes) {
    WriteAll(temporary.Get(), bytes, "writing the new file beside it");
    Flush(temporary.Get(), "flushing the new file beside it");
    if (!temporary.File().Close()) Fail(GetLastError(), "closing the new file beside it");
}

// MOVEFILE_WRITE_THROUGH returns once the new name is on the disk; without REPLACE_EXISTING a file
// made meanwhile by another program is never overwritten.
void CreateNew(const std::string& target, std::string_view bytes) {
    TemporaryFile temporary(target, TemporaryPrefix(NameOf(target)), FILE_ATTRIBUTE_NORMAL,
                            "creating the new file beside it");
    WriteComplete(temporary, bytes);
    if (MoveFileExW(Widen(temporary.Path()).c_str(), Widen(target).c_str(), MOVEFILE_WRITE_THROUGH) == 0)
        Fail(GetLastError(), "putting the new file in its place");
    temporary.Keep();
}

// ReplaceFileW is given whole paths: wine's, at least, refuses relative ones.
std::wstring FullPath(const std::string& path) {
    const std::wstring wide = Widen(path);
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return wide;
        if (n < full.size()) {
            full.resize(n);
            return full;
        }
        full.resize(n);
    }
}

// ReplaceFileW gives the new file the old one's ACL, attributes, creation time and short name; it
// fails, leaving the old file whole, where another program has opened it since.
void Replace(Handle& file, const std::string& target, std::string_view bytes) {
    TemporaryFile temporary(target, TemporaryPrefix(NameOf(target)), FILE_ATTRIBUTE_NORMAL,
                            "creating the new file beside it");
    WriteComplete(temporary, bytes);
    file.Close();
    const std::wstring wide = FullPath(target);
    if (ReplaceFileW(wide.c_str(), FullPath(temporary.Path()).c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr) == 0)
        Fail(GetLastError(), "putting the new file in its place");
    temporary.Keep();
    // The bytes were flushed before; this flushes the file's new place in its directory.
    const Handle replaced(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!replaced.Valid() || FlushFileBuffers(replaced.Get()) == 0) {
        const int error = ErrnoOf(GetLastError());
        throw StepFailed{error, Words(error, "flushing it in its folder"), SaveLeft::NewBytesUnflushed};
    }
}

// Each step leaves the old bytes on the disk: in the file, or in the journal beside it, which is
// complete once it has its own name, until the file holds the new bytes, flushed.
void WriteInPlace(Handle& file, const std::string& target, std::string_view bytes) {
    const std::string journal = DirectoryOf(target) + JournalName(NameOf(target));
    {
        TemporaryFile copy(target, CopyPrefix(NameOf(target)), FILE_ATTRIBUTE_HIDDEN, "copying the old bytes beside it");
        CopyBytes(file.Get(), copy.Get(), "copying the old bytes beside it");
        Flush(copy.Get(), "flushing the copy of the old bytes");
        if (!copy.File().Close()) Fail(GetLastError(), "copying the old bytes beside it");
        if (MoveFileExW(Widen(copy.Path()).c_str(), Widen(journal).c_str(), MOVEFILE_WRITE_THROUGH) == 0)
            Fail(GetLastError(), "copying the old bytes beside it");
        copy.Keep();
    }
    try {
        if (!Rewind(file.Get())) Fail(GetLastError(), "rewriting it in place");
        WriteAll(file.Get(), bytes, "rewriting it in place");
        if (SetEndOfFile(file.Get()) == 0) Fail(GetLastError(), "rewriting it in place");
        Flush(file.Get(), "flushing it");
        if (DeleteFileW(Widen(journal).c_str()) == 0) Fail(GetLastError(), "removing the copy of the old bytes");
    } catch (const StepFailed& failed) {
        const Handle copy(CreateFileW(Widen(journal).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        try {
            if (!copy.Valid()) Fail(GetLastError(), "putting the old bytes back");
            CopyBytes(copy.Get(), file.Get(), "putting the old bytes back");
            Flush(file.Get(), "putting the old bytes back");
        } catch (const StepFailed& putBack) {
            throw StepFailed{failed.error, failed.reason + "; " + putBack.reason, SaveLeft::CopyOfOldBytes, journal};
        }
        DeleteFileW(Widen(journal).c_str());
        throw;
    }
}

void Save(const std::string& path, std::string_view bytes) {
    const std::wstring wide = Widen(path);
    // No other program may write while the save runs, and one that holds the file open for writing
    // makes the save fail here, before a byte is written. A read-only file is refused here too.
    Handle file(CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) Fail(error, "opening it");
        CreateNew(path, bytes);
        return;
    }
    // NUL, CON or a pipe gets the bytes as it stands; replacing it would be meaningless.
    if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
        WriteAll(file.Get(), bytes, "writing into it");
        return;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(file.Get(), &information) == 0) Fail(GetLastError(), "examining it");
    // A link stays a link, and every name of a file with several keeps naming it: both are written in place.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    const bool link = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (information.nNumberOfLinks == 1 && !link) {
        Replace(file, path, bytes);
        return;
    }
    WriteInPlace(file, path, bytes);
}

// The names beside `path` that a save of it left: new files and unfinished copies.
std::vector<std::string> Temporaries(const std::string& path) {
    std::vector<std::string> found;
    const std::string name = NameOf(path);
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileExW(Widen(DirectoryOf(path) + TemporaryPrefix(name) + "*").c_str(),
                                           FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        const std::string entryName = Narrow(entry.cFileName);
        if (IsTemporaryOf(entryName, name)) found.push_back(entryName);
    } while (FindNextFileW(search, &entry) != 0);
    FindClose(search);
    std::sort(found.begin(), found.end());
    return found;
}

bool HasJournal(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(DirectoryOf(path) + JournalName(NameOf(path))).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

void SaveOnThisHost(const std::string& path, std::string_view bytes) { Save(path, bytes); }

SaveLeftovers FindSaveLeftovers(const std::string& path) {
    SaveLeftovers leftovers;
    if (HasJournal(path)) leftovers.journal = ShownBeside(path, JournalName(NameOf(path)));
    for (const std::string& name : Temporaries(path)) leftovers.temporaries.push_back(ShownBeside(path, name));
    return leftovers;
}

bool UndoInterruptedSave(const std::string& path) {
    // A file that a save still holds open is shared with nobody, so it cannot be removed meanwhile.
    for (const std::string& name : Temporaries(path)) DeleteFileW(Widen(ShownBeside(path, name)).c_str());
    if (!HasJournal(path)) return false;
    const std::string journal = ShownBeside(path, JournalName(NameOf(path)));
    try {
        const Handle copy(CreateFileW(Widen(journal).c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!copy.Valid()) Fail(GetLastError(), "reading the copy of the old bytes");
        const Handle file(CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) Fail(GetLastError(), "opening it");
        CopyBytes(copy.Get(), file.Get(), "putting the old bytes back");
        Flush(file.Get(), "putting the old bytes back");
    } catch (const StepFailed& failed) {
        throw SaveFailure(failed.error, "a save was cut short, and " + failed.reason, path, SaveLeft::CopyOfOldBytes,
                          journal);
    }
    if (DeleteFileW(Widen(journal).c_str()) == 0)
        throw SaveFailure(ErrnoOf(GetLastError()), "a save was cut short, and removing the copy of the old bytes failed",
                          path, SaveLeft::CopyOfOldBytes, journal);
    return true;
}

}  // namespace files
