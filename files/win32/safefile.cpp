#include "safefile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "pathinfo.h"
#include "widepath.h"

namespace files {
namespace {

constexpr DWORD kLargestWrite = 1u << 30;
constexpr int kNameAttempts = 100;

[[noreturn]] void Fail(DWORD error, const std::string& what) {
    const int mapped = ErrnoOf(error);
    throw FileSystemError(mapped, what + ": " + std::strerror(mapped));
}

void WriteAll(HANDLE file, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kLargestWrite));
        if (WriteFile(file, bytes.data(), chunk, &written, nullptr) == 0) Fail(GetLastError(), "Cannot write " + path);
        bytes.remove_prefix(written);
    }
}

void Flush(HANDLE file, const std::string& path) {
    if (FlushFileBuffers(file) == 0) Fail(GetLastError(), "Cannot flush " + path);
}

void CloseChecked(Handle& file, const std::string& path) {
    if (!file.Close()) Fail(GetLastError(), "Cannot close " + path);
}

bool Rewind(HANDLE file) {
    LARGE_INTEGER start{};
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != 0;
}

// Copies `from` over `to`, both from their start; the count copied, or -1 with the error left.
std::int64_t CopyBytes(HANDLE from, HANDLE to) {
    if (!Rewind(from) || !Rewind(to)) return -1;
    std::vector<char> buffer(1 << 16);
    std::int64_t copied = 0;
    for (;;) {
        DWORD got = 0;
        if (ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) == 0) return -1;
        if (got == 0) return copied;
        DWORD written = 0;
        for (DWORD done = 0; done < got; done += written)
            if (WriteFile(to, buffer.data() + done, got - done, &written, nullptr) == 0) return -1;
        copied += got;
    }
}

// A new file beside `target`, named after it, that no other program may open while it is made.
class TemporaryFile {
public:
    TemporaryFile(const std::string& target, const char* purpose, DWORD attributes) {
        const std::size_t slash = FindLastPathSeparator(target);
        const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
        for (int attempt = 0;; ++attempt) {
            path_ = directory + "." + name + purpose + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount64() + static_cast<ULONGLONG>(attempt));
            file_.Reset(CreateFileW(Widen(path_).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    attributes, nullptr));
            if (file_.Valid()) return;
            const DWORD error = GetLastError();
            if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt == kNameAttempts)
                Fail(error, "Cannot create a file beside " + target);
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
    WriteAll(temporary.Get(), bytes, temporary.Path());
    Flush(temporary.Get(), temporary.Path());
    CloseChecked(temporary.File(), temporary.Path());
}

// MOVEFILE_WRITE_THROUGH returns once the new name is on the disk; without REPLACE_EXISTING a file
// made meanwhile by another program is never overwritten.
void CreateNew(const std::string& target, std::string_view bytes) {
    TemporaryFile temporary(target, ".", FILE_ATTRIBUTE_NORMAL);
    WriteComplete(temporary, bytes);
    if (MoveFileExW(Widen(temporary.Path()).c_str(), Widen(target).c_str(), MOVEFILE_WRITE_THROUGH) == 0)
        Fail(GetLastError(), "Cannot create " + target);
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
    TemporaryFile temporary(target, ".", FILE_ATTRIBUTE_NORMAL);
    WriteComplete(temporary, bytes);
    file.Close();
    const std::wstring wide = FullPath(target);
    if (ReplaceFileW(wide.c_str(), FullPath(temporary.Path()).c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr) == 0)
        Fail(GetLastError(), "Cannot replace " + target);
    temporary.Keep();
    // The bytes were flushed before; this flushes the file's new place in its directory.
    const Handle replaced(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (replaced.Valid()) Flush(replaced.Get(), target);
}

bool PutBack(HANDLE copy, HANDLE file, std::int64_t size) {
    return CopyBytes(copy, file) == size && SetEndOfFile(file) != 0 && FlushFileBuffers(file) != 0;
}

// Each step leaves the old bytes on the disk: in the file, or flushed in the hidden copy beside it
// until the file holds the new ones.
void WriteInPlace(Handle& file, const std::string& target, std::string_view bytes) {
    TemporaryFile copy(target, ".old.", FILE_ATTRIBUTE_HIDDEN);
    const std::int64_t size = CopyBytes(file.Get(), copy.Get());
    if (size < 0) Fail(GetLastError(), "Cannot copy " + target + " to " + copy.Path());
    Flush(copy.Get(), copy.Path());
    try {
        if (!Rewind(file.Get())) Fail(GetLastError(), "Cannot write " + target);
        WriteAll(file.Get(), bytes, target);
        if (SetEndOfFile(file.Get()) == 0) Fail(GetLastError(), "Cannot write " + target);
        Flush(file.Get(), target);
    } catch (const FileSystemError& e) {
        if (PutBack(copy.Get(), file.Get(), size)) throw;
        copy.Keep();
        throw FileSystemError(e.Error(), std::string(e.what()) + "; the old bytes are in " + copy.Path(), copy.Path());
    }
}

}  // namespace

void WriteFileReplacing(const std::string& path, std::string_view bytes) {
    const std::wstring wide = Widen(path);
    // No other program may write while the save runs, and one that holds the file open for writing
    // makes the save fail here, before a byte is written. A read-only file is refused here too.
    Handle file(CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) Fail(error, "Cannot open " + path);
        CreateNew(path, bytes);
        return;
    }
    // NUL, CON or a pipe gets the bytes as it stands; replacing it would be meaningless.
    if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
        WriteAll(file.Get(), bytes, path);
        return;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(file.Get(), &information) == 0) Fail(GetLastError(), "Cannot examine " + path);
    // A link stays a link, and every name of a file with several keeps naming it: both are written in place.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    const bool link = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (information.nNumberOfLinks == 1 && !link) {
        Replace(file, path, bytes);
        return;
    }
    WriteInPlace(file, path, bytes);
}

}  // namespace files
