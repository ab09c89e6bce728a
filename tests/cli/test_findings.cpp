// One round file per finding, with the exact lines `check` prints for it.

#include <sys/stat.h>
#include <zlib.h>

#include <fstream>
#include <iterator>

#include "clifixture.h"

namespace cli_testing {
namespace {

struct FindingCase {
    const char* name;
    std::string level;                          // levels/Level3.lev
    std::vector<std::string> expected;          // every line printed
    void (*prepare)(const CliTest&) = nullptr;  // changes to the folder beyond the level file
    bool unixOnly = false;                      // a Unix link in the folder
};

void PrintTo(const FindingCase& c, std::ostream* out) { *out << c.name; }

const std::string kBomb = "bomba,200,40,14,18,1,500\r\n";
const std::string kHero = "start,320,120\r\n";
constexpr const char* kClean = "1 round checked: 0 errors, 0 warnings";

std::string Chunk(const char* type, const std::string& data) {
    std::string chunk;
    for (const int shift : {24, 16, 8, 0}) chunk += static_cast<char>(data.size() >> shift & 0xff);
    const std::string body = type + data;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    chunk += body;
    for (const int shift : {24, 16, 8, 0}) chunk += static_cast<char>(crc >> shift & 0xff);
    return chunk;
}

// A PNG whose header promises far more pixels than its few bytes could inflate to.
std::string DecompressionBomb() {
    const std::string header("\0\0\x13\x88\0\0\x13\x88\x08\x06\0\0\0", 13);  // 5000 x 5000 RGBA
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", std::string(40, 'x')) +
           Chunk("IEND", "");
}

const FindingCase kCases[] = {
    {"NotAnInteger",
     kHero + kBomb + "bomba,x,y\r\nmoneda,300,150,14,14,1,200",
     {"levels/Level3.lev:3:7: error: 'x' is not an integer, so the editor stops reading here [not-an-integer]",
      "levels/Level3.lev:3:1: note: the editor never reads the 1 line after this one [unread-lines]",
      "levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      "1 round checked: 1 error, 0 warnings"}},
    {"OutOfRangeDecimal",
     kHero + kBomb + "bomba,99999999999,40\r\n",
     {"levels/Level3.lev:3:7: error: '99999999999' is out of range (a coordinate lies from -2147483648 to 2147483647), so the editor stops reading here [out-of-range]",
      "levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      "1 round checked: 1 error, 0 warnings"}},
    {"OutOfRangeHexadecimal",
     kHero + kBomb + "bomba,200,-$000123456789\r\n",
     {"levels/Level3.lev:3:11: error: '-$000123456789' is out of range (a hexadecimal coordinate has at most 8 digits, $0 to $FFFFFFFF), so the editor stops reading here [out-of-range]",
      "levels/Level3.lev:3:1: note: after loading, the next object added from the palette lands at 200,120 instead of at 320,120 [pending-position]",
      "levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      "1 round checked: 1 error, 0 warnings"}},
    {"NotAnIntegerCountsColumnsAsStored",
     kHero + kBomb + "bo\rmba,260,4 0\r\n\r\n",
     {"levels/Level3.lev:3:12: error: '4 0' is not an integer, so the editor stops reading here [not-an-integer]",
      "levels/Level3.lev:3:1: note: the editor never reads the 1 line after this one [unread-lines]",
      "levels/Level3.lev:3:1: note: after loading, the next object added from the palette lands at 260,120 instead of at 320,120 [pending-position]",
      "levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      "1 round checked: 1 error, 0 warnings"}},
    {"NotAnIntegerInALineOfOneField",
     kHero + kBomb + "bomba\r\n",
     {"levels/Level3.lev:3:1: error: 'bomba' is not an integer, so the editor stops reading here [not-an-integer]",
      "levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      "1 round checked: 1 error, 0 warnings"}},
    {"SpriteUnreadable",
     kHero + kBomb + "moneda,300,150,14,14,1,200\r\n" + kBomb + kBomb,
     {"levels/Level3.lev:3:1: error: the sprite data/moneda.png of 'moneda' cannot be read, so the editor stops reading here [sprite-unreadable]",
      "levels/Level3.lev:3:1: note: the editor never reads the 2 lines after this one [unread-lines]",
      "levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      "data/moneda.png: error: the sprite cannot be read: Not a PNG file; the editor stops loading a round at the first object that needs it [sprite-unreadable]",
      "1 round checked: 2 errors, 0 warnings"},
     [](const CliTest& t) { t.Write("data/moneda.png", "GIF89a, not a PNG"); }},
    {"SpriteMissing",
     kHero + kBomb + "boost,300,150,14,14,1,0\r\n",
     {"levels/Level3.lev:3:1: error: the sprite data/boost.png of 'boost' cannot be read, so the editor stops reading here [sprite-unreadable]",
      "levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      "data/boost.png: error: the sprite cannot be read: Cannot open file \"data/boost.png\". No such file or directory; "
      "the editor stops loading a round at the first object that needs it [sprite-unreadable]",
      "1 round checked: 2 errors, 0 warnings"},
     [](const CliTest& t) { std::filesystem::remove(t.Folder() / "data/boost.png"); }},
    {"NoHero",
     "\r\n" + kBomb + "\r\n" + kBomb,
     {"levels/Level3.lev:2:1: error: the round has objects but no hero: the editor refuses to save it (\"Where is Trom?\") [no-hero]",
      "1 round checked: 1 error, 0 warnings"}},
    {"NothingLoads",
     "START,320,120\r\n",
     {"levels/Level3.lev:1:1: warning: unknown keyword 'START': the line is skipped; did you mean 'start'? [unknown-keyword]",
      "levels/Level3.lev:1:1: error: no object loads from the file, so the editor shows the round empty: the editor refuses to save it (\"Where is Trom?\") [no-hero]",
      "1 round checked: 1 error, 1 warning"}},
    {"ByteOrderMark",
     "\xef\xbb\xbfstart,320,120\r\n" + kBomb,
     {"levels/Level3.lev:1:1: warning: the file starts with a UTF-8 byte-order mark, which the editor reads as part of the keyword 'start': the line is skipped; save the file without the mark [unknown-keyword]",
      "levels/Level3.lev:2:1: error: the round has objects but no hero: the editor refuses to save it (\"Where is Trom?\") [no-hero]",
      "1 round checked: 1 error, 1 warning"}},
    {"ByteOrderMarkAfterTheFirstLine",
     kHero + kBomb + "\xef\xbb\xbfmoneda,300,150,14,14,1,200\r\n",
     {"levels/Level3.lev:3:1: warning: unknown keyword '\\xef\\xbb\\xbfmoneda': the line is skipped [unknown-keyword]",
      "levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      "1 round checked: 0 errors, 1 warning"}},
    {"NoBomb",
     kHero + "moneda,300,150,14,14,1,200\r\n",
     {"levels/Level3.lev:1:1: error: the round has a hero but no bomb: the editor refuses to save it (\"You need one bomb at least\") [no-bomb]",
      "1 round checked: 1 error, 0 warnings"}},
    {"OverLimitOfOne",
     kHero + "start,200,100\r\n" + kBomb,
     {"levels/Level3.lev:2:1: warning: line dropped: over the limit of 1 'start' object a round [over-limit]",
      "levels/Level3.lev:2:1: note: the file is not as a save writes it: a save writes this line as 'bomba,200,40,14,18,1,500' [not-as-saved]",
      "1 round checked: 0 errors, 1 warning"}},
    {"OverLimitOfPlatforms",
     kHero + kBomb +
         [] {
             std::string lines;
             for (int i = 0; i < 11; ++i) lines += "plataforma,300," + std::to_string(20 + 20 * i) + ",75,10,1,2\r\n";
             return lines;
         }() +
         "moneda,300,150,14,14,1,200\r\n",
     {"levels/Level3.lev:3:1: note: the file is not as a save writes it: a save writes this line as 'moneda,300,150,14,14,1,200' [not-as-saved]",
      "levels/Level3.lev:13:1: warning: line dropped: over the limit of 10 'plataforma' objects a round, all lengths together [over-limit]",
      "1 round checked: 0 errors, 1 warning"}},
    {"BadPlatformSize",
     kHero + kBomb + "plataforma,300,140,50,10,1,4\r\n",
     {"levels/Level3.lev:3:28: warning: platform size '4' is not 1, 2 or 3: the line is dropped [bad-platform-size]",
      "levels/Level3.lev:3:1: note: after loading, the next object added from the palette lands at 300,140 instead of at 320,120 [pending-position]",
      "levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      "1 round checked: 0 errors, 1 warning"}},
    {"PendingPosition",
     kHero + kBomb + "bomba,0,222\r\nstart,250,0\r\n",
     {"levels/Level3.lev:3:7: note: the file is not as a save writes it: a save writes this line as 'bomba,320,222,14,18,1,500' [not-as-saved]",
      "levels/Level3.lev:4:1: warning: line dropped: over the limit of 1 'start' object a round [over-limit]",
      "levels/Level3.lev:4:1: note: after loading, the next object added from the palette lands at 250,120 instead of at 320,120 [pending-position]",
      "1 round checked: 0 errors, 1 warning"}},
    {"UnknownKeywordDifferingInCase",
     kHero + "Plataforma,300,140,50,10,1,1\r\n" + kBomb,
     {"levels/Level3.lev:2:1: warning: unknown keyword 'Plataforma': the line is skipped; did you mean 'plataforma'? [unknown-keyword]",
      "levels/Level3.lev:2:1: note: the file is not as a save writes it: a save writes this line as 'bomba,200,40,14,18,1,500' [not-as-saved]",
      "1 round checked: 0 errors, 1 warning"}},
    {"UnknownKeyword",
     kHero + kBomb + "bo\\mbe\xff" + std::string(1000, 'k') + ",200,40\r\n",
     {"levels/Level3.lev:3:1: warning: unknown keyword 'bo\\\\mbe\\xff" + std::string(33, 'k') + "…': the line is skipped [unknown-keyword]",
      "levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      "1 round checked: 0 errors, 1 warning"}},
    {"UnknownKeywordInUtf8",
     kHero + kBomb + "b\xc3\xb6mba\xc2\x85,200,40\r\n",
     {"levels/Level3.lev:3:1: warning: unknown keyword 'b\xc3\xb6mba\\xc2\\x85': the line is skipped [unknown-keyword]",
      "levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      "1 round checked: 0 errors, 1 warning"}},
    {"OutOfReach",
     kHero + "malo1,240,250,20,24,100,200,1\r\n" + kBomb + "plataforma,380,40,100,10,1,3\r\n",
     {"levels/Level3.lev:2:11: warning: 'malo1' at 240,250 lies outside the area a drag can reach (left 192 to 448, top 12 to 238) [out-of-reach]",
      "levels/Level3.lev:4:12: warning: 'plataforma' at 380,40 lies outside the area a drag can reach (left 192 to 368, top 12 to 238) [out-of-reach]",
      "1 round checked: 0 errors, 2 warnings"}},
    {"OddCoordinate",
     "start,320,121\r\n" + kBomb + "plataforma,393,238,75,10,1,2\r\n",
     {"levels/Level3.lev:1:11: warning: 'start' at 320,121 has an odd coordinate; a drag places objects on even ones only [odd-coordinate]",
      "1 round checked: 0 errors, 1 warning"}},
    {"EndOfFileMark",
     kHero + kBomb + "\x1a\r\nmoneda,300,150,14,14,1,200",
     {"levels/Level3.lev:3:1: warning: a 0x1A byte starts this line and ends the file for the editor, which never reads the 1 line after it [end-of-file-mark]",
      "levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      "1 round checked: 0 errors, 1 warning"}},
    {"EndOfFileMarkAsTheLastLine",
     kHero + kBomb + "\x1a",
     {"levels/Level3.lev:3:1: note: the file is not as a save writes it: a save ends the file before this line [not-as-saved]",
      kClean}},
    {"NotAsSavedLineEnds",
     "start,320,120\nbomba,200,40,14,18,1,500\n",
     {"levels/Level3.lev:1:14: note: the file is not as a save writes it: a save ends this line with CR LF [not-as-saved]",
      kClean}},
    {"NotAsSavedOrder",
     kBomb + kHero,
     {"levels/Level3.lev:1:1: note: the file is not as a save writes it: a save writes this line as 'start,320,120' [not-as-saved]",
      kClean}},
    {"MissingField",
     "start,200\r\n" + kBomb,
     {"levels/Level3.lev:1:10: warning: 'start' has no second coordinate: the editor reads the first twice, so it loads at 200,200 [missing-field]",
      "levels/Level3.lev:1:10: note: the file is not as a save writes it: a save writes this line as 'start,200,200' [not-as-saved]",
      "1 round checked: 0 errors, 1 warning"}},
    {"MissingPlatformSize",
     kHero + kBomb + "plataforma,300,2\r\n",
     {"levels/Level3.lev:3:17: warning: 'plataforma' has no size field: the editor takes the size from the last field, '2', so it loads at 300,2 as a platform 75 pixels wide [missing-field]",
      "levels/Level3.lev:3:16: warning: 'plataforma' at 300,2 lies outside the area a drag can reach (left 192 to 393, top 12 to 238) [out-of-reach]",
      "levels/Level3.lev:3:17: note: the file is not as a save writes it: a save writes this line as 'plataforma,300,2,75,10,1,2' [not-as-saved]",
      "1 round checked: 0 errors, 2 warnings"}},
    {"MarkInLine",
     kHero + "bomba,200,4\x1a" "0,14,18,1,500\r\n",
     {"levels/Level3.lev:2:12: warning: a 0x1A byte ends the line for the editor, which reads 'bomba,200,4', so 'bomba' loads at 200,4 [mark-in-line]",
      "levels/Level3.lev:2:11: warning: 'bomba' at 200,4 lies outside the area a drag can reach (left 192 to 454, top 12 to 238) [out-of-reach]",
      "levels/Level3.lev:2:12: note: the file is not as a save writes it: a save writes this line as 'bomba,200,4,14,18,1,500' [not-as-saved]",
      "1 round checked: 0 errors, 2 warnings"}},
    {"UnreadFieldOfAnEnemy",
     kHero + "malo1,240,60,20,24,150,90,3\r\n" + kBomb,
     {"levels/Level3.lev:2:20: warning: field 6 of 'malo1' is '150', which the editor does not read: a save writes '100' in its place [unread-field]",
      "levels/Level3.lev:2:21: note: the file is not as a save writes it: a save writes this line as 'malo1,240,60,20,24,100,200,1' [not-as-saved]",
      "1 round checked: 0 errors, 1 warning"}},
    {"UnreadFieldThatASaveDrops",
     "start,320,120,7\r\n" + kBomb,
     {"levels/Level3.lev:1:15: warning: field 4 of 'start' is '7', which the editor does not read: a save drops it [unread-field]",
      "levels/Level3.lev:1:14: note: the file is not as a save writes it: a save writes this line as 'start,320,120' [not-as-saved]",
      "1 round checked: 0 errors, 1 warning"}},
    {"NotAsSavedFieldsASaveAdds",
     kHero + "bomba,200,40\r\n",
     {"levels/Level3.lev:2:13: note: the file is not as a save writes it: a save writes this line as 'bomba,200,40,14,18,1,500' [not-as-saved]",
      kClean}},
    {"NotAsSavedLeadingZero",
     kHero + "bomba,0200,40,14,18,1,500\r\n",
     {"levels/Level3.lev:2:7: note: the file is not as a save writes it: a save writes this line as 'bomba,200,40,14,18,1,500' [not-as-saved]",
      kClean}},
    {"NotAsSavedHexadecimal",
     kHero + "bomba,$C8,40,14,18,1,500\r\n",
     {"levels/Level3.lev:2:7: note: the file is not as a save writes it: a save writes this line as 'bomba,200,40,14,18,1,500' [not-as-saved]",
      kClean}},
    {"NotAsSavedConstantWrittenOtherwise",
     kHero + "bomba,200,40,14,18,1,0500\r\n",
     {"levels/Level3.lev:2:22: note: the file is not as a save writes it: a save writes this line as 'bomba,200,40,14,18,1,500' [not-as-saved]",
      kClean}},
    {"UnreadFieldPlatformWidth",
     kHero + kBomb + "plataforma,300,140,75,10,1,1\r\n",
     {"levels/Level3.lev:3:20: warning: field 4 of 'plataforma' is '75', which the editor does not read: a save writes '50' in its place [unread-field]",
      "levels/Level3.lev:3:20: note: the file is not as a save writes it: a save writes this line as 'plataforma,300,140,50,10,1,1' [not-as-saved]",
      "1 round checked: 0 errors, 1 warning"}},
    {"LevelFileIsADirectory",
     "",
     {"levels/Level3.lev: error: the level file is a directory: the editor shows the round empty, and a save fails (\"File access denied\") [not-a-file]",
      "1 round checked: 1 error, 0 warnings"},
     [](const CliTest& t) {
         std::filesystem::remove(t.Folder() / "levels/Level3.lev");
         std::filesystem::create_directory(t.Folder() / "levels/Level3.lev");
     }},
    {"LevelFileLargerThanMemory",
     "",
     {"levels/Level3.lev: error: the level file is not checked: it holds 1099511627776 bytes, more than the 256 MiB "
      "this tool reads [too-large]",
      "1 round checked: 1 error, 0 warnings"},
     [](const CliTest& t) { std::filesystem::resize_file(t.Folder() / "levels/Level3.lev", std::uintmax_t{1} << 40); }},
    {"LevelFileIsAPipe",
     "",
     {"levels/Level3.lev: error: the level file is a pipe: the editor shows the round empty, and a save writes "
      "the round into the pipe, or fails (\"I/O error 6\") while nothing reads it [not-a-file]",
      "1 round checked: 1 error, 0 warnings"},
     [](const CliTest& t) {
         std::filesystem::remove(t.Folder() / "levels/Level3.lev");
         ASSERT_EQ(mkfifo((t.Folder() / "levels/Level3.lev").c_str(), 0600), 0);
     }},
    {"BackgroundIsAPipe",
     kHero + kBomb,
     {"levels/Level3.png: warning: the round background cannot be read: Cannot open file \"levels/Level3.png\". "
      "Not a regular file [background-unreadable]",
      "1 round checked: 0 errors, 1 warning"},
     [](const CliTest& t) {
         std::filesystem::remove(t.Folder() / "levels/Level3.png");
         ASSERT_EQ(mkfifo((t.Folder() / "levels/Level3.png").c_str(), 0600), 0);
     }},
    {"BackgroundMissing",
     kHero + kBomb,
     {"levels/Level3.lev: warning: the round has no background: the editor asks for a 278x252 PNG, levels/Level3.png [background-missing]",
      "1 round checked: 0 errors, 1 warning"},
     [](const CliTest& t) { std::filesystem::remove(t.Folder() / "levels/Level3.png"); }},
    {"BackgroundDecompressionBomb",
     kHero + kBomb,
     {"levels/Level3.png: warning: the round background cannot be read: PNG data too short for a 5000x5000 image [background-unreadable]",
      "1 round checked: 0 errors, 1 warning"},
     [](const CliTest& t) { t.Write("levels/Level3.png", DecompressionBomb()); }},
    {"BackgroundTruncated",
     kHero + kBomb,
     {"levels/Level3.png: warning: the round background cannot be read: Unexpected end of PNG data [background-unreadable]",
      "1 round checked: 0 errors, 1 warning"},
     [](const CliTest& t) {
         std::ifstream sample(std::filesystem::path(BLASTRIX_SOURCE_DIR) / "levels/Level3.png", std::ios::binary);
         t.Write("levels/Level3.png", std::string(std::istreambuf_iterator<char>(sample), {}).substr(0, 30000));
     }},
    {"BackgroundSize",
     kHero + kBomb,
     {"levels/LEVEL3.PNG: warning: the round background is 300x200, not 278x252: the editor cuts off what lies beyond the game area, and the window's artwork shows where it does not reach [background-size]",
      "1 round checked: 0 errors, 1 warning"},
     [](const CliTest& t) {
         std::filesystem::remove(t.Folder() / "levels/Level3.png");
         t.WriteBackground("levels/LEVEL3.PNG", 300, 200);
     }},
    {"MissingLevelFileIsAnEmptyRound",
     "",
     {"levels/Level3.lev: note: the round has no level file: the editor shows it empty [no-level-file]", kClean},
     [](const CliTest& t) { std::filesystem::remove(t.Folder() / "levels/Level3.lev"); }},
    {"DanglingLinkInPlaceOfTheLevelFile",
     "",
     {"levels/Level3.lev: note: the level file is a link to Level9.lev, which does not exist: the editor shows the round empty [no-level-file]",
      kClean},
     [](const CliTest& t) {
         std::filesystem::remove(t.Folder() / "levels/Level3.lev");
         std::filesystem::create_symlink("Level9.lev", t.Folder() / "levels/Level3.lev");
     },
     true},
};

class FindingTest : public CliTest, public ::testing::WithParamInterface<FindingCase> {};

TEST_P(FindingTest, CheckPrintsExactlyTheseLines) {
    const FindingCase& c = GetParam();
    if (c.unixOnly && WindowsTool()) GTEST_SKIP() << kUnixToolOnly;
    WriteBackground("levels/Level3.png", 278, 252);
    Write("levels/Level3.lev", c.level);
    if (c.prepare != nullptr) c.prepare(*this);
    const ToolRun run = Tool({"check", "3"});
    EXPECT_EQ(run.Lines(), c.expected);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, c.expected.back().find(" 0 errors") != std::string::npos ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Codes, FindingTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FindingCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace cli_testing
