#include "linereader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace level {
namespace {
constexpr char kLineFeed = '\n';
constexpr char kEndOfFile = '\x1a';
}  // namespace

LineReader::LineReader(Source source, std::size_t chunkSize)
    : source_(std::move(source)), buffer_(std::max<std::size_t>(chunkSize, 1)) {}

LineReader::LineReader(std::string_view text) : pending_(text) {}

bool LineReader::Fill() {
    if (!source_) return false;
    const std::size_t n = source_(buffer_.data(), buffer_.size());
    if (n == 0) {
        source_ = nullptr;
        return false;
    }
    pending_ = std::string_view(buffer_.data(), std::min(n, buffer_.size()));
    return true;
}

bool LineReader::ReadLine(std::string& line) {
    line.clear();
    if (ended_) return false;
    if (pending_.empty() && !Fill()) {
        ended_ = true;
        return false;
    }
    if (pending_.front() == kEndOfFile) {
        ended_ = true;
        return false;
    }
    bool skipping = false;
    for (;;) {
        const std::size_t stop = pending_.find_first_of(skipping ? std::string_view("\n", 1)
                                                                 : std::string_view("\n\r\x1a", 3));
        const std::string_view run = pending_.substr(0, stop);
        if (!skipping) line.append(run.data(), run.size());
        if (stop == std::string_view::npos) {
            pending_ = {};
            if (!Fill()) {
                ended_ = true;
                return true;
            }
            continue;
        }
        const char c = pending_[stop];
        pending_.remove_prefix(stop + 1);
        if (c == kLineFeed) return true;
        // A carriage return is dropped wherever it stands; nothing else needs doing for it.
        if (c == kEndOfFile) skipping = true;
        if (pending_.empty() && !Fill()) {
            ended_ = true;
            return true;
        }
    }
}

}  // namespace level
