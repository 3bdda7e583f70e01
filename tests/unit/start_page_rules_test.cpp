#include "checks/start_page_rules.h"

#include <gtest/gtest.h>

TEST(StartPageQuestion, AddressSentenceTwoLineBreaksBlanksAndQuestion) {
    EXPECT_EQ(StartPageQuestion("http://www.example.com"),
              "http://www.example.com을 기본 페이지로 등록하시면 게임을 쉽게 하실 수 있습니다.\n\n"
              "                             기본 페이지로 등록하시겠습니까?");
    EXPECT_EQ(StartPageQuestion(""),
              "을 기본 페이지로 등록하시면 게임을 쉽게 하실 수 있습니다.\n\n"
              "                             기본 페이지로 등록하시겠습니까?");
}

TEST(StartPageQuestion, FixedTextsTake119BytesAndLongAddressesStayWhole) {
    const std::string fixed = StartPageQuestion("");
    EXPECT_EQ(fixed.size(), 119u);
    for (std::size_t length : {180u, 181u, 298u}) {
        std::string url(length, 'u');
        std::string text = StartPageQuestion(url);
        EXPECT_EQ(text.size(), length + 119) << length;  // 181 and more would not fit 300 bytes with the NUL
        EXPECT_EQ(text.substr(0, length), url) << length;
        EXPECT_EQ(text.substr(length), fixed) << length;
    }
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
