#include "ui/RtfReader.h"

#include <QTextCursor>
#include <QTextDocument>

#include "ui/Text.h"

namespace Platform::Ui {

namespace {

struct GroupState {
    RtfRun look;
    bool skip = false;
    int unicodeSkip = 1; // \ucN: fallback characters after each \u
};

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The destinations whose text is not shown.
bool isHiddenDestination(std::string_view word) {
    for (std::string_view hidden : {"fonttbl", "colortbl", "stylesheet", "info", "pict", "header", "footer",
                                    "headerl", "headerr", "footerl", "footerr", "object", "listtable",
                                    "listoverridetable", "themedata", "datastore", "latentstyles"})
        if (word == hidden)
            return true;
    return false;
}

class Reader {
public:
    explicit Reader(std::string_view rtf) : rtf_(rtf) { stack_.push_back({}); }

    std::vector<RtfRun> read() {
        while (pos_ < rtf_.size()) {
            char c = rtf_[pos_++];
            if (c == '{') {
                stack_.push_back(stack_.back());
            } else if (c == '}') {
                if (stack_.size() > 1)
                    stack_.pop_back();
            } else if (c == '\\') {
                control();
            } else if (c != '\r' && c != '\n') {
                append(c);
            }
        }
        return std::move(runs_);
    }

private:
    GroupState& state() { return stack_.back(); }

    void append(char c) {
        if (state().skip)
            return;
        const RtfRun& look = state().look;
        if (runs_.empty() || runs_.back().bold != look.bold || runs_.back().italic != look.italic ||
            runs_.back().underline != look.underline || runs_.back().halfPoints != look.halfPoints) {
            RtfRun run = look;
            run.text.clear();
            runs_.push_back(std::move(run));
        }
        runs_.back().text += c;
    }

    void control() {
        if (pos_ >= rtf_.size())
            return;
        char c = rtf_[pos_];
        if (!isLetter(c)) {
            ++pos_;
            symbol(c);
            return;
        }
        size_t start = pos_;
        while (pos_ < rtf_.size() && isLetter(rtf_[pos_]))
            ++pos_;
        std::string_view word = rtf_.substr(start, pos_ - start);
        bool hasParameter = false;
        bool negative = false;
        long parameter = 0;
        if (pos_ < rtf_.size() && rtf_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        while (pos_ < rtf_.size() && rtf_[pos_] >= '0' && rtf_[pos_] <= '9') {
            hasParameter = true;
            if (parameter < 100000000)
                parameter = parameter * 10 + (rtf_[pos_] - '0');
            ++pos_;
        }
        if (negative)
            parameter = -parameter;
        if (pos_ < rtf_.size() && rtf_[pos_] == ' ')
            ++pos_;
        word_(word, hasParameter, parameter);
    }

    void symbol(char c) {
        switch (c) {
        case '\\':
        case '{':
        case '}':
            append(c);
            break;
        case '~':
            append('\xA0');
            break;
        case '*':
            state().skip = true;
            break;
        case '\'':
            if (pos_ + 1 < rtf_.size() && hexValue(rtf_[pos_]) >= 0 && hexValue(rtf_[pos_ + 1]) >= 0) {
                append(static_cast<char>(hexValue(rtf_[pos_]) * 16 + hexValue(rtf_[pos_ + 1])));
                pos_ += 2;
            }
            break;
        case '\r':
        case '\n':
            append('\n');
            break;
        default:
            break;
        }
    }

    void word_(std::string_view word, bool hasParameter, long parameter) {
        RtfRun& look = state().look;
        bool on = !hasParameter || parameter != 0;
        if (word == "par" || word == "line" || word == "sect" || word == "page")
            append('\n');
        else if (word == "tab")
            append('\t');
        else if (word == "b")
            look.bold = on;
        else if (word == "i")
            look.italic = on;
        else if (word == "ul")
            look.underline = on;
        else if (word == "ulnone")
            look.underline = false;
        else if (word == "fs" && hasParameter && parameter > 0 && parameter <= 3276)
            look.halfPoints = static_cast<int>(parameter);
        else if (word == "plain")
            look = RtfRun{};
        else if (word == "uc" && hasParameter && parameter >= 0 && parameter < 10)
            state().unicodeSkip = static_cast<int>(parameter);
        else if (word == "u" && hasParameter)
            unicode(parameter);
        else if (isHiddenDestination(word))
            state().skip = true;
    }

    // A character beyond Windows-1252's Latin-1 part shows as "?"; the
    // fallback characters that follow it are passed over.
    void unicode(long code) {
        if (code < 0)
            code += 65536;
        append(code >= 0 && code <= 0xFF ? static_cast<char>(code) : '?');
        for (int i = 0; i < state().unicodeSkip && pos_ < rtf_.size(); ++i) {
            if (rtf_[pos_] == '{' || rtf_[pos_] == '}')
                break;
            if (rtf_[pos_] == '\\' && pos_ + 1 < rtf_.size() && rtf_[pos_ + 1] == '\'')
                pos_ += std::min<size_t>(4, rtf_.size() - pos_);
            else
                ++pos_;
        }
    }

    std::string_view rtf_;
    size_t pos_ = 0;
    std::vector<GroupState> stack_;
    std::vector<RtfRun> runs_;
};

} // namespace

std::vector<RtfRun> ReadRtf(std::string_view rtf) {
    return Reader(rtf).read();
}

void LoadRtf(QTextDocument& document, std::string_view rtf) {
    document.clear();
    QTextCursor cursor(&document);
    for (const RtfRun& run : ReadRtf(rtf)) {
        QTextCharFormat format;
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(run.italic);
        format.setFontUnderline(run.underline);
        format.setFontPointSize(run.halfPoints / 2.0);
        QString text = toQString(run.text);
        // Each line break of the runs starts a new paragraph.
        const QStringList paragraphs = text.split('\n');
        for (qsizetype i = 0; i < paragraphs.size(); ++i) {
            if (i > 0)
                cursor.insertBlock();
            cursor.insertText(paragraphs[i], format);
        }
    }
}

} // namespace Platform::Ui
