#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace level {

// Splits text into lines as the game reads them: LF ends a line, every CR is dropped, 0x1A at the
// start of a line ends the text and inside a line ends that line. Lines have no length limit.
class LineReader {
public:
    // Fills the buffer and returns how many bytes it put there; 0 at the end. May throw.
    using Source = std::function<std::size_t(char* buffer, std::size_t capacity)>;

    explicit LineReader(Source source, std::size_t chunkSize = 64 * 1024);
    explicit LineReader(std::string_view text);

    // The next line into `line`; false when the text has ended.
    bool ReadLine(std::string& line);
    // The same without a copy: `line` stays valid until the next call.
    bool ReadLine(std::string_view& line);

private:
    bool Fill();
    bool ReadPlainLine(std::string_view& line);
    bool ReadAssembledLine();

    Source source_;
    std::vector<char> buffer_;
    std::string_view pending_;
    // A line that had to be put together: across buffer fills, or with bytes dropped from it.
    std::string assembled_;
    bool ended_ = false;
};

}  // namespace level
