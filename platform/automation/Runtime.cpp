#include "automation/Runtime.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "automation/Error.h"

namespace Platform::Automation {

namespace {

[[noreturn]] void raiseRuntime(int32_t number) {
    raise(number, {});
}

// The run-time rounded to the nearest whole number, halves to even, before it
// checked the range; the default floating-point rounding mode does the same.
double roundInRange(double value, double low, double high) {
    double rounded = std::nearbyint(value);
    if (!(rounded >= low && rounded <= high))
        raiseRuntime(RuntimeError::Overflow);
    return rounded;
}

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int digitValue(char c) {
    if (isDigit(c))
        return c - '0';
    char lower = static_cast<char>(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

enum class Parse { Ok, NotNumber, Overflow };

// "&H" and "&O" numbers. Values that fit in 16 bits are read as an Integer and
// those that fit in 32 bits as a Long, so "&HFFFF" is -1 and "&H10000" 65536.
Parse readRadix(std::string_view s, size_t& pos, double& value) {
    if (pos + 1 >= s.size() || s[pos] != '&')
        return Parse::NotNumber;
    char kind = static_cast<char>(s[pos + 1] | 0x20);
    int base = kind == 'h' ? 16 : kind == 'o' ? 8 : 0;
    if (base == 0)
        return Parse::NotNumber;
    size_t p = pos + 2;
    uint64_t n = 0;
    bool any = false, tooBig = false;
    for (; p < s.size(); ++p) {
        int d = digitValue(s[p]);
        if (d < 0 || d >= base)
            break;
        any = true;
        if (!tooBig) {
            n = n * base + d;
            tooBig = n > 0xFFFFFFFFu;
        }
    }
    if (!any)
        return Parse::NotNumber;
    pos = p;
    if (tooBig)
        return Parse::Overflow;
    value = n <= 0xFFFF ? static_cast<double>(static_cast<int16_t>(n))
                        : static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(n)));
    return Parse::Ok;
}

// A decimal number from pos on: sign, digits ("," skipped after the first
// digit when thousands is set), "." and digits, and an exponent of "E" or "D"
// (the run-time took both) that counts only when digits follow it.
Parse readDecimal(std::string_view s, size_t& pos, bool thousands, double& value) {
    size_t p = pos;
    bool negative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-'))
        negative = s[p++] == '-';
    std::string text = "0";
    bool any = false, significant = false;
    long magnitude = 0; // decimal position of the first significant digit
    for (; p < s.size(); ++p) {
        if (isDigit(s[p])) {
            text += s[p];
            any = true;
            significant = significant || s[p] != '0';
            magnitude += significant ? 1 : 0;
        } else if (!(s[p] == ',' && thousands && any)) {
            break;
        }
    }
    if (p < s.size() && s[p] == '.') {
        text += '.';
        for (++p; p < s.size() && isDigit(s[p]); ++p) {
            text += s[p];
            any = true;
            if (!significant && s[p] == '0')
                --magnitude;
            significant = significant || s[p] != '0';
        }
    }
    if (!any)
        return Parse::NotNumber;
    long exponent = 0;
    if (p < s.size() && ((s[p] | 0x20) == 'e' || (s[p] | 0x20) == 'd')) {
        size_t q = p + 1;
        bool negativeExponent = false;
        if (q < s.size() && (s[q] == '+' || s[q] == '-'))
            negativeExponent = s[q++] == '-';
        if (q < s.size() && isDigit(s[q])) {
            text += negativeExponent ? "e-" : "e";
            for (; q < s.size() && isDigit(s[q]); ++q) {
                text += s[q];
                exponent = std::min(exponent * 10 + (s[q] - '0'), 100000L);
            }
            exponent = negativeExponent ? -exponent : exponent;
            p = q;
        }
    }
    pos = p;
    // from_chars ignores the locale, which the application object sets from the environment.
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (magnitude + exponent > 0)
            return Parse::Overflow;
        value = 0; // too small to hold: the run-time read it as zero
    }
    if (negative && value != 0)
        value = -value;
    return Parse::Ok;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

Parse readWholeText(std::string_view text, double& value) {
    std::string_view s = trimBlanks(text);
    size_t pos = 0;
    Parse status = !s.empty() && s[0] == '&' ? readRadix(s, pos, value) : readDecimal(s, pos, true, value);
    if (status != Parse::NotNumber && pos != s.size())
        return Parse::NotNumber;
    return status;
}

std::string generalText(double value, int digits) {
    if (std::isinf(value))
        return value > 0 ? "1.#INF" : "-1.#INF";
    if (std::isnan(value))
        return "-1.#IND";
    if (value == 0)
        return "0"; // also for -0
    char buffer[40];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    std::string text(buffer, result.ptr);
    std::replace(text.begin(), text.end(), 'e', 'E');
    return text;
}

// Windows-1252 characters 0x80 to 0x9F as Unicode; the five undefined ones
// stand for the control characters of the same number.
constexpr std::array<uint16_t, 32> kHighCodes = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint16_t unicodeOf(char c) {
    auto b = static_cast<uint8_t>(c);
    return b >= 0x80 && b < 0xA0 ? kHighCodes[b - 0x80] : b;
}

char cp1252Of(uint32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<char>(code);
    auto it = std::find(kHighCodes.begin(), kHighCodes.end(), code);
    return it == kHighCodes.end() ? '?' : static_cast<char>(0x80 + (it - kHighCodes.begin()));
}

char upperOf(char c) {
    auto b = static_cast<uint8_t>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7))
        return static_cast<char>(b - 0x20);
    switch (b) {
    case 0x9A:
        return '\x8A';
    case 0x9C:
        return '\x8C';
    case 0x9E:
        return '\x8E';
    case 0xFF:
        return '\x9F';
    default:
        return c;
    }
}

std::string folded(std::string_view text, CompareMethod compare) {
    return compare == CompareMethod::Text ? lowerCase(text) : std::string(text);
}

// One element of a Like pattern; a run of "*" is one Star.
struct PatternToken {
    enum Kind { Star, AnyChar, Digit, Literal, List };
    explicit PatternToken(Kind k, char c = 0) : kind(k), literal(c) {}

    Kind kind;
    char literal;
    bool negated = false;
    std::vector<std::pair<uint16_t, uint16_t>> ranges; // compared as Unicode, as the run-time did

    bool matches(char c) const {
        switch (kind) {
        case AnyChar:
            return true;
        case Digit:
            return isDigit(c);
        case Literal:
            return c == literal;
        case List: {
            uint16_t code = unicodeOf(c);
            bool inList = std::any_of(ranges.begin(), ranges.end(),
                                      [code](auto& r) { return code >= r.first && code <= r.second; });
            return inList != negated;
        }
        case Star:
            break;
        }
        return false;
    }
};

[[noreturn]] void raiseInvalidPattern() {
    raiseRuntime(RuntimeError::InvalidPattern);
}

// The whole pattern is checked before matching, so a malformed pattern fails
// whatever the text is.
std::vector<PatternToken> compilePattern(std::string_view pattern) {
    std::vector<PatternToken> tokens;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '*') {
            if (tokens.empty() || tokens.back().kind != PatternToken::Star)
                tokens.emplace_back(PatternToken::Star);
        } else if (c == '?') {
            tokens.emplace_back(PatternToken::AnyChar);
        } else if (c == '#') {
            tokens.emplace_back(PatternToken::Digit);
        } else if (c != '[') {
            tokens.emplace_back(PatternToken::Literal, c);
        } else {
            PatternToken list(PatternToken::List);
            size_t j = i + 1;
            if (j < pattern.size() && pattern[j] == '!') {
                list.negated = true;
                ++j;
            }
            for (; j < pattern.size() && pattern[j] != ']'; ++j) {
                uint16_t first = unicodeOf(pattern[j]), last = first;
                // "-" first or last in the list is itself.
                if (j + 2 < pattern.size() && pattern[j + 1] == '-' && pattern[j + 2] != ']') {
                    last = unicodeOf(pattern[j + 2]);
                    if (last < first)
                        raiseInvalidPattern();
                    j += 2;
                }
                list.ranges.emplace_back(first, last);
            }
            if (j >= pattern.size())
                raiseInvalidPattern();
            // "[]" matches nothing at all, so it adds no token; "[!]" is any one character.
            if (!list.ranges.empty() || list.negated)
                tokens.push_back(std::move(list));
            i = j;
        }
    }
    return tokens;
}

} // namespace

int32_t toLong(double value) {
    return static_cast<int32_t>(roundInRange(value, -2147483648.0, 2147483647.0));
}
int16_t toInteger(double value) {
    return static_cast<int16_t>(roundInRange(value, -32768.0, 32767.0));
}
uint8_t toByte(double value) {
    return static_cast<uint8_t>(roundInRange(value, 0.0, 255.0));
}

std::optional<double> parseNumber(std::string_view text) {
    double value = 0;
    if (readWholeText(text, value) != Parse::Ok)
        return std::nullopt;
    return value;
}

bool isNumeric(std::string_view text) {
    return parseNumber(text).has_value();
}

double textToDouble(std::string_view text) {
    double value = 0;
    switch (readWholeText(text, value)) {
    case Parse::Ok:
        return value;
    case Parse::Overflow:
        raiseRuntime(RuntimeError::Overflow);
    case Parse::NotNumber:
        break;
    }
    raiseRuntime(RuntimeError::TypeMismatch);
}

double val(std::string_view text) {
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n')
            s += c;
    size_t pos = 0;
    double value = 0;
    Parse status = !s.empty() && s[0] == '&' ? readRadix(s, pos, value) : readDecimal(s, pos, false, value);
    if (status == Parse::Overflow)
        raiseRuntime(RuntimeError::Overflow);
    return status == Parse::Ok ? value : 0.0;
}

std::string numberToText(double value) {
    return generalText(value, 15);
}
std::string singleToText(float value) {
    return generalText(value, 7);
}

bool like(std::string_view text, std::string_view pattern) {
    std::vector<PatternToken> tokens = compilePattern(pattern);
    // Every token but "*" takes one character, so going back to the last
    // "*" and letting it take one more character is enough.
    size_t t = 0, p = 0, starToken = tokens.size(), starText = 0;
    while (t < text.size()) {
        if (p < tokens.size() && tokens[p].kind == PatternToken::Star) {
            starToken = p++;
            starText = t;
        } else if (p < tokens.size() && tokens[p].matches(text[t])) {
            ++p;
            ++t;
        } else if (starToken < tokens.size()) {
            p = starToken + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < tokens.size() && tokens[p].kind == PatternToken::Star)
        ++p;
    return p == tokens.size();
}

std::string format(double value, std::string_view pattern) {
    size_t point = pattern.find('.');
    std::string_view whole = pattern.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : pattern.substr(point + 1);
    auto isPlaceholder = [](char c) { return c == '#' || c == '0'; };
    if (pattern.empty() || !std::all_of(whole.begin(), whole.end(), isPlaceholder) ||
        !std::all_of(fraction.begin(), fraction.end(), isPlaceholder))
        raise(RuntimeError::InvalidProcedureCall, {},
              "Unsupported number format \"" + std::string(pattern) + "\"");
    if (!std::isfinite(value))
        raiseRuntime(RuntimeError::Overflow);

    const int decimals = static_cast<int>(fraction.size());
    const size_t lastZero = fraction.find_last_of('0');
    const size_t shownDecimals = lastZero == std::string_view::npos ? 0 : lastZero + 1;
    const size_t firstZero = whole.find('0');
    const size_t wholeMinimum = firstZero == std::string_view::npos ? 0 : whole.size() - firstZero;

    // Round on the decimal form of the value (15 significant digits), halves
    // away from zero, as Format did: 2.675 gives 2.68 although the double is
    // slightly below it.
    char buffer[40];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
    std::string significand{buffer[0]};
    significand.append(buffer + 2, buffer + 16);
    int exponent = 0;
    std::from_chars(buffer + 17 + (buffer[17] == '+'), result.ptr, exponent);
    // digits: the value times 10^decimals, rounded, as decimal digits
    long kept = exponent + 1L + decimals;
    std::string digits;
    if (kept >= static_cast<long>(significand.size())) {
        digits = significand + std::string(kept - significand.size(), '0');
    } else if (kept >= 0) {
        digits = significand.substr(0, kept);
        if (significand[kept] >= '5') {
            size_t i = digits.size();
            while (i > 0 && digits[i - 1] == '9')
                digits[--i] = '0';
            if (i == 0)
                digits.insert(digits.begin(), '1');
            else
                ++digits[i - 1];
        }
    }
    if (digits.size() < static_cast<size_t>(decimals))
        digits.insert(0, decimals - digits.size(), '0');

    std::string wholeDigits = digits.substr(0, digits.size() - decimals);
    wholeDigits.erase(0, std::min(wholeDigits.find_first_not_of('0'), wholeDigits.size()));
    if (wholeDigits.size() < wholeMinimum)
        wholeDigits.insert(0, wholeMinimum - wholeDigits.size(), '0');
    std::string fractionDigits = digits.substr(digits.size() - decimals);
    while (fractionDigits.size() > shownDecimals && fractionDigits.back() == '0')
        fractionDigits.pop_back();

    std::string text = value < 0 ? "-" : "";
    text += wholeDigits;
    if (point != std::string_view::npos)
        text += '.' + fractionDigits;
    return text;
}

int32_t inStr(int32_t start, std::string_view text, std::string_view find, CompareMethod compare) {
    if (start < 1)
        raiseRuntime(RuntimeError::InvalidProcedureCall);
    if (static_cast<size_t>(start) > text.size())
        return 0;
    if (find.empty())
        return start;
    size_t at = folded(text, compare).find(folded(find, compare), start - 1);
    return at == std::string::npos ? 0 : static_cast<int32_t>(at + 1);
}

int32_t inStrRev(std::string_view text, std::string_view find, int32_t start, CompareMethod compare) {
    if (start == 0 || start < -1)
        raiseRuntime(RuntimeError::InvalidProcedureCall);
    if (start == -1)
        start = static_cast<int32_t>(text.size());
    if (text.empty() || static_cast<size_t>(start) > text.size())
        return 0;
    if (find.empty())
        return start;
    if (find.size() > static_cast<size_t>(start))
        return 0;
    // The match has to end at or before start.
    size_t at = folded(text, compare).rfind(folded(find, compare), start - find.size());
    return at == std::string::npos ? 0 : static_cast<int32_t>(at + 1);
}

std::string mid(std::string_view text, int32_t start, int32_t length) {
    if (start < 1)
        raiseRuntime(RuntimeError::InvalidProcedureCall);
    if (static_cast<size_t>(start) > text.size())
        return {};
    size_t count = length < 0 ? std::string_view::npos : static_cast<size_t>(length);
    return std::string(text.substr(start - 1, count));
}

std::string left(std::string_view text, int32_t length) {
    if (length < 0)
        raiseRuntime(RuntimeError::InvalidProcedureCall);
    return std::string(text.substr(0, length));
}

std::string right(std::string_view text, int32_t length) {
    if (length < 0)
        raiseRuntime(RuntimeError::InvalidProcedureCall);
    size_t n = std::min(text.size(), static_cast<size_t>(length));
    return std::string(text.substr(text.size() - n));
}

std::string trim(std::string_view text) {
    // Trim takes blanks only, not tabs or line breaks.
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (size_t at = text.find(separator);; at = text.find(separator)) {
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

std::string upperCase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), upperOf);
    return result;
}

std::string lowerCase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), lowerCaseChar);
    return result;
}

int compareText(std::string_view a, std::string_view b, CompareMethod compare) {
    std::string x = folded(a, compare), y = folded(b, compare);
    size_t n = std::min(x.size(), y.size());
    for (size_t i = 0; i < n; ++i) {
        uint16_t cx = unicodeOf(x[i]), cy = unicodeOf(y[i]);
        if (cx != cy)
            return cx < cy ? -1 : 1;
    }
    return x.size() == y.size() ? 0 : x.size() < y.size() ? -1 : 1;
}

namespace {

// Days of a proleptic Gregorian date counted from 1 January 1970, for any year.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr int64_t kDateZero = -25569;  // 30 December 1899 counted from 1 January 1970
constexpr double kFirstDate = -657434; // 1 January 100
constexpr double kLastDate = 2958465;  // 31 December 9999

} // namespace

double dateSerial(int16_t year, int16_t month, int16_t day) {
    int64_t y = year;
    if (y >= 0 && y < 30)
        y += 2000;
    else if (y >= 30 && y < 100)
        y += 1900;
    // Months from 0 so that the roll-over is a floor division.
    int64_t months = y * 12 + (month - 1);
    int64_t wholeYears = months >= 0 ? months / 12 : -((11 - months) / 12);
    int64_t firstOfMonth = daysFromCivil(wholeYears, months - wholeYears * 12 + 1, 1);
    auto date = static_cast<double>(firstOfMonth + (day - 1) - kDateZero);
    if (date < kFirstDate || date > kLastDate)
        raiseRuntime(RuntimeError::InvalidProcedureCall);
    return date;
}

CalendarDate calendarDate(double date) {
    // Howard Hinnant's civil_from_days.
    int64_t z = static_cast<int64_t>(std::trunc(date)) + kDateZero + 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t dayOfEra = z - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    int64_t year = yearOfEra + era * 400 + (month <= 2);
    return {static_cast<int32_t>(year), static_cast<int32_t>(month), static_cast<int32_t>(day)};
}

std::string shortDate(double date) {
    if (!(date > kFirstDate - 1 && date < kLastDate + 1))
        raiseRuntime(RuntimeError::Overflow);
    CalendarDate day = calendarDate(date);
    return std::to_string(day.month) + "/" + std::to_string(day.day) + "/" + std::to_string(day.year);
}

std::string cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        uint16_t code = unicodeOf(c);
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

std::string utf8ToCp1252(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        auto lead = static_cast<uint8_t>(text[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        // Lead byte: number of continuation bytes and the allowed range of the
        // first one, which excludes overlong forms, surrogates and codes above U+10FFFF.
        int more = 0;
        uint8_t low = 0x80, high = 0xBF;
        uint32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            code = lead & 0x0F;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            code = lead & 0x07;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        }
        size_t j = i + 1;
        bool valid = more > 0;
        for (int k = 0; valid && k < more; ++k, ++j) {
            auto next = j < text.size() ? static_cast<uint8_t>(text[j]) : 0;
            valid = next >= low && next <= high;
            if (!valid)
                break;
            code = (code << 6) | (next & 0x3F);
            low = 0x80;
            high = 0xBF;
        }
        // A broken sequence becomes one "?" and the byte that broke it is read again.
        out += valid ? cp1252Of(code) : '?';
        i = j;
    }
    return out;
}

} // namespace Platform::Automation
