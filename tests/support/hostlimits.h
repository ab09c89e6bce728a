#pragma once

// What a test needs of its host that Windows has not: it is skipped there with its reason.

// FIFOs, /dev, Unix owners and modes or strace: such a test is built on Unix hosts only.
inline constexpr const char* kUnixOnly = "needs a Unix host: FIFOs, /dev, owners and modes, or strace";

// Names that differ only in case, side by side in one directory.
inline constexpr const char* kCaseSensitiveOnly = "needs a file system that tells names apart by case";
#ifdef _WIN32
inline constexpr bool kCaseBlindFileSystem = true;
#else
inline constexpr bool kCaseBlindFileSystem = false;
#endif
