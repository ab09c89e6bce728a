#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "linereader.h"

namespace {

using Lines = std::vector<std::string>;

Lines ReadAll(level::LineReader& reader) {
    Lines lines;
    std::string line;
    while (reader.ReadLine(line)) lines.push_back(line);
    return lines;
}

Lines ReadWhole(std::string_view text) {
    level::LineReader reader(text);
    return ReadAll(reader);
}

// A source that hands over at most `feed` bytes a call, into a reader whose buffer holds `capacity`.
Lines ReadInPieces(std::string_view text, std::size_t feed, std::size_t capacity) {
    std::size_t offset = 0;
    level::LineReader reader(
        [&](char* buffer, std::size_t room) {
            const std::size_t n = std::min({feed, room, text.size() - offset});
            std::copy_n(text.data() + offset, n, buffer);
            offset += n;
            return n;
        },
        capacity);
    return ReadAll(reader);
}

struct ReaderCase {
    const char* name;
    std::string text;
    Lines lines;
};

std::ostream& operator<<(std::ostream& out, const ReaderCase& c) { return out << c.name; }

class LineReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(LineReaderTest, WholeTextGivesTheLines) {
    EXPECT_EQ(ReadWhole(GetParam().text), GetParam().lines);
}

TEST_P(LineReaderTest, AnySplitOfTheSourceGivesTheSameLines) {
    const ReaderCase& c = GetParam();
    for (const std::size_t feed : {1, 2, 3, 5, 64 * 1024}) {
        for (const std::size_t capacity : {1, 2, 7, 64 * 1024}) {
            EXPECT_EQ(ReadInPieces(c.text, feed, capacity), c.lines) << "feed " << feed << " capacity " << capacity;
        }
    }
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Rules, LineReaderTest,
    ::testing::Values(
        ReaderCase{"Empty", "", {}},
        ReaderCase{"LineFeeds", "a\nbb\nccc\n", {"a", "bb", "ccc"}},
        ReaderCase{"CrLf", "a\r\nbb\r\n", {"a", "bb"}},
        ReaderCase{"MixedEndings", "a\nb\r\nc", {"a", "b", "c"}},
        ReaderCase{"NoFinalLineFeed", "a\nlast", {"a", "last"}},
        ReaderCase{"NoFinalLineFeedAfterCr", "a\r\nlast\r", {"a", "last"}},
        ReaderCase{"EmptyLinesKept", "\n\na\n\n", {"", "", "a", ""}},
        ReaderCase{"EmptyCrLfLines", "\r\n\r\n", {"", ""}},
        ReaderCase{"LoneCrInsideLine", "a\rb\n", {"ab"}},
        ReaderCase{"LoneCrIsNoLineEnd", "a\rb\rc", {"abc"}},
        ReaderCase{"SeveralCrBeforeLf", "a\r\r\r\nb", {"a", "b"}},
        ReaderCase{"OnlyCr", "\r", {}},
        ReaderCase{"OnlyCrs", "\r\r\r", {}},
        ReaderCase{"CrAfterLastLine", "a\n\r", {"a"}},
        ReaderCase{"CrThenLfIsAnEmptyLine", "a\n\r\nb", {"a", "", "b"}},
        ReaderCase{"EofAtStart", "\x1a" "a\nb\n", {}},
        ReaderCase{"EofStartsLaterLine", "a\r\n\x1a" "b\r\nc\r\n", {"a"}},
        ReaderCase{"EofAfterFinalCrLf", "a\r\n\x1a", {"a"}},
        ReaderCase{"EofAfterDroppedCr", "a\n\r\x1a" "b\n", {"a"}},
        ReaderCase{"EofInsideLineEndsIt", "ab\x1a" "cd\nef\n", {"ab", "ef"}},
        ReaderCase{"EofInsideLineSkipsCrAndEof", "ab\x1a\r\x1a" "cd\r\nef", {"ab", "ef"}},
        ReaderCase{"EofInsideLastLine", "ab\x1a" "cd", {"ab"}},
        ReaderCase{"CrBeforeEofInsideLine", "ab\r\x1a" "cd\n", {"ab"}},
        ReaderCase{"NulIsText", "a\0b\n"s, {"a\0b"s}},
        ReaderCase{"HighBytesAreText", "\xff\xfe\n", {"\xff\xfe"}},
        ReaderCase{"LongLinesWithHighBytes", "\xff\x80\x81\x82\x83\x84\x85\x86\x87\r\n0123456789\n",
                   {"\xff\x80\x81\x82\x83\x84\x85\x86\x87", "0123456789"}},
        ReaderCase{"TabIsTextInALongLine", "abcdefghij\tk\r\nmalo1,1,2\r\n", {"abcdefghij\tk", "malo1,1,2"}},
        ReaderCase{"OneMegabyteLine", std::string(1 << 20, 'x') + "\r\nshort", {std::string(1 << 20, 'x'), "short"}}),
    [](const ::testing::TestParamInfo<ReaderCase>& row) { return row.param.name; });

TEST(LineReaderTest, StaysEndedAndEmptiesTheLine) {
    level::LineReader reader(std::string_view("a\n"));
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_FALSE(reader.ReadLine(line));
    line = "left over";
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_EQ(line, "");
}

TEST(LineReaderTest, DoesNotAskTheSourceAgainAfterItsEnd) {
    int calls = 0;
    level::LineReader reader([&](char* buffer, std::size_t) -> std::size_t {
        ++calls;
        if (calls > 2) throw std::logic_error("asked after the end");
        if (calls == 2) return 0;
        buffer[0] = 'a';
        return 1;
    });
    std::string line;
    EXPECT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, "a");
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_EQ(calls, 2);
}

TEST(LineReaderTest, SourceFailureReachesTheCaller) {
    int calls = 0;
    level::LineReader reader([&](char* buffer, std::size_t) -> std::size_t {
        if (++calls > 1) throw std::runtime_error("read failed");
        buffer[0] = 'a';
        buffer[1] = '\n';
        buffer[2] = 'b';
        return 3;
    });
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, "a");
    EXPECT_THROW(reader.ReadLine(line), std::runtime_error);
}

}  // namespace
