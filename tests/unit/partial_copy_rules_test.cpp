#include "install/partial_copy_rules.h"

#include <gtest/gtest.h>

#include "test_names.h"

struct PartialPathCase {
    const char* what;
    std::string destination;
    std::string expected;  // "" : the copy goes straight to the destination
};

static void PrintTo(const PartialPathCase& c, std::ostream* os) {
    *os << c.what << ": " << Quoted(c.destination);
}

class PartialCopyPathTest : public ::testing::TestWithParam<PartialPathCase> {};

TEST_P(PartialCopyPathTest, BesideTheDestinationUnderTheFixedName) {
    const PartialPathCase& c = GetParam();
    EXPECT_EQ(PartialCopyPath(c.destination), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PartialCopyPathTest,
    ::testing::Values(
        PartialPathCase{"file at the top", "C:\\Games\\X\\a.dat", "C:\\Games\\X\\~qsetup.part"},
        PartialPathCase{"file in a sub-folder", "C:\\G\\data\\maps\\a.map", "C:\\G\\data\\maps\\~qsetup.part"},
        PartialPathCase{"drive root", "D:\\a.dat", "D:\\~qsetup.part"},
        // A package file that is itself named so cannot be copied beside itself.
        PartialPathCase{"destination of that name", "C:\\G\\~qsetup.part", ""},
        PartialPathCase{"destination of that name in capitals", "C:\\G\\~QSETUP.PART", ""},
        PartialPathCase{"no folder", "a.dat", ""},
        // 247 + "\" = 248 bytes of folder; with the 12-byte name 260: no room for the NUL.
        PartialPathCase{"too long by one", "C:\\" + std::string(244, 'f') + "\\a.dat", ""},
        PartialPathCase{"longest that fits", "C:\\" + std::string(243, 'f') + "\\a.dat",
                        "C:\\" + std::string(243, 'f') + "\\~qsetup.part"}),
    NameFromWhat());

TEST(PartialCopyName, KilledRunsLeftoversAreRecognisedWhateverTheCase) {
    EXPECT_TRUE(IsPartialCopyName("~qsetup.part"));
    EXPECT_TRUE(IsPartialCopyName("~QSetup.Part"));
    EXPECT_FALSE(IsPartialCopyName("qsetup.part"));
    EXPECT_FALSE(IsPartialCopyName("~qsetup.part.dat"));
    EXPECT_FALSE(IsPartialCopyName(""));
}

TEST(PartialCopyName, APackageNameWithAPartOfThatNameIsTold) {
    struct Row {
        const char* name;
        bool holds;
    };
    const Row rows[] = {
        {"~qsetup.part", true},               // at the top
        {"data\\~QSETUP.PART", true},         // in a sub-folder, in capitals
        {"~qsetup.part\\a.dat", true},         // a folder of that name
        {"data\\~QSetup.Part\\maps\\a.map", true},
        {"data\\a.dat", false},
        {"data\\~qsetup.part.dat", false},    // only the whole part counts
        {"~qsetup.partial\\a.dat", false},
        {"x~qsetup.part", false},
        {"", false},
    };
    for (const Row& row : rows) EXPECT_EQ(NameHoldsPartialCopyName(row.name), row.holds) << row.name;
}

TEST(CopiedAttributes, TheReadOnlyBitGoesAndEveryOtherStays) {
    struct Row {
        unsigned long attributes;
        unsigned long kept;
        bool readOnly;
        unsigned long created;  // what the copy in progress is created with
    };
    const Row rows[] = {
        {0x01, 0x00, true, 0x80},                // read-only only (a file from a CD)
        {0x21, 0x20, true, 0x20},                // read-only and archive
        {0x23, 0x22, true, 0x22},                // hidden stays
        {0x20, 0x20, false, 0x20},               // already writable
        {0x80, 0x80, false, 0x80},               // normal
        {0x2006, 0x2006, false, 0x2006},         // hidden, system, not indexed
        {0x421, 0x420, true, 0x20},              // a link on the medium: the copy is a plain file
        {0x10, 0x10, false, 0x80},               // a folder's word asks for nothing
        {0xFFFFFFFF, 0xFFFFFFFF, false, 0x80},   // no such file: nothing to change
    };
    for (const Row& row : rows) {
        EXPECT_EQ(WritableAttributes(row.attributes), row.kept) << std::hex << row.attributes;
        EXPECT_EQ(HasReadOnlyAttribute(row.attributes), row.readOnly) << std::hex << row.attributes;
        EXPECT_EQ(CreatedCopyAttributes(row.attributes), row.created) << std::hex << row.attributes;
    }
}
