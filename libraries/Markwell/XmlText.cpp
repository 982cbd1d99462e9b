#include "Markwell/XmlText.h"

#include <charconv>
#include <vector>

#include "Markwell/CStringBuilder.h"
#include "Markwell/Doc.h"
#include "Markwell/DocNode.h"
#include "automation/Error.h"
#include "automation/Runtime.h"
#include "automation/Variant.h"

namespace Markwell {

using Automation::Ref;
using Automation::Variant;

namespace {

constexpr std::string_view kQuoteEscape = "{\\34}";
// A "{" that would otherwise start an escape is itself escaped, so that every
// text reads back as it was written.
constexpr std::string_view kBraceEscape = "{\\123}";

bool startsEscape(std::string_view text, size_t at) {
    std::string_view rest = text.substr(at);
    return rest.starts_with(kQuoteEscape) || rest.starts_with(kBraceEscape);
}

} // namespace

// ---- writing ---------------------------------------------------------------

std::string XmlText::quoted(std::string_view text) {
    std::string out = "\"";
    size_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        std::string_view escape;
        if (text[i] == '"')
            escape = kQuoteEscape;
        else if (text[i] == '{' && startsEscape(text, i))
            escape = kBraceEscape;
        else
            continue;
        out.append(text.substr(run, i - run));
        out.append(escape);
        run = i + 1;
    }
    out.append(text.substr(run));
    out += '"';
    return out;
}

class XmlText::Writer {
public:
    explicit Writer(bool indent) : indent_(indent), out_(Automation::New<CStringBuilder>()) {}

    void write(const Ref<DocNode>& start) {
        int32_t level = indent_ ? start->Level() : 0;
        // Through the links rather than by recursion, so that a deep document
        // cannot exhaust the stack.
        Ref<DocNode> node = start;
        while (true) {
            open(*node, level);
            if (auto child = node->Child()) {
                node = child;
                ++level;
                continue;
            }
            if (!node->Value().isMissing()) {
                tabs(level);
                value(node->Value());
                out_->Append("\n");
            }
            close(*node, level);
            while (true) {
                if (node == start)
                    return;
                if (auto next = node->NextSibling()) {
                    node = next;
                    break;
                }
                node = node->Parent();
                --level;
                close(*node, level);
            }
        }
    }

    std::string text() const { return out_->ToString(); }

private:
    void tabs(int32_t level) {
        if (!indent_)
            return;
        if (tabs_.size() < static_cast<size_t>(level))
            tabs_.resize(static_cast<size_t>(level), '\t');
        out_->Append(std::string_view(tabs_).substr(0, static_cast<size_t>(level)));
    }

    void open(const DocNode& node, int32_t level) {
        tabs(level);
        out_->Append("<");
        out_->Append(node.Name());
        if (const auto& attributes = node.attributesIfAny(); attributes && attributes->Count() > 0) {
            out_->Append(" ");
            bool first = true;
            for (const auto& attribute : *attributes) {
                if (!first)
                    out_->Append(" ");
                first = false;
                out_->Append(attribute->Name());
                out_->Append("=");
                attributeValue(attribute->Value());
            }
        }
        out_->Append(">\n");
    }

    void close(const DocNode& node, int32_t level) {
        tabs(level);
        out_->Append("</");
        out_->Append(node.Name());
        out_->Append(">\n");
    }

    void value(const Variant& v) {
        if (const auto* text = v.get<std::string>())
            quoted(*text);
        else if (const auto* flag = v.get<bool>())
            out_->Append(*flag ? "True" : "False");
        else if (const auto* number = v.get<double>())
            out_->Append(doubleText(*number));
        else
            out_->Append(v.toString());
    }

    void attributeValue(const Variant& v) {
        if (const auto* text = v.get<std::string>())
            quoted(*text);
        else if (const auto* flag = v.get<bool>())
            out_->Append(*flag ? "TRUE" : "FALSE");
        else if (const auto* number = v.get<double>())
            out_->Append(doubleText(*number));
        else if (v.get<int16_t>() || v.get<int32_t>() || v.get<float>())
            out_->Append(v.toString());
        // Any other value writes nothing after the "=".
    }

    void quoted(std::string_view text) { out_->Append(XmlText::quoted(text)); }

    // The run-time's text of a number has 15 significant digits; where that
    // would not read back as the same number, the shortest text that does.
    static std::string doubleText(double number) {
        std::string text = Automation::numberToText(number);
        if (Automation::val(text) == number)
            return text;
        char buffer[32];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
        text.assign(buffer, result.ptr);
        for (char& c : text)
            if (c == 'e')
                c = 'E';
        return text;
    }

    bool indent_;
    Ref<CStringBuilder> out_;
    std::string tabs_;
};

namespace {

// ---- reading ---------------------------------------------------------------

bool isBlank(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t';
}

// Drops blanks, carriage returns, line feeds and tabs that stand outside tags
// and outside double quotes.
std::string removeWhiteSpace(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    bool inTag = false;
    bool inQuote = false;
    for (char c : text) {
        if (c == '"')
            inQuote = !inQuote;
        else if (!inQuote && c == '<')
            inTag = true;
        else if (!inQuote && c == '>')
            inTag = false;
        else if (!inTag && !inQuote && isBlank(c))
            continue;
        result += c;
    }
    return result;
}

// The position of the next "<" at or after `from` that opens a tag (one that
// is not inside double quotes), or npos. `inQuote` carries the quote state.
size_t nextTag(std::string_view text, size_t from, bool& inQuote) {
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == '"')
            inQuote = !inQuote;
        else if (text[i] == '<' && !inQuote)
            return i;
    }
    return std::string_view::npos;
}

// Where the head of a tag ends: the first ">" outside quotes, or the first
// ">" at all when the quotes do not close before one.
size_t headEnd(std::string_view piece) {
    bool inQuote = false;
    for (size_t i = 0; i < piece.size(); ++i) {
        if (piece[i] == '"')
            inQuote = !inQuote;
        else if (piece[i] == '>' && !inQuote)
            return i;
    }
    return piece.find('>');
}

std::string unescape(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '{') {
            std::string_view rest = text.substr(i);
            if (rest.starts_with(kQuoteEscape)) {
                result += '"';
                i += kQuoteEscape.size() - 1;
                continue;
            }
            if (rest.starts_with(kBraceEscape)) {
                result += '{';
                i += kBraceEscape.size() - 1;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

bool isQuoted(std::string_view text) {
    return !text.empty() && text.front() == '"' && text.back() == '"';
}

// The text between the quotes of a quoted value; one double quote alone is no
// quoted value and fails.
std::string unquote(std::string_view text) {
    if (text.size() < 2)
        Automation::raise(Automation::RuntimeError::InvalidProcedureCall, "Markwell");
    return unescape(text.substr(1, text.size() - 2));
}

Variant elementValue(std::string_view text) {
    if (text.empty())
        return Variant(std::string());
    if (isQuoted(text))
        return Variant(unquote(text));
    if (Automation::equalsText(text, "True"))
        return Variant(true);
    if (Automation::equalsText(text, "False"))
        return Variant(false);
    if (Automation::isNumeric(text))
        return Variant(Automation::val(text));
    return Variant(text);
}

void readAttributes(DocNode& node, std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty())
        return;
    // Blanks inside quotes belong to the value, but only when the text has a
    // pair of quotes at all.
    size_t quotes = 0;
    for (char c : text)
        quotes += c == '"';
    std::vector<std::string_view> pieces;
    bool inQuote = false;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            inQuote = !inQuote;
        else if (text[i] == ' ' && !(inQuote && quotes >= 2)) {
            pieces.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    pieces.push_back(text.substr(start));

    auto attributes = node.Attributes();
    attributes->Clear();
    for (std::string_view piece : pieces) {
        auto attribute = attributes->Add();
        size_t equals = piece.find('=');
        if (equals == std::string_view::npos)
            continue;
        attribute->setName(piece.substr(0, equals));
        std::string_view value = piece.substr(equals + 1);
        if (value == "TRUE")
            attribute->setValue(true);
        else if (value == "FALSE")
            attribute->setValue(false);
        else if (isQuoted(value))
            attribute->setValue(unquote(value));
        else if (Automation::isNumeric(value))
            attribute->setValue(value);
        // Anything else leaves the attribute without a value.
    }
}

} // namespace

std::string XmlText::write(const Ref<DocNode>& start, bool indent) {
    Writer writer(indent);
    writer.write(start);
    return writer.text();
}

bool XmlText::read(Doc& doc, std::string_view text, std::string_view parentKey) {
    if (text.empty())
        return true;
    Ref<DocNode> current;
    if (!parentKey.empty())
        current = doc.Item(parentKey);
    const std::string compact = removeWhiteSpace(text);
    const std::string_view all(compact);

    std::string relative;
    bool inQuote = false;
    // Elements opened and not yet closed; declarations ("<?...", "<!...")
    // and self-closing tags never close and are not counted.
    int64_t open = 0;
    bool tagFinished = true;
    // The text before the first tag is not read.
    size_t tag = nextTag(all, 0, inQuote);
    while (tag != std::string_view::npos) {
        size_t next = nextTag(all, tag + 1, inQuote);
        std::string_view piece = all.substr(tag + 1, next == std::string_view::npos ? next : next - tag - 1);
        tag = next;

        if (current)
            relative = current->Key();
        tagFinished = headEnd(piece) != std::string_view::npos;
        if (piece.starts_with('/')) {
            --open;
            // A closing tag returns to the parent; more closing tags than
            // opening ones fail here, on a current node that is Nothing.
            current = current->Parent();
            continue;
        }
        size_t end = headEnd(piece);
        if (end == std::string_view::npos || end == 0)
            continue;
        std::string_view head = piece.substr(0, end);
        size_t blank = head.find(' ');
        std::string_view name = head.substr(0, blank);
        if (!name.starts_with('?') && !name.starts_with('!') && !head.ends_with('/'))
            ++open;
        current = doc.Add(relative, iagChild, std::string_view(), name, elementValue(piece.substr(end + 1)));
        if (blank != std::string_view::npos)
            readAttributes(*current, head.substr(blank + 1));
    }
    return open == 0 && tagFinished && !inQuote;
}

} // namespace Markwell
