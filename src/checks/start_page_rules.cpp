#include "checks/start_page_rules.h"

#include "common/text_rules.h"

std::string StartPageQuestion(const std::string& url) {
    return url + "을 기본 페이지로 등록하시면 게임을 쉽게 하실 수 있습니다.\n\n" + std::string(29, ' ') +
           "기본 페이지로 등록하시겠습니까?";
}

std::string StartPageValueData(const std::string& url) {
    std::string data = CutText(url, kStartPageDataSize - 1);
    data.resize(kStartPageDataSize, '\0');
    return data;
}
