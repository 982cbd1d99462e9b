#pragma once
// An error of the interpreter or of a shell program: the printer's error
// number; the text comes from the printer's table.
#include <QByteArray>
#include <exception>

namespace PrinterSim {

class Failure : public std::exception {
public:
    // The printer's error numbers that the simulator reports.
    enum Number {
        Syntax = 1,
        UnbalancedParentheses = 2,
        NotImplemented = 3,
        TypeMismatch = 13,
        InvalidFont = 19,
        OutOfRange = 26,
        UndefinedLine = 30,
        FileNotFound = 39,
        DeviceFull = 44,
        WriteProtected = 45,
        FileExists = 58,
        AccessDenied = 71,
        FieldOutOfLabel = 1003,
    };

    explicit Failure(int number) : number_(number) {}
    int number() const { return number_; }
    const char* what() const noexcept override;
    // The printer's text for an error number ("Unknown error" for others).
    static QByteArray describe(int number);

private:
    int number_;
};

} // namespace PrinterSim
