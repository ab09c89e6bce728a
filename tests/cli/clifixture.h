#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace cli_testing {

// What a run of the tool left: its exit status and everything it wrote.
struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;

    // Standard output split into lines, without their line ends.
    std::vector<std::string> Lines() const;
};

// The tool under test: this build's, or where BLASTRIX_WINDOWS_TOOL names a Windows build of it, that
// one under wine.
std::vector<std::string> ToolCommand();
// Whether the tool under test is a Windows build, which has no Unix owners, modes or FIFOs, cannot be
// traced by strace and is not the program that git and pre-commit find.
bool WindowsTool();
inline constexpr const char* kUnixToolOnly =
    "needs the tool built for this host: Unix owners, modes and links, names with control characters or "
    "differing only in case, strace";
// Whether the tool under test can draw: it was built with Qt Gui.
bool ToolRenders();
inline constexpr const char* kRenderOnly = "the tool under test was built without Qt Gui";

// A game folder of its own, with the sample sprites in data/ and an empty levels/, in which the tool
// runs without a display.
class CliTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    // Writes a file below the game folder, making its directory.
    void Write(const std::string& relative, const std::string& bytes) const;
    std::string Read(const std::string& relative) const;
    // A w x h PNG of one opaque colour.
    void WriteBackground(const std::string& relative, int width, int height) const;

    // Runs blastrix-level with the arguments in `workingDirectory` (default: the game folder), under
    // `wrapper` (a command such as setpriv or strace with its options, found on PATH) when given, its
    // standard output going to `standardOutput` when that is given.
    ToolRun Tool(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory = {},
                 const std::vector<std::string>& wrapper = {}, const char* standardOutput = nullptr) const;
    // Runs any program, found on the PATH, in the same way.
    ToolRun Run(std::vector<std::string> arguments, const std::filesystem::path& workingDirectory = {},
                const char* standardOutput = nullptr) const;

    const std::filesystem::path& Folder() const { return folder_; }

protected:
    std::filesystem::path folder_;
};

}  // namespace cli_testing
