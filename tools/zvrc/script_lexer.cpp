#include "script_lexer.h"

#include <cctype>

namespace zvrc {

namespace {

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-' ||
           static_cast<unsigned char>(c) >= 0x80;
}

class Lexer {
public:
    Lexer(const std::string& file, const std::string& text) : file_(file), text_(text) {}

    std::vector<Token> Run()
    {
        std::vector<Token> tokens;
        for (;;) {
            SkipBlanks();
            if (pos_ >= text_.size())
                break;
            tokens.push_back(Next());
        }
        tokens.push_back(Token{TokenKind::End, "end of file", 0, line_});
        return tokens;
    }

private:
    [[noreturn]] void Fail(const std::string& message) const { throw ScriptError(file_, line_, message); }

    void SkipBlanks()
    {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (text_.compare(pos_, 2, "//") == 0) {
                while (pos_ < text_.size() && text_[pos_] != '\n')
                    ++pos_;
            } else if (text_.compare(pos_, 2, "/*") == 0) {
                const std::size_t end = text_.find("*/", pos_ + 2);
                if (end == std::string::npos)
                    Fail("comment not closed");
                for (std::size_t i = pos_; i < end; ++i)
                    line_ += text_[i] == '\n';
                pos_ = end + 2;
            } else {
                break;
            }
        }
    }

    Token Next()
    {
        const char c = text_[pos_];
        if (c == '"')
            return QuotedString();
        if (std::isdigit(static_cast<unsigned char>(c)))
            return NumberToken();
        if (c == ',' || c == '|' || c == '(' || c == ')' || c == '{' || c == '}') {
            ++pos_;
            return Token{TokenKind::Punct, std::string(1, c), 0, line_};
        }
        if (IsWordChar(c)) {
            const std::size_t start = pos_;
            while (pos_ < text_.size() && IsWordChar(text_[pos_]))
                ++pos_;
            return Token{TokenKind::Word, text_.substr(start, pos_ - start), 0, line_};
        }
        Fail(std::string("unexpected character '") + c + "'");
    }

    Token NumberToken()
    {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && IsWordChar(text_[pos_]))
            ++pos_;
        const std::string word = text_.substr(start, pos_ - start);
        std::size_t used = 0;
        std::int64_t value = 0;
        try {
            value = std::stoll(word, &used, 0);
        } catch (const std::exception&) {
            used = 0;
        }
        // A trailing L (long) is allowed as in C.
        if (used != word.size() && !(used + 1 == word.size() && (word.back() == 'L' || word.back() == 'l')))
            Fail("bad number '" + word + "'");
        if (value > 0xFFFFFFFFLL)
            Fail("number out of range '" + word + "'");
        return Token{TokenKind::Number, word, value, line_};
    }

    // "..." with C escapes \r \n \t \\ \" and "" standing for one quote. A string ends on its line.
    Token QuotedString()
    {
        const int line = line_;
        std::string value;
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size() || text_[pos_] == '\n')
                Fail("string not closed on its line");
            const char c = text_[pos_++];
            if (c == '"') {
                if (pos_ < text_.size() && text_[pos_] == '"') {
                    value += '"';
                    ++pos_;
                    continue;
                }
                break;
            }
            if (c != '\\') {
                value += c;
                continue;
            }
            if (pos_ >= text_.size())
                Fail("string not closed on its line");
            const char escaped = text_[pos_++];
            switch (escaped) {
            case 'r': value += '\r'; break;
            case 'n': value += '\n'; break;
            case 't': value += '\t'; break;
            case '\\': value += '\\'; break;
            case '"': value += '"'; break;
            default: Fail(std::string("unknown escape '\\") + escaped + "' in string");
            }
        }
        return Token{TokenKind::String, value, 0, line};
    }

    const std::string& file_;
    const std::string& text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

} // namespace

std::vector<Token> Tokenize(const std::string& file, const std::string& text)
{
    return Lexer(file, text).Run();
}

} // namespace zvrc
