#include "IndicationQuery.h"

#include "CimError.h"

#include <cctype>
#include <optional>
#include <variant>
#include <vector>

namespace orv::cimxml {

using cmpiserver::equalsIgnoreCase;
using cmpiserver::Instance;
using cmpiserver::Value;

namespace {

// ---- tokens ---------------------------------------------------------------------

enum class TokenKind { Word, String, Number, Symbol, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;
    std::size_t offset = 0;

    bool is(std::string_view word) const {
        return (kind == TokenKind::Word || kind == TokenKind::Symbol) && equalsIgnoreCase(text, word);
    }
    std::string shown() const { return kind == TokenKind::End ? "the end of the query" : "'" + text + "'"; }
};

[[noreturn]] void malformed(const std::string& why) {
    throw CimError(kCimErrInvalidParameter, "malformed query: " + why);
}

[[noreturn]] void unsupported(const std::string& what) {
    throw CimError(kCimErrNotSupported, what + " is not supported in indication filters");
}

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::vector<Token> tokenize(std::string_view text) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        Token token;
        token.offset = i;
        if (c == '\'' || c == '"') {
            // A doubled quote stands for one quote character inside the literal.
            token.kind = TokenKind::String;
            std::size_t j = i + 1;
            for (;; ++j) {
                if (j >= text.size()) malformed("a string literal is not closed");
                if (text[j] != c) {
                    token.text += text[j];
                } else if (j + 1 < text.size() && text[j + 1] == c) {
                    token.text += c;
                    ++j;
                } else {
                    break;
                }
            }
            i = j + 1;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   ((c == '-' || c == '+') && i + 1 < text.size() &&
                    std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
            token.kind = TokenKind::Number;
            std::size_t j = i + 1;
            while (j < text.size() && (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '.')) ++j;
            token.text = std::string(text.substr(i, j - i));
            i = j;
        } else if (isWordChar(c)) {
            token.kind = TokenKind::Word;
            std::size_t j = i;
            while (j < text.size() && isWordChar(text[j])) ++j;
            token.text = std::string(text.substr(i, j - i));
            i = j;
        } else {
            token.kind = TokenKind::Symbol;
            static const char* const pairs[] = {"<>", "<=", ">=", "!=", "::"};
            token.text = std::string(1, c);
            for (const char* pair : pairs)
                if (text.substr(i, 2) == pair) token.text = pair;
            i += token.text.size();
        }
        out.push_back(std::move(token));
    }
    Token end;
    end.offset = text.size();
    out.push_back(end);
    return out;
}

// ---- values compared by a condition ------------------------------------------------

// Numbers keep 64 integer bits in a long double, so sint64 and uint64
// properties compare exactly.
using Scalar = std::variant<std::monostate, long double, std::string, bool>;

std::optional<long double> numberFrom(const std::string& text) {
    try {
        std::size_t used = 0;
        const long double n = std::stold(text, &used);
        if (used == text.size()) return n;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

Scalar scalarOf(const Value& v) {
    if (v.isNull() || v.isArray()) return {};
    switch (v.elementType()) {
    case CMPI_boolean: return v.asBoolean();
    case CMPI_uint8:
    case CMPI_uint16:
    case CMPI_uint32:
    case CMPI_uint64:
    case CMPI_char16: return static_cast<long double>(v.asUnsigned());
    case CMPI_sint8:
    case CMPI_sint16:
    case CMPI_sint32:
    case CMPI_sint64: return static_cast<long double>(v.asSigned());
    case CMPI_real32:
    case CMPI_real64: return static_cast<long double>(v.asReal());
    case CMPI_string:
    case CMPI_dateTime: return v.asString();
    case CMPI_ref: return v.asReference().toString();
    default: return {};
    }
}

}  // namespace

// ---- the condition tree ------------------------------------------------------------------

// Three-valued, as in SQL: a comparison with a missing or NULL property is
// unknown, and NOT unknown stays unknown, so a filter never selects an
// indication on the strength of a property that is not there.
enum class Truth { False, True, Unknown };

struct Operand {
    std::optional<Scalar> literal;
    std::string embedded;  // SourceInstance in SourceInstance.Name; empty for the indication's own
    std::string property;

    const Value* find(const Instance& indication) const {
        if (embedded.empty()) return indication.property(property);
        const Value* holder = indication.property(embedded);
        if (!holder || holder->isNull() || holder->isArray() || holder->elementType() != CMPI_instance)
            return nullptr;
        return holder->asInstance().property(property);
    }
    Scalar evaluate(const Instance& indication) const {
        if (literal) return *literal;
        const Value* v = find(indication);
        return v ? scalarOf(*v) : Scalar{};
    }
};

struct IndicationQuery::Condition {
    enum class Kind { And, Or, Not, Compare, IsA };
    Kind kind = Kind::Compare;
    std::shared_ptr<const Condition> left, right;  // And, Or; Not uses left
    Operand a, b;                                   // Compare; IsA uses a
    std::string op;                                 // Compare: = <> < >
    std::string className;                          // IsA

    Truth evaluate(const Instance& indication, const ClassIsA& isA) const;
};

namespace {

using Condition = IndicationQuery::Condition;

Truth compare(const Scalar& a, const Scalar& b, const std::string& op) {
    if (std::holds_alternative<std::monostate>(a) || std::holds_alternative<std::monostate>(b)) return Truth::Unknown;
    // A number compared with a string literal takes the string as a number
    // ('6' for a uint16 severity), as WQL does.
    Scalar left = a, right = b;
    if (std::holds_alternative<long double>(left) && std::holds_alternative<std::string>(right)) {
        auto n = numberFrom(std::get<std::string>(right));
        if (!n) return Truth::Unknown;
        right = *n;
    } else if (std::holds_alternative<std::string>(left) && std::holds_alternative<long double>(right)) {
        auto n = numberFrom(std::get<std::string>(left));
        if (!n) return Truth::Unknown;
        left = *n;
    }
    if (left.index() != right.index()) return Truth::Unknown;
    const bool less = left < right;
    const bool greater = right < left;
    bool result;
    if (op == "=")
        result = !less && !greater;
    else if (op == "<>")
        result = less || greater;
    else if (std::holds_alternative<bool>(left))
        return Truth::Unknown;  // booleans have no order
    else if (op == "<")
        result = less;
    else
        result = greater;
    return result ? Truth::True : Truth::False;
}

}  // namespace

Truth Condition::evaluate(const Instance& indication, const ClassIsA& isA) const {
    switch (kind) {
    case Kind::And: {
        const Truth l = left->evaluate(indication, isA);
        if (l == Truth::False) return Truth::False;
        const Truth r = right->evaluate(indication, isA);
        if (r == Truth::False) return Truth::False;
        return l == Truth::True && r == Truth::True ? Truth::True : Truth::Unknown;
    }
    case Kind::Or: {
        const Truth l = left->evaluate(indication, isA);
        if (l == Truth::True) return Truth::True;
        const Truth r = right->evaluate(indication, isA);
        if (r == Truth::True) return Truth::True;
        return l == Truth::False && r == Truth::False ? Truth::False : Truth::Unknown;
    }
    case Kind::Not: {
        const Truth inner = left->evaluate(indication, isA);
        if (inner == Truth::Unknown) return inner;
        return inner == Truth::True ? Truth::False : Truth::True;
    }
    case Kind::Compare: return compare(a.evaluate(indication), b.evaluate(indication), op);
    case Kind::IsA: {
        const Value* v = a.find(indication);
        if (!v || v->isNull() || v->isArray()) return Truth::Unknown;
        std::string actual;
        if (v->elementType() == CMPI_instance)
            actual = v->asInstance().path.className;
        else if (v->elementType() == CMPI_ref)
            actual = v->asReference().className;
        else
            return Truth::Unknown;
        return isA(actual, className) ? Truth::True : Truth::False;
    }
    }
    return Truth::Unknown;
}

namespace {

// ---- the parser ----------------------------------------------------------------------

// query     := SELECT '*' FROM class [WHERE or] end
// or        := and {OR and}
// and       := not {AND not}
// not       := NOT not | '(' or ')' | test
// test      := operand ('=' | '<>' | '<' | '>') operand | property ISA class
// operand   := property | 'text' | number | TRUE | FALSE
// property  := name ['.' name]
class Parser {
public:
    explicit Parser(std::string_view text) : tokens_(tokenize(text)) {}

    void query(std::string& fromClass, std::shared_ptr<const Condition>& where) {
        expectWord("SELECT");
        if (!peek().is("*")) {
            if (peek().kind == TokenKind::Word && !peek().is("FROM")) unsupported("a property list after SELECT");
            malformed("SELECT must be followed by *, not " + peek().shown());
        }
        next();
        expectWord("FROM");
        fromClass = className("FROM");
        fromClass_ = fromClass;
        if (peek().is(",")) unsupported("selecting from more than one class");
        if (peek().is("WHERE")) {
            next();
            where = disjunction();
        }
        if (peek().kind != TokenKind::End) {
            if (peek().kind == TokenKind::Word) unsupported("'" + peek().text + "'");
            malformed("unexpected " + peek().shown());
        }
    }

private:
    const Token& peek() const { return tokens_[position_]; }
    const Token& next() { return tokens_[position_ < tokens_.size() - 1 ? position_++ : position_]; }

    void expectWord(const char* word) {
        if (!peek().is(word)) malformed(std::string("expected ") + word + " but found " + peek().shown());
        next();
    }

    std::string className(const char* after) {
        if (peek().kind != TokenKind::Word || isKeyword(peek()))
            malformed(std::string("expected a class name after ") + after + " but found " + peek().shown());
        return next().text;
    }

    static bool isKeyword(const Token& t) {
        for (const char* word : {"SELECT", "FROM", "WHERE", "AND", "OR", "NOT", "ISA", "TRUE", "FALSE", "NULL",
                                 "LIKE", "IS"})
            if (t.is(word)) return true;
        return false;
    }

    std::shared_ptr<const Condition> combine(Condition::Kind kind, std::shared_ptr<const Condition> left,
                                             std::shared_ptr<const Condition> right) {
        auto node = std::make_shared<Condition>();
        node->kind = kind;
        node->left = std::move(left);
        node->right = std::move(right);
        return node;
    }

    std::shared_ptr<const Condition> disjunction() {
        auto left = conjunction();
        while (peek().is("OR")) {
            next();
            left = combine(Condition::Kind::Or, left, conjunction());
        }
        return left;
    }

    std::shared_ptr<const Condition> conjunction() {
        auto left = negation();
        while (peek().is("AND")) {
            next();
            left = combine(Condition::Kind::And, left, negation());
        }
        return left;
    }

    std::shared_ptr<const Condition> negation() {
        if (peek().is("NOT")) {
            next();
            return combine(Condition::Kind::Not, negation(), nullptr);
        }
        if (peek().is("(")) {
            next();
            auto inner = disjunction();
            if (!peek().is(")")) malformed("expected ')' but found " + peek().shown());
            next();
            return inner;
        }
        return test();
    }

    std::shared_ptr<const Condition> test() {
        auto node = std::make_shared<Condition>();
        node->a = operand();
        const Token& op = peek();
        if (op.is("ISA")) {
            if (node->a.literal) malformed("ISA needs a property on its left");
            next();
            node->kind = Condition::Kind::IsA;
            node->className = className("ISA");
            return node;
        }
        if (op.is("=") || op.is("<>") || op.is("<") || op.is(">")) {
            node->kind = Condition::Kind::Compare;
            node->op = next().text;
            node->b = operand();
            return node;
        }
        if (op.is("<=") || op.is(">=") || op.is("!=") || op.is("LIKE") || op.is("IS"))
            unsupported("the operator " + op.text);
        malformed("expected a comparison but found " + op.shown());
    }

    Operand operand() {
        const Token& t = peek();
        Operand out;
        if (t.kind == TokenKind::String) {
            out.literal = Scalar{next().text};
        } else if (t.kind == TokenKind::Number) {
            auto n = numberFrom(t.text);
            if (!n) malformed("'" + t.text + "' is not a number");
            next();
            out.literal = Scalar{*n};
        } else if (t.is("TRUE") || t.is("FALSE")) {
            out.literal = Scalar{next().is("TRUE")};
        } else if (t.is("NULL")) {
            unsupported("NULL");
        } else if (t.kind == TokenKind::Word && !isKeyword(t)) {
            std::string first = next().text;
            if (peek().is("(")) unsupported("the function " + first);
            if (peek().is("::")) unsupported("scoped property names (::)");
            if (peek().is(".")) {
                next();
                if (peek().kind != TokenKind::Word) malformed("expected a property name after '.'");
                std::string second = next().text;
                if (peek().is(".")) unsupported("property paths deeper than one embedded instance");
                if (peek().is("::")) unsupported("scoped property names (::)");
                // The FROM class may qualify the indication's own properties.
                if (equalsIgnoreCase(first, fromClass_))
                    out.property = second;
                else {
                    out.embedded = first;
                    out.property = second;
                }
            } else {
                out.property = first;
            }
        } else {
            malformed("expected a property or a literal but found " + t.shown());
        }
        return out;
    }

    std::vector<Token> tokens_;
    std::size_t position_ = 0;
    std::string fromClass_;
};

bool supportedLanguage(std::string_view language) {
    for (const char* name : {"WQL", "DMTF:CQL", "CIM:CQL", "CQL"})
        if (equalsIgnoreCase(language, name)) return true;
    return false;
}

}  // namespace

IndicationQuery IndicationQuery::parse(std::string_view text, std::string_view language) {
    if (!supportedLanguage(language))
        throw CimError(kCimErrNotSupported,
                       "the query language '" + std::string(language) + "' is not supported; use WQL or DMTF:CQL");
    IndicationQuery out;
    Parser(text).query(out.fromClass_, out.where_);
    return out;
}

bool IndicationQuery::matches(const Instance& indication, const ClassIsA& isA) const {
    if (!isA(indication.path.className, fromClass_)) return false;
    return !where_ || where_->evaluate(indication, isA) == Truth::True;
}

}  // namespace orv::cimxml
