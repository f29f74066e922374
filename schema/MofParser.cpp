#include "MofParser.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace orv::schema::detail {

std::string toLower(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

namespace {

enum class TokenKind { Identifier, String, Number, Char, Punct, Pragma, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;  // strings: escapes resolved; punctuation: the character
    std::size_t line = 0;
};

std::string describe(const Token& token) {
    switch (token.kind) {
    case TokenKind::End: return "end of file";
    case TokenKind::String: return "string \"" + token.text + "\"";
    case TokenKind::Pragma: return "#pragma";
    default: return "'" + token.text + "'";
    }
}

void appendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class Lexer {
public:
    Lexer(std::string_view text, std::string file) : text_(text), file_(std::move(file)) {}

    Token next() {
        skipBlanksAndComments();
        Token token;
        token.line = line_;
        if (pos_ >= text_.size()) return token;
        const char c = text_[pos_];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            token.kind = TokenKind::Identifier;
            while (pos_ < text_.size() &&
                   (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
                token.text += text_[pos_++];
            return token;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            ((c == '-' || c == '+' || c == '.') && pos_ + 1 < text_.size() &&
             std::isdigit(static_cast<unsigned char>(text_[pos_ + 1])))) {
            token.kind = TokenKind::Number;
            token.text += text_[pos_++];
            while (pos_ < text_.size()) {
                const char d = text_[pos_];
                const bool exponentSign = (d == '-' || d == '+') && !token.text.empty() &&
                                          (token.text.back() == 'e' || token.text.back() == 'E') &&
                                          token.text.find_first_of("xX") == std::string::npos;
                if (!std::isalnum(static_cast<unsigned char>(d)) && d != '.' && !exponentSign) break;
                token.text += d;
                ++pos_;
            }
            return token;
        }
        if (c == '"') {
            token.kind = TokenKind::String;
            ++pos_;
            token.text = readQuoted('"');
            return token;
        }
        if (c == '\'') {
            token.kind = TokenKind::Char;
            ++pos_;
            token.text = "'" + readQuoted('\'') + "'";
            return token;
        }
        if (c == '#') {
            ++pos_;
            std::string word;
            while (pos_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[pos_])))
                word += text_[pos_++];
            if (!equalsNoCase(word, "pragma")) fail("unknown directive '#" + word + "'");
            token.kind = TokenKind::Pragma;
            token.text = "#pragma";
            return token;
        }
        if (std::string_view("[](){},;:=").find(c) != std::string_view::npos) {
            token.kind = TokenKind::Punct;
            token.text = std::string(1, c);
            ++pos_;
            return token;
        }
        fail(std::string("unexpected character '") + c + "'");
    }

    [[noreturn]] void fail(const std::string& what) const { throw MofError({file_, line_}, what); }

private:
    void skipBlanksAndComments() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '*') {
                const std::size_t startLine = line_;
                pos_ += 2;
                while (pos_ + 1 < text_.size() && !(text_[pos_] == '*' && text_[pos_ + 1] == '/')) {
                    if (text_[pos_] == '\n') ++line_;
                    ++pos_;
                }
                if (pos_ + 1 >= text_.size()) throw MofError({file_, startLine}, "unterminated comment");
                pos_ += 2;
            } else {
                return;
            }
        }
    }

    std::string readQuoted(char quote) {
        const std::size_t startLine = line_;
        std::string out;
        while (true) {
            if (pos_ >= text_.size() || text_[pos_] == '\n')
                throw MofError({file_, startLine}, quote == '"' ? "unterminated string" : "unterminated character");
            const char c = text_[pos_++];
            if (c == quote) return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) continue;
            const char e = text_[pos_++];
            switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'x':
            case 'X': {
                std::string digits;
                while (pos_ < text_.size() && digits.size() < 4 &&
                       std::isxdigit(static_cast<unsigned char>(text_[pos_])))
                    digits += text_[pos_++];
                if (digits.empty()) fail("escape \\x without hexadecimal digits");
                appendUtf8(out, std::stoul(digits, nullptr, 16));
                break;
            }
            default: out += e; break;  // \" \' \\ and anything else stand for themselves
            }
        }
    }

    std::string_view text_;
    std::string file_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};

class Parser {
public:
    Parser(std::string_view text, const std::string& file, std::string baseDirectory,
           const MofParser::ClassSink& sink,
           const std::function<void(const std::string&, const SourceLocation&)>& include)
        : lexer_(text, file), file_(file), baseDirectory_(std::move(baseDirectory)), sink_(sink),
          include_(include) {
        advance();
    }

    void parseAll() {
        while (current_.kind != TokenKind::End) parseProduction();
    }

private:
    void advance() { current_ = lexer_.next(); }

    [[noreturn]] void failAt(const Token& token, const std::string& what) const {
        throw MofError({file_, token.line}, what);
    }
    [[noreturn]] void expected(const std::string& what) const {
        failAt(current_, "expected " + what + ", found " + describe(current_));
    }

    bool atPunct(char c) const { return current_.kind == TokenKind::Punct && current_.text[0] == c; }
    bool atWord(std::string_view word) const {
        return current_.kind == TokenKind::Identifier && equalsNoCase(current_.text, word);
    }
    void expectPunct(char c, const std::string& context) {
        if (!atPunct(c)) expected(std::string("'") + c + "'" + (context.empty() ? "" : " " + context));
        advance();
    }
    std::string expectIdentifier(const std::string& what) {
        if (current_.kind != TokenKind::Identifier) expected(what);
        std::string name = current_.text;
        advance();
        return name;
    }

    void parseProduction() {
        if (current_.kind == TokenKind::Pragma) {
            parsePragma();
            return;
        }
        if (atWord("Qualifier")) {
            parseQualifierDeclaration();
            return;
        }
        QualifierList qualifiers;
        const Token start = current_;
        if (atPunct('[')) qualifiers = parseQualifierList();
        if (atWord("class")) {
            parseClass(std::move(qualifiers), start.line);
            return;
        }
        if (atWord("instance")) failAt(current_, "instance declarations are not supported");
        expected("'class', 'Qualifier' or '#pragma'");
    }

    void parsePragma() {
        const Token start = current_;
        advance();
        const std::string name = expectIdentifier("pragma name");
        expectPunct('(', "after #pragma " + name);
        std::string argument;
        if (current_.kind == TokenKind::String) argument = parseStrings();
        else if (current_.kind == TokenKind::Identifier || current_.kind == TokenKind::Number) advance();
        expectPunct(')', "to close #pragma " + name);
        if (equalsNoCase(name, "include")) {
            if (argument.empty()) failAt(start, "#pragma include needs a file name");
            std::filesystem::path target(argument);
            if (target.is_relative()) target = std::filesystem::path(baseDirectory_) / target;
            include_(target.lexically_normal().string(), SourceLocation{file_, start.line});
        }
        // Other pragmas (locale, namespace, instancelocale...) concern the
        // compiler's target, not the schema.
    }

    // Qualifier Name : type [array] [= default], Scope(...), Flavor(...);
    void parseQualifierDeclaration() {
        advance();
        const std::string name = expectIdentifier("qualifier name");
        expectPunct(':', "after qualifier name " + name);
        const std::string typeWord = expectIdentifier("type of qualifier " + name);
        if (!typeFromName(typeWord) || equalsNoCase(typeWord, "ref")) failAt(current_, "unknown type '" + typeWord + "'");
        if (atPunct('[')) parseArraySuffix();
        if (atPunct('=')) {
            advance();
            parseValue();
        }
        while (atPunct(',')) {
            advance();
            expectIdentifier("Scope or Flavor");
            expectPunct('(', "");
            while (!atPunct(')')) {
                expectIdentifier("scope or flavor name");
                if (atPunct(',')) advance();
                else if (!atPunct(')')) expected("',' or ')'");
            }
            advance();
        }
        expectPunct(';', "after qualifier declaration " + name);
    }

    QualifierList parseQualifierList() {
        QualifierList list;
        expectPunct('[', "");
        while (true) {
            Qualifier qualifier;
            qualifier.name = expectIdentifier("qualifier name");
            if (atPunct('(')) {
                advance();
                qualifier.value = parseValue();
                expectPunct(')', "to close qualifier " + qualifier.name);
            } else if (atPunct('{')) {
                qualifier.value = parseValue();
            }
            if (atPunct(':')) {
                advance();
                while (current_.kind == TokenKind::Identifier) qualifier.flavors.push_back(expectIdentifier("flavor"));
            }
            list.add(std::move(qualifier));
            if (atPunct(',')) {
                advance();
                continue;
            }
            expectPunct(']', "to close the qualifier list");
            return list;
        }
    }

    std::string parseStrings() {
        std::string text;
        while (current_.kind == TokenKind::String) {  // adjacent strings join
            text += current_.text;
            advance();
        }
        return text;
    }

    Value::Scalar parseScalar() {
        Value::Scalar scalar;
        switch (current_.kind) {
        case TokenKind::String:
            scalar.kind = Value::Kind::String;
            scalar.text = parseStrings();
            return scalar;
        case TokenKind::Number:
            scalar.kind = Value::Kind::Number;
            scalar.text = current_.text;
            advance();
            return scalar;
        case TokenKind::Char:
            scalar.kind = Value::Kind::Char;
            scalar.text = current_.text;
            advance();
            return scalar;
        case TokenKind::Identifier:
            if (atWord("true") || atWord("false")) {
                scalar.kind = Value::Kind::Boolean;
                scalar.text = toLower(current_.text);
                advance();
                return scalar;
            }
            if (atWord("null")) {
                advance();
                return scalar;
            }
            break;
        default: break;
        }
        expected("a value");
    }

    Value parseValue() {
        Value value;
        if (atPunct('{')) {
            advance();
            value.isArray = true;
            while (!atPunct('}')) {
                value.elements.push_back(parseScalar());
                if (atPunct(',')) advance();
                else if (!atPunct('}')) expected("',' or '}' in the array value");
            }
            advance();
            return value;
        }
        value.elements.push_back(parseScalar());
        return value;
    }

    // "[]" or "[n]" after a name.
    std::optional<std::size_t> parseArraySuffix() {
        expectPunct('[', "");
        std::optional<std::size_t> size;
        if (current_.kind == TokenKind::Number) {
            try {
                size = static_cast<std::size_t>(std::stoul(current_.text));
            } catch (const std::exception&) {
                failAt(current_, "bad array size '" + current_.text + "'");
            }
            advance();
        }
        expectPunct(']', "to close the array size");
        return size;
    }

    struct TypeSpec {
        CimType type = CimType::String;
        std::string referenceClass;
    };

    // A data type word, or "<Class> REF".
    TypeSpec parseType(const std::string& context) {
        const Token start = current_;
        const std::string word = expectIdentifier("a type " + context);
        TypeSpec spec;
        if (atWord("REF")) {
            advance();
            spec.type = CimType::Reference;
            spec.referenceClass = word;
            return spec;
        }
        const auto type = typeFromName(word);
        if (!type || *type == CimType::Reference) failAt(start, "unknown type '" + word + "' " + context);
        spec.type = *type;
        return spec;
    }

    void parseClass(QualifierList qualifiers, std::size_t line) {
        advance();  // class
        ClassDecl decl;
        decl.qualifiers = std::move(qualifiers);
        decl.location = {file_, line};
        decl.name = expectIdentifier("class name");
        if (atPunct(':')) {
            advance();
            decl.superClass = expectIdentifier("superclass name of " + decl.name);
        }
        expectPunct('{', "to open class " + decl.name);
        while (!atPunct('}')) {
            if (current_.kind == TokenKind::End) expected("'}' to close class " + decl.name);
            parseFeature(decl);
        }
        advance();
        expectPunct(';', "after class " + decl.name);
        sink_(std::move(decl));
    }

    void parseFeature(ClassDecl& decl) {
        const Token start = current_;
        QualifierList qualifiers;
        if (atPunct('[')) qualifiers = parseQualifierList();
        const TypeSpec spec = parseType("in class " + decl.name);
        const std::string name = expectIdentifier("a property or method name in class " + decl.name);
        for (const auto& p : decl.properties)
            if (equalsNoCase(p.name, name)) failAt(start, "property " + name + " declared twice in class " + decl.name);
        for (const auto& m : decl.methods)
            if (equalsNoCase(m.name, name)) failAt(start, "method " + name + " declared twice in class " + decl.name);

        if (atPunct('(')) {
            Method method;
            method.name = name;
            method.returnType = spec.type;
            method.qualifiers = std::move(qualifiers);
            method.originClass = decl.name;
            method.location = {file_, start.line};
            if (spec.type == CimType::Reference) failAt(start, "method " + name + " cannot return a reference");
            advance();
            while (!atPunct(')')) {
                method.parameters.push_back(parseParameter(decl.name + "." + name));
                if (atPunct(',')) advance();
                else if (!atPunct(')')) expected("',' or ')' in the parameters of " + decl.name + "." + name);
            }
            advance();
            expectPunct(';', "after method " + decl.name + "." + name);
            decl.methods.push_back(std::move(method));
            return;
        }

        Property property;
        property.name = name;
        property.type = spec.type;
        property.referenceClass = spec.referenceClass;
        property.qualifiers = std::move(qualifiers);
        property.originClass = decl.name;
        property.location = {file_, start.line};
        if (atPunct('[')) {
            if (spec.type == CimType::Reference) failAt(current_, "reference " + name + " cannot be an array");
            property.isArray = true;
            property.arraySize = parseArraySuffix();
        }
        if (atPunct('=')) {
            advance();
            property.defaultValue = parseValue();
        }
        expectPunct(';', "after property " + decl.name + "." + name);
        decl.properties.push_back(std::move(property));
    }

    Parameter parseParameter(const std::string& methodName) {
        Parameter parameter;
        if (atPunct('[')) parameter.qualifiers = parseQualifierList();
        const TypeSpec spec = parseType("of a parameter of " + methodName);
        parameter.type = spec.type;
        parameter.referenceClass = spec.referenceClass;
        parameter.name = expectIdentifier("a parameter name in " + methodName);
        if (atPunct('[')) {
            parameter.isArray = true;
            parseArraySuffix();
        }
        if (atPunct('=')) {  // a default for a parameter says nothing the table keeps
            advance();
            parseValue();
        }
        return parameter;
    }

    Lexer lexer_;
    std::string file_;
    std::string baseDirectory_;
    const MofParser::ClassSink& sink_;
    const std::function<void(const std::string&, const SourceLocation&)>& include_;
    Token current_;
};

}  // namespace

void MofParser::parseFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw MofError({path, 0}, "cannot open the file");
    std::ostringstream text;
    text << in.rdbuf();
    const std::string canonical = std::filesystem::path(path).lexically_normal().string();
    if (!openFiles_.insert(canonical).second) throw MofError({path, 0}, "the file includes itself");
    try {
        parseText(text.str(), path, std::filesystem::path(path).parent_path().string());
    } catch (...) {
        openFiles_.erase(canonical);
        throw;
    }
    openFiles_.erase(canonical);
}

void MofParser::parseText(std::string_view text, const std::string& sourceName, const std::string& baseDirectory) {
    const std::function<void(const std::string&, const SourceLocation&)> include =
        [this](const std::string& target, const SourceLocation& where) {
            // A name the system cannot look up (too long, say) is the
            // MOF's fault like a missing file, not the reader's.
            std::error_code lookup;
            const bool exists = std::filesystem::exists(target, lookup);
            if (lookup) throw MofError(where, "included file " + target + " cannot be read: " + lookup.message());
            if (!exists) throw MofError(where, "included file " + target + " does not exist");
            parseFile(target);
        };
    Parser parser(text, sourceName, baseDirectory.empty() ? "." : baseDirectory, sink_, include);
    parser.parseAll();
}

}  // namespace orv::schema::detail
