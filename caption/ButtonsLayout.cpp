#include "caption/ButtonsLayout.h"

#include <cctype>
#include <variant>
#include <vector>

namespace velkan::caption {

using platform::Error;
using platform::Status;
using platform::WinError;

namespace {

// A Pascal string literal: printable characters quoted (a quote doubled),
// everything else as #nnn.
std::string quoted(const std::string& text) {
    if (text.empty())
        return "''";
    std::string out;
    bool open = false;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            if (!open)
                out += '\'';
            open = true;
            out += char(c);
            if (c == '\'')
                out += '\'';
        } else {
            if (open)
                out += '\'';
            open = false;
            out += '#' + std::to_string(int(c));
        }
    }
    if (open)
        out += '\'';
    return out;
}

const char* boolean(bool value) {
    return value ? "True" : "False";
}

using Value = std::variant<std::string, bool>;

struct Token {
    Value value;
    int line;
};

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    Status parse(std::vector<Token>& values) {
        skipSpace();
        if (peek() != '(') {
            // An optional "Buttons.Buttons =" before the list.
            std::string name = identifier();
            skipSpace();
            if (name != kButtonsPropertyName || peek() != '=')
                return fail("expected the " + std::string(kButtonsPropertyName) + " list");
            ++pos_;
            skipSpace();
        }
        if (peek() != '(')
            return fail("expected '('");
        ++pos_;
        for (;;) {
            skipSpace();
            char c = peek();
            if (c == ')') {
                ++pos_;
                skipSpace();
                if (pos_ != text_.size())
                    return fail("text after the end of the list");
                return {};
            }
            if (c == '\0')
                return fail("the list has no end");
            const int at = line_;
            if (c == '\'' || c == '#') {
                std::string s;
                if (Status st = string(s); !st)
                    return st;
                values.push_back({s, at});
            } else {
                std::string word = identifier();
                if (word == "True")
                    values.push_back({true, at});
                else if (word == "False")
                    values.push_back({false, at});
                else
                    return fail("unexpected " + (word.empty() ? std::string(1, c) : word));
            }
        }
    }

    Status fail(const std::string& what) const {
        return Error::of(WinError::InvalidData,
                         "Buttons layout, line " + std::to_string(line_) + ": " + what);
    }

private:
    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

    void skipSpace() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
            if (text_[pos_] == '\n')
                ++line_;
            ++pos_;
        }
    }

    std::string identifier() {
        std::string word;
        while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                       text_[pos_] == '_' || text_[pos_] == '.'))
            word += text_[pos_++];
        return word;
    }

    // Quoted runs and #nnn characters, joined while they follow each other.
    Status string(std::string& out) {
        for (;;) {
            char c = peek();
            if (c == '\'') {
                ++pos_;
                for (;;) {
                    if (pos_ >= text_.size() || text_[pos_] == '\n')
                        return fail("unterminated string");
                    if (text_[pos_] == '\'') {
                        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                            out += '\'';
                            pos_ += 2;
                            continue;
                        }
                        ++pos_;
                        break;
                    }
                    out += text_[pos_++];
                }
            } else if (c == '#') {
                ++pos_;
                int code = 0;
                int digits = 0;
                while (std::isdigit(static_cast<unsigned char>(peek())) && digits < 4) {
                    code = code * 10 + (text_[pos_++] - '0');
                    ++digits;
                }
                if (digits == 0 || code > 255)
                    return fail("bad character code");
                out += char(code);
            } else {
                return {};
            }
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

} // namespace

std::string writeButtonsLayout(const TCaptionButtonsList& buttons) {
    if (buttons.count() == 0)
        return {};
    std::string out = std::string(kButtonsPropertyName) + " = (";
    for (int i = 0; i < buttons.count(); ++i) {
        const TCaptionButton& b = *buttons.item(i);
        for (const std::string& value :
             {quoted(b.Caption), std::string(boolean(b.Enabled)), std::string(boolean(b.Visible)),
              std::string(boolean(b.Pushed)), quoted(std::string(kindName(b.Kind)))})
            out += "\n  " + value;
    }
    return out + ")\n";
}

Status readButtonsLayout(std::string_view text, TCaptionButtonsList& buttons) {
    buttons.clear();
    std::vector<Token> values;
    Parser parser(text);
    if (Status st = parser.parse(values); !st)
        return st;

    auto field = [&](std::size_t i, bool wantString) -> Status {
        if (i >= values.size())
            return Error::of(WinError::InvalidData,
                             "Buttons layout: the last button has too few values");
        if (std::holds_alternative<std::string>(values[i].value) != wantString)
            return Error::of(WinError::InvalidData,
                             "Buttons layout, line " + std::to_string(values[i].line) +
                                 (wantString ? ": expected a string" : ": expected True or False"));
        return {};
    };
    std::vector<TCaptionButton> read;
    for (std::size_t i = 0; i < values.size(); i += 5) {
        for (std::size_t k = 0; k < 5; ++k)
            if (Status st = field(i + k, k == 0 || k == 4); !st)
                return st;
        TCaptionButton b;
        b.Caption = std::get<std::string>(values[i].value);
        b.Enabled = std::get<bool>(values[i + 1].value);
        b.Visible = std::get<bool>(values[i + 2].value);
        b.Pushed = std::get<bool>(values[i + 3].value);
        b.Kind = kindFromName(std::get<std::string>(values[i + 4].value));
        read.push_back(std::move(b));
    }
    for (auto& b : read)
        buttons.add(std::move(b));
    return {};
}

} // namespace velkan::caption
