// Tokens of a resource script: words, numbers, quoted strings and the punctuation , | ( ) { }.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvrc {

// A script error: where and what. The compiler prints it and fails the build.
struct ScriptError : std::runtime_error {
    ScriptError(const std::string& file, int line, const std::string& message)
        : std::runtime_error(file + ":" + std::to_string(line) + ": " + message)
    {
    }
};

enum class TokenKind { Word, Number, String, Punct, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;        // word, punctuation, or the string's UTF-8 content with escapes resolved
    std::int64_t number = 0; // Number
    int line = 0;
};

// Splits the script; comments (// and /* */) are dropped. Throws ScriptError on a bad token.
std::vector<Token> Tokenize(const std::string& file, const std::string& text);

} // namespace zvrc
