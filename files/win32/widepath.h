#pragma once

#include <windows.h>

#include <string>

namespace files {

// Paths and texts are UTF-8 inside the program and UTF-16 at every call of the system.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const wchar_t* utf16);

// The errno that stands for a Windows error, so that every layer above tells failures apart alike.
int ErrnoOf(DWORD error);

// A Windows handle, closed with its owner.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    void Reset(HANDLE handle) {
        Close();
        handle_ = handle;
    }
    HANDLE Release() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    // False, with the error left for GetLastError, where closing failed.
    bool Close() {
        const bool closed = !Valid() || CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

}  // namespace files
