#include "install/manifest_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "test_names.h"

namespace {

std::string U32(std::uint32_t v) {
    return EncodeUint32(v);
}

// An entry as the format stores it: length (zero included), name, zero.
std::string Entry(const std::string& name) {
    return U32(static_cast<std::uint32_t>(name.size() + 1)) + name + std::string(1, '\0');
}

// A reader over bytes that remembers how far it was read.
struct Source {
    std::string data;
    std::size_t position = 0;
    ReadBytes Reader() {
        return [this](unsigned char* buffer, std::size_t size) {
            std::size_t n = std::min(size, data.size() - position);
            std::memcpy(buffer, data.data() + position, n);
            position += n;
            return n;
        };
    }
};

}  // namespace

using Names_ = std::vector<std::string>;

struct GoodCase {
    const char* what;
    std::string bytes;
    std::uint32_t total;
    Names_ names;
};

static void PrintTo(const GoodCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.bytes);
}

class WellFormedManifest : public ::testing::TestWithParam<GoodCase> {};

TEST_P(WellFormedManifest, ReadsEveryEntryInOrder) {
    const GoodCase& c = GetParam();
    Source source{c.bytes};
    std::vector<std::string> list;
    ManifestResult result = DecodeManifest(source.Reader(), list);
    ASSERT_EQ(result.error, ManifestError::None) << c.what;
    EXPECT_EQ(result.totalSize, c.total) << c.what;
    EXPECT_EQ(list, c.names) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WellFormedManifest,
    ::testing::Values(
        GoodCase{"empty", U32(0) + U32(0), 0, {}},
        GoodCase{"negative count", U32(5) + U32(0xFFFFFFFFu) + Entry("a.txt"), 5, {}},
        GoodCase{"most negative count", U32(5) + U32(0x80000000u), 5, {}},
        GoodCase{"one name", U32(4096) + U32(1) + U32(6) + std::string("a.txt\0", 6), 4096, {"a.txt"}},
        GoodCase{"padding after the zero",
                 U32(1) + U32(2) + U32(8) + std::string("a.txt\0xy", 8) + Entry("b.txt"), 1, {"a.txt", "b.txt"}},
        GoodCase{"trailing bytes", U32(1) + U32(1) + Entry("a.txt") + "garbage", 1, {"a.txt"}},
        GoodCase{"twice the same name", U32(1) + U32(2) + Entry("a.txt") + Entry("a.txt"), 1, {"a.txt", "a.txt"}},
        GoodCase{"sub-folders and dotless names", U32(0xFFFFFFFFu) + U32(2) + Entry("data\\maps\\a.map") +
                 Entry("data\\README"), 0xFFFFFFFFu, {"data\\maps\\a.map", "data\\README"}},
        GoodCase{"Korean name", U32(1) + U32(1) + Entry("데이터\\지도.map"), 1, {"데이터\\지도.map"}},
        GoodCase{"name of 259 bytes", U32(1) + U32(1) + Entry(std::string(255, 'n') + ".dat"), 1,
                 {std::string(255, 'n') + ".dat"}}),
    NameFromWhat());

// What the encoder writes, the decoder reads back whole; a list it reads, the
// encoder writes again as the same bytes when each length field held just
// its name and zero.
TEST(ManifestEncoding, RoundTrip) {
    const std::vector<std::pair<std::uint32_t, Names_>> rows = {
        {0, {}},
        {4096, {"a.txt"}},
        {0xFFFFFFFFu, {"data\\maps\\a.map", "Makefile", "데이터\\지도.map"}},
        {1, {std::string(255, 'n') + ".dat", "a.txt", "a.txt"}},
    };
    for (const auto& row : rows) {
        std::string bytes = EncodeManifest(row.first, row.second);
        Source source{bytes};
        std::vector<std::string> list;
        ManifestResult result = DecodeManifest(source.Reader(), list);
        ASSERT_EQ(result.error, ManifestError::None);
        EXPECT_EQ(result.totalSize, row.first);
        EXPECT_EQ(list, row.second);
        EXPECT_EQ(source.position, bytes.size());
        EXPECT_EQ(EncodeManifest(result.totalSize, list), bytes);
    }
    EXPECT_EQ(EncodeUint32(0x04030201u), std::string("\x01\x02\x03\x04"));
}

TEST(ManifestReading, BytesAfterTheLastEntryAreNotRead) {
    std::string manifest = U32(1) + U32(1) + Entry("a.txt");
    Source source{manifest + "more bytes"};
    std::vector<std::string> list;
    ManifestResult result = DecodeManifest(source.Reader(), list);
    ASSERT_EQ(result.error, ManifestError::None);
    EXPECT_EQ(source.position, manifest.size());
    EXPECT_EQ(result.entryOffset, manifest.size());
}

struct BadCase {
    const char* what;
    std::string bytes;
    ManifestError error;
    std::uint32_t entryNumber;
    std::uint64_t entryOffset;
};

static void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.bytes);
}

class DefectiveManifest : public ::testing::TestWithParam<BadCase> {};

TEST_P(DefectiveManifest, IsRefusedAsAWhole) {
    const BadCase& c = GetParam();
    Source source{c.bytes};
    std::vector<std::string> list;
    ManifestResult result = DecodeManifest(source.Reader(), list);
    EXPECT_EQ(result.error, c.error) << c.what;
    EXPECT_EQ(result.entryNumber, c.entryNumber) << c.what;
    EXPECT_EQ(result.entryOffset, c.entryOffset) << c.what;
    EXPECT_TRUE(list.empty()) << c.what;
}

const std::string kGood = Entry("ok.txt");  // 11 bytes

INSTANTIATE_TEST_SUITE_P(
    Cases, DefectiveManifest,
    ::testing::Values(
        BadCase{"no bytes", "", ManifestError::ShortHeader, 0, 0},
        BadCase{"total only", U32(7), ManifestError::ShortHeader, 0, 0},
        BadCase{"half a count", U32(7) + "\x01\x00", ManifestError::ShortHeader, 0, 0},
        BadCase{"count without entries", U32(0) + U32(2), ManifestError::ShortEntry, 1, 8},
        BadCase{"huge count, one entry", U32(0) + U32(0x7FFFFFFF) + kGood, ManifestError::ShortEntry, 2, 19},
        BadCase{"half a length", U32(0) + U32(1) + "\x06\x00", ManifestError::ShortEntry, 1, 8},
        BadCase{"name cut short", U32(0) + U32(2) + kGood + U32(6) + "a.t", ManifestError::ShortEntry, 2, 19},
        BadCase{"length 0", U32(0) + U32(2) + kGood + U32(0) + kGood, ManifestError::ZeroNameLength, 2, 19},
        BadCase{"length 261", U32(0) + U32(1) + U32(261) + std::string(260, 'a') + '\0',
                ManifestError::NameLengthTooLarge, 1, 8},
        BadCase{"length 4 GiB", U32(0) + U32(1) + U32(0xFFFFFFFFu) + "a.txt", ManifestError::NameLengthTooLarge, 1, 8},
        BadCase{"no zero byte", U32(0) + U32(1) + U32(5) + "a.txt" + Entry("b.txt"), ManifestError::NameNotTerminated,
                1, 8},
        BadCase{"260 bytes, no zero", U32(0) + U32(1) + U32(260) + std::string(260, 'a'),
                ManifestError::NameNotTerminated, 1, 8},
        BadCase{"empty name", U32(0) + U32(1) + U32(1) + std::string(1, '\0'), ManifestError::BadName, 1, 8},
        BadCase{"parent folder", U32(0) + U32(2) + kGood + Entry("..\\evil.dll"), ManifestError::BadName, 2, 19},
        BadCase{"parent inside", U32(0) + U32(1) + Entry("data\\..\\..\\evil.dll"), ManifestError::BadName, 1, 8},
        BadCase{"drive", U32(0) + U32(1) + Entry("C:\\Windows\\evil.dll"), ManifestError::BadName, 1, 8},
        BadCase{"drive-relative", U32(0) + U32(1) + Entry("C:evil.dll"), ManifestError::BadName, 1, 8},
        BadCase{"leading backslash", U32(0) + U32(1) + Entry("\\Windows\\evil.dll"), ManifestError::BadName, 1, 8},
        BadCase{"UNC", U32(0) + U32(1) + Entry("\\\\server\\share\\evil.dll"), ManifestError::BadName, 1, 8},
        BadCase{"stream", U32(0) + U32(1) + Entry("a.txt:stream"), ManifestError::BadName, 1, 8},
        BadCase{"forward slash", U32(0) + U32(1) + Entry("../evil.dll"), ManifestError::BadName, 1, 8},
        BadCase{"device", U32(0) + U32(1) + Entry("data\\nul.txt"), ManifestError::BadName, 1, 8},
        BadCase{"the copy's temporary name", U32(0) + U32(2) + kGood + Entry("data\\~QSetup.Part"),
                ManifestError::BadName, 2, 19},
        BadCase{"a folder of the temporary name", U32(0) + U32(1) + Entry("~qsetup.part\\a.dat"),
                ManifestError::BadName, 1, 8}),
    NameFromWhat());

struct NameCase {
    const char* what;
    const char* name;
    NameProblem problem;
};

static void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.name);
}

class RelativeNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(RelativeNameTest, FindsWhatWouldLeaveTheFolder) {
    EXPECT_EQ(CheckRelativeName(GetParam().name), GetParam().problem) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RelativeNameTest,
    ::testing::Values(NameCase{"plain name", "a.txt", NameProblem::None},
                      NameCase{"sub folders", "data\\maps\\a.map", NameProblem::None},
                      NameCase{"name without a dot", "data\\README", NameProblem::None},
                      NameCase{"dots inside names", "v1.2\\a..b.txt", NameProblem::None},
                      NameCase{"leading dot", ".hidden", NameProblem::None},
                      NameCase{"console is no device", "console.txt", NameProblem::None},
                      NameCase{"COM0 is no device", "COM0.txt", NameProblem::None},
                      NameCase{"LPT10 is no device", "LPT10", NameProblem::None},
                      NameCase{"empty", "", NameProblem::Empty},
                      NameCase{"parent folder", "..", NameProblem::LeavesFolder},
                      NameCase{"this folder", ".", NameProblem::LeavesFolder},
                      NameCase{"three dots", "a\\...\\b", NameProblem::LeavesFolder},
                      NameCase{"dots between blanks", "a\\ .. \\b", NameProblem::LeavesFolder},
                      NameCase{"parent at the end", "a\\..", NameProblem::LeavesFolder},
                      NameCase{"leading backslash", "\\a.txt", NameProblem::Absolute},
                      NameCase{"long path prefix", "\\\\?\\C:\\a", NameProblem::Absolute},
                      NameCase{"drive relative", "D:a.txt", NameProblem::Absolute},
                      NameCase{"colon inside", "a\\b:c", NameProblem::Absolute},
                      NameCase{"double backslash", "a\\\\b.txt", NameProblem::EmptyComponent},
                      NameCase{"trailing backslash", "data\\", NameProblem::EmptyComponent},
                      NameCase{"forward slash", "a/b.txt", NameProblem::BadCharacter},
                      NameCase{"tab", "a\tb.txt", NameProblem::BadCharacter},
                      NameCase{"question mark", "a?.txt", NameProblem::BadCharacter},
                      NameCase{"asterisk", "a*.txt", NameProblem::BadCharacter},
                      NameCase{"pipe", "a|b", NameProblem::BadCharacter},
                      NameCase{"quotes", "\"a\"", NameProblem::BadCharacter},
                      NameCase{"angle brackets", "<a>", NameProblem::BadCharacter},
                      NameCase{"CON", "CON", NameProblem::DeviceName},
                      NameCase{"aux with extension in a sub folder", "data\\aux.dat", NameProblem::DeviceName},
                      NameCase{"Nul with blank and extension", "Nul .txt", NameProblem::DeviceName},
                      NameCase{"lower case com1", "com1", NameProblem::DeviceName},
                      NameCase{"LPT9 with extension", "LPT9.log", NameProblem::DeviceName},
                      NameCase{"conout dollar", "conout$", NameProblem::DeviceName},
                      NameCase{"prn as a folder", "prn\\a.txt", NameProblem::DeviceName}),
    NameFromWhat());

TEST(RelativeNameLimit, NameOf260BytesIsTooLong) {
    EXPECT_EQ(CheckRelativeName(std::string(259, 'a')), NameProblem::None);
    EXPECT_EQ(CheckRelativeName(std::string(260, 'a')), NameProblem::TooLong);
}

TEST(ManifestReading, ManyEntriesAreAllKeptInOrder) {
    std::string bytes = U32(0) + U32(100000);
    for (int i = 0; i < 100000; ++i) bytes += Entry("f" + std::to_string(i) + ".dat");
    Source source{bytes};
    std::vector<std::string> list;
    ManifestResult result = DecodeManifest(source.Reader(), list);
    ASSERT_EQ(result.error, ManifestError::None);
    EXPECT_EQ(result.entriesRead, 100000u);
    ASSERT_EQ(list.size(), 100000u);
    EXPECT_EQ(list.front(), "f0.dat");
    EXPECT_EQ(list.back(), "f99999.dat");
}

TEST(TotalSize, FirstFourBytesOnly) {
    Source source{U32(12345678) + "rest"};
    std::uint32_t total = 0;
    ASSERT_TRUE(DecodeTotalSize(source.Reader(), total));
    EXPECT_EQ(total, 12345678u);
    EXPECT_EQ(source.position, 4u);
    Source shortSource{"\x01\x02\x03"};
    EXPECT_FALSE(DecodeTotalSize(shortSource.Reader(), total));
}

TEST(ManifestMessages, TellWhereTheDefectLies) {
    ManifestResult missing;
    missing.error = ManifestError::CannotOpen;
    EXPECT_EQ(ManifestErrorText(missing), "설치 파일 목록(Quorin.qpk)을 열 수 없습니다.\n설치를 중단합니다.");

    Source source{U32(0) + U32(3) + Entry("ok.txt") + Entry("..\\evil.dll")};
    std::vector<std::string> list;
    ManifestResult bad = DecodeManifest(source.Reader(), list);
    EXPECT_EQ(ManifestErrorText(bad),
              "설치 파일 목록(Quorin.qpk)이 잘못되었습니다.\n2번째 항목(오프셋 19)의 이름 ..\\evil.dll\n"
              "상위 폴더('..')를 가리키는 이름입니다.\n설치를 중단합니다.");

    Source truncated{U32(0) + U32(3) + Entry("ok.txt")};
    ManifestResult cut = DecodeManifest(truncated.Reader(), list);
    EXPECT_EQ(ManifestErrorText(cut),
              "설치 파일 목록(Quorin.qpk)이 잘못되었습니다.\n항목 수는 3개인데 2번째 항목(오프셋 19)에서 파일 목록이 "
              "끝납니다.\n설치를 중단합니다.");
    EXPECT_EQ(ManifestErrorText(ManifestResult{}), "");
}
