#include "common/startup_rules.h"

std::string SystemLibraryErrorText(const std::string& what, unsigned long error) {
    return "필요한 시스템 파일을 불러올 수 없어 설치를 시작할 수 없습니다.\n" + what + " (오류 " +
           std::to_string(error) + ")";
}
