#include "linereader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace level {

// A plain loop: find_first_of calls memchr once for every byte of the line.
std::size_t LineReader::FindStop(std::string_view text, bool skipping) {
    if (skipping) return text.find(kLineFeed);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // All three stops sort below every printable byte, so most bytes cost one comparison.
        if (static_cast<unsigned char>(c) <= static_cast<unsigned char>(kEndOfFile) &&
            (c == kLineFeed || c == kCarriageReturn || c == kEndOfFile))
            return i;
    }
    return std::string_view::npos;
}

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
    std::string_view view;
    const bool read = ReadLine(view);
    line.assign(view.data(), view.size());
    return read;
}

bool LineReader::ReadOtherLine(std::string_view& line) {
    line = {};
    if (ended_) return false;
    const bool read = ReadAssembledLine();
    line = assembled_;
    return read;
}

bool LineReader::ReadAssembledLine() {
    std::string& line = assembled_;
    line.clear();
    // A dropped CR must not make a line on its own nor hide a 0x1A that starts the line.
    for (;;) {
        if (pending_.empty() && !Fill()) {
            ended_ = true;
            return false;
        }
        const std::size_t start = pending_.find_first_not_of(kCarriageReturn);
        if (start != std::string_view::npos) {
            pending_.remove_prefix(start);
            break;
        }
        pending_ = {};
    }
    if (pending_.front() == kEndOfFile) {
        ended_ = true;
        return false;
    }
    bool skipping = false;
    for (;;) {
        const std::size_t stop = FindStop(pending_, skipping);
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

std::size_t LineReader::CountRemainingLines() {
    std::size_t lines = 0;
    bool partial = false;
    for (;;) {
        if (pending_.empty() && !Fill()) break;
        const char* p = pending_.data();
        const char* const end = p + pending_.size();
        while (const auto* feed = static_cast<const char*>(std::memchr(p, kLineFeed, static_cast<std::size_t>(end - p)))) {
            ++lines;
            p = feed + 1;
        }
        partial = p != end;
        pending_ = {};
    }
    ended_ = true;
    return lines + (partial ? 1 : 0);
}

}  // namespace level
