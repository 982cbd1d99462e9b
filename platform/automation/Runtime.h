#pragma once
// Helpers with the semantics of the original run-time in an English locale.
// Texts are Windows-1252 bytes; positions are 1-based and 0 means not found.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Platform::Automation {

enum class CompareMethod { Binary = 0, Text = 1 };

// CLng / CInt / CByte of a number: rounds half to even; error 6 when out of range.
int32_t toLong(double value);
int16_t toInteger(double value);
uint8_t toByte(double value);

// The whole text read as a number, as CDbl and IsNumeric accept it: blanks
// around it, a sign, "," as thousands separator, "." as decimal point, an
// exponent, "&H" and "&O" forms. Nothing when it is not a number.
std::optional<double> parseNumber(std::string_view text);
bool isNumeric(std::string_view text);
// CDbl of a text: error 13 when it is not a number.
double textToDouble(std::string_view text);

// Val: the number at the start of the text ("." as decimal point; blanks,
// tabs and line feeds skipped); 0 when there is none.
double val(std::string_view text);

// CStr of a number: at most 15 significant digits, exponent form "1E+20".
std::string numberToText(double value);
// CStr of a Single: at most 7 significant digits.
std::string singleToText(float value);

// The Like operator (binary comparison): *, ?, #, [list], [!list], ranges.
bool like(std::string_view text, std::string_view pattern);

// Format of a number with a pattern of "#", "0" and one ".", such as "#.#0".
std::string format(double value, std::string_view pattern);

int32_t inStr(int32_t start, std::string_view text, std::string_view find,
              CompareMethod compare = CompareMethod::Binary);
inline int32_t inStr(std::string_view text, std::string_view find) {
    return inStr(1, text, find);
}
int32_t inStrRev(std::string_view text, std::string_view find, int32_t start = -1,
                 CompareMethod compare = CompareMethod::Binary);
// Mid with a length below 0 meaning "to the end"; start must be 1 or more (error 5).
std::string mid(std::string_view text, int32_t start, int32_t length = -1);
std::string left(std::string_view text, int32_t length);
std::string right(std::string_view text, int32_t length);
std::string trim(std::string_view text);
// Split at every separator: n separators give n + 1 parts, empty ones included.
std::vector<std::string_view> split(std::string_view text, char separator);

// Letter case of Windows-1252 text.
inline char lowerCaseChar(char c) {
    auto b = static_cast<uint8_t>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7))
        return static_cast<char>(b + 0x20);
    switch (b) {
    case 0x8A:
        return '\x9A';
    case 0x8C:
        return '\x9C';
    case 0x8E:
        return '\x9E';
    case 0x9F:
        return '\xFF';
    default:
        return c;
    }
}
std::string upperCase(std::string_view text);
std::string lowerCase(std::string_view text);
// StrComp: -1, 0 or 1.
int compareText(std::string_view a, std::string_view b, CompareMethod compare = CompareMethod::Text);
inline bool equalsText(std::string_view a, std::string_view b) {
    return compareText(a, b) == 0;
}

// DateSerial: the date (days since 30 December 1899) of year, month and day,
// months above 12 or below 1 rolling into the following or previous years and
// days beyond a month into the following or previous months. Years 0 to 29
// are 2000 to 2029, 30 to 99 are 1930 to 1999. Error 5 when the date falls
// outside the run-time's range, 1 January 100 to 31 December 9999.
double dateSerial(int16_t year, int16_t month, int16_t day);

struct CalendarDate {
    int32_t year;
    int32_t month;
    int32_t day;
};
// The calendar day of a date, its time of day left out.
CalendarDate calendarDate(double date);
// The English short date form of a date's day ("12/30/1899"), its time left
// out; error 6 outside 1 January 100 to 31 December 9999.
std::string shortDate(double date);

std::string cp1252ToUtf8(std::string_view text);
// Characters that Windows-1252 cannot hold become "?".
std::string utf8ToCp1252(std::string_view text);

} // namespace Platform::Automation
