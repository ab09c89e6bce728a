#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bytescan.h"

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
    // The same without a copy: `line` stays valid until the next call. Inline, for the loader's loop.
    bool ReadLine(std::string_view& line) {
        if (!ended_ && ReadPlainLine(line)) return true;
        return ReadOtherLine(line);
    }

    // How many lines of the raw text are left unread, a 0x1A that ended the text and a last line
    // without a line end included; reads the rest of the source to count them.
    std::size_t CountRemainingLines();

private:
    static constexpr char kLineFeed = '\n';
    static constexpr char kCarriageReturn = '\r';
    static constexpr char kEndOfFile = '\x1a';

    bool Fill();
    // Nearly every line lies whole in the buffer and holds nothing to drop but the CR of its CR LF;
    // such a line is handed out where it lies. Every line end and every byte a line can drop sorts
    // at or below 0x1A, nearly all text above.
    bool ReadPlainLine(std::string_view& line) {
        const char* const begin = pending_.data();
        const std::size_t size = pending_.size();
        const std::size_t stop = bytescan::FindAtOrBelow(begin, size, static_cast<unsigned char>(kEndOfFile));
        std::size_t next;
        if (stop == size) return false;
        if (begin[stop] == kLineFeed) next = stop + 1;
        else if (begin[stop] == kCarriageReturn && stop + 1 < size && begin[stop + 1] == kLineFeed) next = stop + 2;
        else return false;
        line = std::string_view(begin, stop);
        pending_.remove_prefix(next);
        return true;
    }
    bool ReadOtherLine(std::string_view& line);
    bool ReadAssembledLine();
    // Where the line's text stops: at LF, CR or 0x1A, or only at LF while the rest of a line is skipped.
    static std::size_t FindStop(std::string_view text, bool skipping);

    Source source_;
    std::vector<char> buffer_;
    std::string_view pending_;
    // A line that had to be put together: across buffer fills, or with bytes dropped from it.
    std::string assembled_;
    bool ended_ = false;
};

}  // namespace level
