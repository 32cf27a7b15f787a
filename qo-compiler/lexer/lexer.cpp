// lexer.cpp -- one pass over the bytes of a source, with interpolation.
//
// An interpolation `${...}` holds a source text of its own: the bytes up to
// the brace that balances its `{` (counting every brace byte, quotes or
// not), or, when none does, the rest of the enclosing text less its last
// byte. That inner text is lexed like a whole source (its strings and
// comments end where it ends) and its tokens are spliced into the string's
// concatenation inside parentheses.
//
// Done literally, by lexing a copy of each inner text recursively, nested
// interpolations cost quadratic time, quadratic memory and one C++ stack
// frame per level. Here instead:
//   - every `{` is matched with its balancing `}` once, up front, by one
//     stack pass over the whole source (only those after a `$` are kept);
//   - an inner text is a byte range [begin, end) of the one source, never
//     a copy;
//   - nesting lives on an explicit frame stack that alternates code frames
//     (lexing tokens up to `end`) and string frames (inside a literal).
// So any input lexes in linear time with bounded native stack.
#include "lexer/lexer.h"

#include <unordered_map>

namespace qo {

namespace {

bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
bool is_word_start(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool is_word_byte(unsigned char c) { return is_word_start(c) || is_digit(c); }

// Where the `{` of each `${` is balanced, by byte index of the `{`.
std::unordered_map<std::size_t, std::size_t> match_interp_braces(std::string_view src) {
    std::unordered_map<std::size_t, std::size_t> matches;
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < src.size(); ++i) {
        if (src[i] == '{') {
            open.push_back(i);
        } else if (src[i] == '}' && !open.empty()) {
            std::size_t at = open.back();
            open.pop_back();
            if (at > 0 && src[at - 1] == '$') matches.emplace(at, i);
        }
    }
    return matches;
}

struct CodeFrame {
    std::size_t end;
};

// A string literal being scanned. Pending literal bytes accumulate in
// `buffer` (escapes applied) until an interpolation or the end flushes them.
struct StringFrame {
    std::size_t end;          // end of the enclosing code text
    std::string buffer;
    bool emitted = false;     // a token of this literal is already out
    std::size_t lparen = 0;   // index of the "(" opened for the interpolation
    std::size_t resume = 0;   // where the literal goes on after it
};

class Lexer {
public:
    explicit Lexer(std::string_view src) : src_(src), braces_(match_interp_braces(src)) {}

    Tokens run() {
        out_.reserve(src_.size() / 3 + 16);  // about one token per three bytes of code
        code_.push_back({src_.size()});
        while (!code_.empty()) {
            if (strings_.size() == code_.size()) {
                step_string();
            } else if (pos_ >= code_.back().end) {
                end_code_frame();
            } else {
                step_code();
            }
        }
        out_.push_back({TokKind::Eof, ""});
        return std::move(out_);
    }

private:
    std::string_view src_;
    std::unordered_map<std::size_t, std::size_t> braces_;
    Tokens out_;
    std::size_t pos_ = 0;
    // Frames alternate: code_[0], strings_[0], code_[1], strings_[1], ...
    // The innermost frame is a string exactly when both stacks are equal.
    std::vector<CodeFrame> code_;
    std::vector<StringFrame> strings_;

    unsigned char at(std::size_t i, std::size_t end) const {
        return i < end ? static_cast<unsigned char>(src_[i]) : 0;
    }

    // Builds the token in place: no temporary string for short texts.
    void emit(TokKind kind, std::string_view text) {
        Token &t = out_.emplace_back();
        t.kind = kind;
        t.text.assign(text);
    }
    void emit_owned(TokKind kind, std::string &&text) { out_.push_back({kind, std::move(text)}); }

    // ---- code ----

    void step_code() {
        std::size_t end = code_.back().end;
        unsigned char c = at(pos_, end);
        if (c < 33) {
            ++pos_;
        } else if (c == '/' && at(pos_ + 1, end) == '/') {
            std::size_t nl = src_.substr(0, end).find('\n', pos_);
            pos_ = nl == std::string_view::npos ? end : nl;
        } else if (c == '"') {
            strings_.push_back(StringFrame{end, {}, false, 0, 0});
            ++pos_;
        } else if (is_digit(c)) {
            lex_number(end);
        } else if (is_word_start(c)) {
            lex_word(end);
        } else {
            lex_punct(c, end);
        }
    }

    std::size_t digits_end(std::size_t i, std::size_t end) const {
        while (is_digit(at(i, end))) ++i;
        return i;
    }

    void lex_number(std::size_t end) {
        std::size_t start = pos_;
        std::size_t stop = digits_end(pos_, end);
        if (at(stop, end) == '.' && is_digit(at(stop + 1, end))) {
            stop = digits_end(stop + 1, end);
            emit(TokKind::Float, src_.substr(start, stop - start));
        } else {
            emit(TokKind::Int, src_.substr(start, stop - start));
        }
        pos_ = stop;
    }

    void lex_word(std::size_t end) {
        std::size_t start = pos_;
        while (is_word_byte(at(pos_, end))) ++pos_;
        std::string_view word = src_.substr(start, pos_ - start);
        emit(keyword_kind(word), word);
    }

    // Two- and three-byte operators are matched greedily.
    void lex_punct(unsigned char c, std::size_t end) {
        unsigned char n1 = at(pos_ + 1, end);
        unsigned char n2 = at(pos_ + 2, end);
        auto op = [&](TokKind kind, std::size_t len) {
            emit(kind, src_.substr(pos_, len));
            pos_ += len;
        };
        switch (c) {
        case '!': return n1 == '=' ? op(TokKind::NotEq, 2) : op(TokKind::Not, 1);
        case '&': return n1 == '&' ? op(TokKind::And, 2) : void(++pos_);
        case '-': return n1 == '>' ? op(TokKind::Arrow, 2) : op(TokKind::Minus, 1);
        case '.':
            if (n1 == '.') return n2 == '=' ? op(TokKind::DotDotEq, 3) : op(TokKind::DotDot, 2);
            return op(TokKind::Dot, 1);
        case ':': return n1 == ':' ? op(TokKind::ColonColon, 2) : op(TokKind::Colon, 1);
        case '<': return n1 == '=' ? op(TokKind::LtEq, 2) : op(TokKind::Lt, 1);
        case '>': return n1 == '=' ? op(TokKind::GtEq, 2) : op(TokKind::Gt, 1);
        case '=':
            if (n1 == '=') return op(TokKind::EqEq, 2);
            return n1 == '>' ? op(TokKind::FatArrow, 2) : op(TokKind::Eq, 1);
        case '|':
            if (n1 == '|') return op(TokKind::Or, 2);
            return n1 == '>' ? op(TokKind::PipeOp, 2) : op(TokKind::Pipe, 1);
        case '+': return op(TokKind::Plus, 1);
        case '*': return op(TokKind::Star, 1);
        case '/': return op(TokKind::Slash, 1);
        case '%': return op(TokKind::Percent, 1);
        case ';': return op(TokKind::Semicolon, 1);
        case ',': return op(TokKind::Comma, 1);
        case '?': return op(TokKind::QuestionMark, 1);
        case '@': return op(TokKind::At, 1);
        case '(': return op(TokKind::LParen, 1);
        case ')': return op(TokKind::RParen, 1);
        case '[': return op(TokKind::LBracket, 1);
        case ']': return op(TokKind::RBracket, 1);
        case '{': return op(TokKind::LBrace, 1);
        case '}': return op(TokKind::RBrace, 1);
        default: ++pos_;  // # $ ' \ ^ ` ~ and bytes from 126 up start no token
        }
    }

    // An interpolation's text has ended: close its parentheses (or, when it
    // held no token, stand in an empty string) and go on with the literal.
    void end_code_frame() {
        code_.pop_back();
        if (strings_.empty()) return;
        StringFrame &s = strings_.back();
        if (out_.size() == s.lparen + 1) {
            out_.back() = {TokKind::Str, ""};
        } else {
            emit(TokKind::RParen, ")");
        }
        s.emitted = true;
        pos_ = s.resume;
    }

    // ---- strings ----

    std::string literal_text(std::string text) const {
        return looks_like_code(text) ? strip_code_comments(text) : text;
    }

    // Writes the pending literal bytes before an interpolation.
    void flush_before_interp(StringFrame &s) {
        if (!s.buffer.empty()) {
            if (s.emitted) emit(TokKind::Plus, "+");
            emit_owned(TokKind::Str, literal_text(std::move(s.buffer)));
            emit(TokKind::Plus, "+");
        } else if (s.emitted) {
            emit(TokKind::Plus, "+");
        }
        s.buffer.clear();
    }

    void finish_string(StringFrame &s) {
        if (!s.emitted) {
            emit_owned(TokKind::Str, literal_text(std::move(s.buffer)));
        } else if (!s.buffer.empty()) {
            emit(TokKind::Plus, "+");
            emit_owned(TokKind::Str, literal_text(std::move(s.buffer)));
        }
        strings_.pop_back();
    }

    static char escaped(unsigned char c) {
        switch (c) {
        case 'n': return '\n';
        case 'r': return '\r';
        case 't': return '\t';
        default: return static_cast<char>(c);  // \" \$ \\ and any other byte
        }
    }

    // Scans literal bytes up to the next escape, quote or interpolation and
    // handles that one event.
    void step_string() {
        StringFrame &s = strings_.back();
        std::size_t start = pos_;
        while (pos_ < s.end) {
            char c = src_[pos_];
            if (c == '\\' || c == '"' || (c == '$' && at(pos_ + 1, s.end) == '{')) break;
            ++pos_;
        }
        s.buffer.append(src_.substr(start, pos_ - start));
        if (pos_ >= s.end) return finish_string(s);
        char c = src_[pos_];
        if (c == '"') {
            ++pos_;
            return finish_string(s);
        }
        if (c == '\\') {
            if (pos_ + 1 < s.end) s.buffer += escaped(at(pos_ + 1, s.end));
            pos_ += 2;
            if (pos_ > s.end) pos_ = s.end;
            return;
        }
        open_interpolation(s);
    }

    void open_interpolation(StringFrame &s) {
        flush_before_interp(s);
        std::size_t brace = pos_ + 1;
        std::size_t begin = brace + 1;
        auto match = braces_.find(brace);
        std::size_t text_end;
        if (match != braces_.end() && match->second < s.end) {
            text_end = match->second;
            s.resume = match->second + 1;
        } else {
            // Unbalanced within its text: the rest of the text less its
            // last byte (nothing when the `{` is that last byte).
            text_end = begin < s.end ? s.end - 1 : begin;
            s.resume = s.end;
        }
        emit(TokKind::LParen, "(");
        s.lparen = out_.size() - 1;
        code_.push_back({text_end});
        pos_ = begin;
    }
};

}  // namespace

Tokens lex(std::string_view source) {
    return Lexer(source).run();
}

}  // namespace qo
