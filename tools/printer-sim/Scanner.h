#pragma once
// Splits one Rubric statement into tokens: names (with an optional $ or %
// suffix), numbers, quoted texts (a missing closing quote ends the text at the
// end of the statement, as the printer reads it) and symbols.
#include <QByteArray>

namespace PrinterSim {

struct Token {
    enum Kind { End, Number, Text, Name, Symbol };
    Kind kind = End;
    QByteArray text; // upper-cased for names, raw for texts
    double number = 0;
};

class Scanner {
public:
    explicit Scanner(const QByteArray& statement, int position = 0);

    const Token& peek() const { return current_; }
    Token next();
    bool atEnd() const { return current_.kind == Token::End; }
    // Takes the symbol or the name (compared in upper case) when it comes next.
    bool accept(const char* symbolOrName);
    // As accept, else the printer's syntax error.
    void expect(const char* symbolOrName);
    // The raw text from the current token on.
    QByteArray rest() const;

    // Statement keywords stand in front of their arguments without a blank
    // (PRINTCHR$(4), CLOSE147): the longest keyword of the list that the
    // statement's leading letters begin with, or an empty text.
    static QByteArray leadingKeyword(const QByteArray& statement, const char* const* keywords);

private:
    void read();

    QByteArray input_;
    int pos_ = 0;
    int tokenStart_ = 0;
    Token current_;
};

} // namespace PrinterSim
