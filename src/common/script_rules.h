// Rules shared by every reader of the setup script: buffer limits, the blank
// and flag conventions of numbered lines, %EXEPATH% expansion and the source
// folder. Portable: no Windows headers, no globals, no I/O.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Buffer sizes of the program, terminating NUL included.
constexpr std::size_t kPathSize = 260;   // a Windows path
constexpr std::size_t kValueSize = 300;  // a script value (read with 299)
constexpr std::size_t kLineCapacity = 299;  // bytes read into a kValueSize buffer, NUL included
// [Main] "Name" and "Version" as the program keeps them.
constexpr std::size_t kProductNameSize = 99;
constexpr std::size_t kProductVersionSize = 49;
// Size of the "Start Page" data: the address, its NUL and zero bytes.
constexpr std::size_t kStartPageDataSize = 300;

// Captions and fixed texts of the messages, the same for the program and the
// checker that predicts them.
constexpr const char kScriptErrorCaption[] = "설치 오류";  // a script line the program cannot use
constexpr const char kErrorCaption[] = "오류";
constexpr const char kNoticeCaption[] = "공지";
constexpr const char kLinkErrorCaption[] = "에러";  // a shortcut the shell could not write
constexpr const char kCancelCaption[] = "설치 취소";
constexpr const char kCompleteCaption[] = "설치 완료";
constexpr const char kCreateFolderCaption[] = "폴더 생성";
constexpr const char kCreateFolderQuestion[] = "폴더가 존재하지 않습니다.\n만드시겠습니까?";
constexpr const char kCreateKeyErrorText[] = "RegCreateKeyEx Error";

// What a step does with one line of the script: uses it, passes over it, or
// ends there (the line and every later one of the step are not used). A
// message, when the rule gives one, is shown first in every case.
enum class LineEffect { Use, Skip, EndStep };

// Only the space character counts as a blank in script lines.
const char* SkipBlanks(const char* p);

// A one-character flag or type field read as atoi reads it: '0'..'9' give
// 0..9, any other character gives 0.
int FlagValue(char c);

// Replaces every "%EXEPATH%" (exact case) in text by installDir. Returns false,
// leaving out untouched, when the result would not fit a buffer of outSize
// bytes (NUL included); the caller then refuses the line rather than using a
// text cut into another path.
bool ExpandExePathText(const std::string& text, const std::string& installDir,
                       std::string& out, std::size_t outSize = kValueSize);

// True when text begins with "%EXEPATH%" (exact case), the token that
// ExpandExePathText replaces.
bool StartsWithExePath(const std::string& text);

// The source folder: drive and directory of the module path, with the
// directory's trailing backslash ("D:\SETUP\SETUP.EXE" gives "D:\SETUP\").
std::string SourceFolderFromModulePath(const std::string& modulePath);

// The components of a path as strtok with the delimiter "\\" cuts them:
// empty components from leading, doubled or trailing backslashes are dropped.
std::vector<std::string> SplitPathComponents(const std::string& path);

// The decimal key of a numbered line: 1 -> "1", 10 -> "10".
std::string LineKey(int number);

// The number of a key written as LineKey writes it (decimal digits, no sign,
// no leading zero, 1 up to the int range); 0 for every other key, which no
// numbered line is ever read under.
int LineNumberOfKey(const std::string& key);

// The highest line number among a section's key names; 0 when none is one.
int LastLineNumber(const std::vector<std::string>& keys);

// How many lines of a list counted by "Count" are read, lines 1 up to the
// result: the count itself while it stays within the last numbered line the
// section holds; beyond it, the lines up to that last one and the first
// missing line after it. Every later line reads as missing, as that one does,
// and a missing line either passes without a word or ends its list, so
// reading on could change nothing but the time taken.
int LinesToRead(int count, int lastLine);

// folder + "\" + name, without doubling a backslash that ends folder (a drive
// root such as "D:\"). False, with out untouched, when folder is empty or the
// result would not fit a 260-byte buffer: a path is refused, never cut.
bool JoinPath(const std::string& folder, const std::string& name, std::string& out);

// The installer's caption: the product name and " 설치 프로그램".
std::string InstallerCaption(const std::string& productName);
