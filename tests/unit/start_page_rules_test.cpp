#include "checks/start_page_rules.h"

#include <gtest/gtest.h>

static const char kSentence[] = "을 기본 페이지로 등록하시면 게임을 쉽게 하실 수 있습니다.\n\n";
static const char kQuestion[] = "기본 페이지로 등록하시겠습니까?";

TEST(StartPageQuestion, AddressSentenceBlanksAndQuestion) {
    struct Case {
        std::string url;
    } cases[] = {{"http://www.example.com"}, {""}, {" "}, {"http://게임.kr/?a=1,2"}, {std::string(298, 'u')}};
    for (const Case& c : cases) {
        std::string expected = c.url + kSentence + std::string(29, ' ') + kQuestion;
        EXPECT_EQ(StartPageQuestion(c.url), expected) << c.url;
    }
}

TEST(StartPageQuestion, FixedTextsTake119BytesAndLongAddressesStayWhole) {
    EXPECT_EQ(StartPageQuestion("").size(), 119u);
    std::string text = StartPageQuestion(std::string(181, 'u'));
    EXPECT_EQ(text.size(), 300u);  // would not fit a 300-byte buffer with its NUL
    EXPECT_EQ(text.compare(0, 181, std::string(181, 'u')), 0);
    EXPECT_EQ(text.compare(181, std::string::npos, StartPageQuestion("")), 0);
    // The blanks run between the two line breaks and the question.
    std::string empty = StartPageQuestion("");
    EXPECT_EQ(empty.find("\n\n" + std::string(29, ' ') + "기"), empty.size() - 29 - 2 - sizeof kQuestion + 1);
}

TEST(StartPageValue, AlwaysThreeHundredBytesOfAddressAndZeros) {
    struct Case {
        std::string url;
        std::string kept;
    } cases[] = {
        {"http://www.example.com", "http://www.example.com"},
        {"", ""},
        {std::string(299, 'u'), std::string(299, 'u')},
        {std::string(400, 'u'), std::string(299, 'u')},
        {std::string(298, 'u') + "가", std::string(298, 'u')},
    };
    for (const Case& c : cases) {
        std::string data = StartPageValueData(c.url);
        ASSERT_EQ(data.size(), kStartPageDataSize);
        EXPECT_EQ(data.substr(0, c.kept.size()), c.kept);
        EXPECT_EQ(data.find_first_not_of('\0', c.kept.size()), std::string::npos) << "stale bytes after the NUL";
    }
}
