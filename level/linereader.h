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

    // How many lines of the raw text are left unread, a 0x1A that ended the text and a last line
    // without a line end included; reads the rest of the source to count them.
    std::size_t CountRemainingLines();

private:
    bool Fill();
    bool ReadPlainLine(std::string& line);

    Source source_;
    std::vector<char> buffer_;
    std::string_view pending_;
    bool ended_ = false;
};

}  // namespace level
