#include "Scanner.h"

#include <cctype>
#include <cstring>

#include "Failure.h"

namespace PrinterSim {

namespace {

bool isLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

Scanner::Scanner(const QByteArray& statement, int position) : input_(statement), pos_(position) {
    read();
}

Token Scanner::next() {
    Token taken = current_;
    read();
    return taken;
}

bool Scanner::accept(const char* symbolOrName) {
    if ((current_.kind == Token::Symbol || current_.kind == Token::Name) && current_.text == symbolOrName) {
        read();
        return true;
    }
    return false;
}

void Scanner::expect(const char* symbolOrName) {
    if (!accept(symbolOrName))
        throw Failure(Failure::Syntax);
}

QByteArray Scanner::rest() const {
    return input_.mid(tokenStart_);
}

QByteArray Scanner::leadingKeyword(const QByteArray& statement, const char* const* keywords) {
    int start = 0;
    while (start < statement.size() && statement[start] == ' ')
        ++start;
    int end = start;
    while (end < statement.size() && isLetter(statement[end]))
        ++end;
    const QByteArray letters = statement.mid(start, end - start).toUpper();
    QByteArray best;
    for (const char* const* k = keywords; *k; ++k) {
        const auto length = static_cast<qsizetype>(std::strlen(*k));
        if (length > best.size() && letters.startsWith(*k))
            best = *k;
    }
    return best;
}

void Scanner::read() {
    while (pos_ < input_.size() && (input_[pos_] == ' ' || input_[pos_] == '\t'))
        ++pos_;
    tokenStart_ = pos_;
    current_ = Token();
    if (pos_ >= input_.size())
        return;
    const char c = input_[pos_];
    if (c == '"') {
        const int close = input_.indexOf('"', pos_ + 1);
        const int end = close < 0 ? input_.size() : close;
        current_.kind = Token::Text;
        current_.text = input_.mid(pos_ + 1, end - pos_ - 1);
        pos_ = close < 0 ? end : close + 1;
    } else if (isDigit(c) || (c == '.' && pos_ + 1 < input_.size() && isDigit(input_[pos_ + 1]))) {
        int end = pos_;
        while (end < input_.size() && (isDigit(input_[end]) || input_[end] == '.'))
            ++end;
        current_.kind = Token::Number;
        current_.text = input_.mid(pos_, end - pos_);
        current_.number = current_.text.toDouble();
        pos_ = end;
    } else if (isLetter(c)) {
        int end = pos_;
        while (end < input_.size() && (isLetter(input_[end]) || isDigit(input_[end]) || input_[end] == '_'))
            ++end;
        if (end < input_.size() && (input_[end] == '$' || input_[end] == '%'))
            ++end;
        current_.kind = Token::Name;
        current_.text = input_.mid(pos_, end - pos_).toUpper();
        pos_ = end;
    } else {
        current_.kind = Token::Symbol;
        const QByteArray two = input_.mid(pos_, 2);
        if (two == "<=" || two == ">=" || two == "<>") {
            current_.text = two;
            pos_ += 2;
        } else {
            current_.text = QByteArray(1, c);
            ++pos_;
        }
    }
}

} // namespace PrinterSim
