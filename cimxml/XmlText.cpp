#include "XmlText.h"

#include <cstdint>
#include <cstdio>

namespace orv::cimxml {

namespace {

constexpr std::uint32_t kUndecodable = 0xFFFFFFFF;

bool isXmlChar(std::uint32_t c) {
    if (c < 0x20) return c == 0x9 || c == 0xA || c == 0xD;
    if (c <= 0xD7FF) return true;
    if (c < 0xE000) return false;  // surrogates
    if (c <= 0xFFFD) return true;
    return c >= 0x10000 && c <= 0x10FFFF;
}

// Decodes the character at `pos` and moves past it; an undecodable byte
// (a stray continuation byte, a truncated or overlong sequence, a surrogate
// or a value beyond U+10FFFF) gives kUndecodable and moves one byte on.
std::uint32_t nextCharacter(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length;
    std::uint32_t code;
    std::uint32_t smallest;
    if ((lead & 0xE0) == 0xC0) { length = 2; code = lead & 0x1F; smallest = 0x80; }
    else if ((lead & 0xF0) == 0xE0) { length = 3; code = lead & 0x0F; smallest = 0x800; }
    else if ((lead & 0xF8) == 0xF0) { length = 4; code = lead & 0x07; smallest = 0x10000; }
    else { ++pos; return kUndecodable; }
    if (pos + length > text.size()) { ++pos; return kUndecodable; }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) { ++pos; return kUndecodable; }
        code = (code << 6) | (next & 0x3F);
    }
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) { ++pos; return kUndecodable; }
    pos += length;
    return code;
}

// The character a reference "&#N;" or "&#xH;" starting at `pos` stands
// for; nothing when the text there is not a complete numeric reference
// (the XML reader judges that on its own).
std::optional<std::uint32_t> referencedCharacter(std::string_view text, std::size_t pos) {
    std::size_t i = pos + 2;
    const bool hex = i < text.size() && text[i] == 'x';
    if (hex) ++i;
    std::uint64_t code = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] != ';'; ++i, ++digits) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return std::nullopt;
        code = code * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (code > 0x10FFFF) code = 0x110000;  // beyond any character; stop growing
    }
    if (i == text.size() || digits == 0) return std::nullopt;
    return static_cast<std::uint32_t>(code);
}

// Printable ASCII, tab and line ends, but for two bytes: looked up, since
// every byte of every request is.
template <char First, char Second>
struct AsciiTextBytes {
    bool allowed[256] = {};
    constexpr AsciiTextBytes() {
        for (int c = 0x20; c < 0x80; ++c) allowed[c] = c != First && c != Second;
        allowed[static_cast<unsigned char>('\t')] = allowed[static_cast<unsigned char>('\n')] =
            allowed[static_cast<unsigned char>('\r')] = true;
    }
};

// Acceptable characters that, outside comments and the like, neither open
// markup nor start a reference.
constexpr AsciiTextBytes<'<', '&'> kPlainTextBytes;

bool plainText(unsigned char byte) { return kPlainTextBytes.allowed[byte]; }

// Bytes that cannot make a document faulty: neither a reference ("&") nor
// a declaration ("<!"). Most requests are made of nothing else.
constexpr AsciiTextBytes<'&', '!'> kQuietBytes;

// The five entities every XML document may use without declaring them.
bool predefinedEntity(std::string_view text) {
    for (const std::string_view name : {"&lt;", "&gt;", "&amp;", "&apos;", "&quot;"})
        if (text.substr(0, name.size()) == name) return true;
    return false;
}

std::string hexCode(std::uint32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
    return text;
}

}  // namespace

std::optional<std::string> xmlTextFault(std::string_view document) {
    const auto quiet = [](std::uint64_t word) {
        return (word & kHighBits) | bytesBelow(word, 0x20) | bytesEqual(word, '&') | bytesEqual(word, '!');
    };
    if (skipPlainBytes(document, 0, quiet, [](unsigned char byte) { return kQuietBytes.allowed[byte]; }) ==
        document.size())
        return std::nullopt;
    std::size_t pos = 0;
    // Inside a comment, CDATA section or processing instruction "&" is
    // text, not a reference.
    std::string_view closing;
    while (pos < document.size()) {
        // Most of a request is plain ASCII that starts no markup: passed
        // over byte by byte without decoding.
        if (closing.empty()) {
            pos = skipPlainBytes(
                document, pos,
                [](std::uint64_t word) {
                    return (word & kHighBits) | bytesBelow(word, 0x20) | bytesEqual(word, '<') | bytesEqual(word, '&');
                },
                plainText);
            if (pos == document.size()) break;
        }
        const std::size_t at = pos;
        const std::uint32_t c = nextCharacter(document, pos);
        if (c == kUndecodable) return "the request is not valid UTF-8 (byte " + std::to_string(at) + ")";
        if (!isXmlChar(c))
            return "the request holds the character " + hexCode(c) + ", which XML does not allow (byte " +
                   std::to_string(at) + ")";
        if (!closing.empty()) {
            if (document.compare(at, closing.size(), closing) == 0) {
                pos = at + closing.size();
                closing = {};
            }
            continue;
        }
        // A tag of an element: only "<!" and "<?" open something to look into.
        if (c == '<' && at + 1 < document.size() && document[at + 1] != '!' && document[at + 1] != '?') continue;
        if (c == '<' && document.compare(at, 4, "<!--") == 0) {
            closing = "-->";
            pos = at + 4;
        } else if (c == '<' && document.compare(at, 9, "<![CDATA[") == 0) {
            closing = "]]>";
            pos = at + 9;
        } else if (c == '<' && document.compare(at, 2, "<?") == 0) {
            closing = "?>";
            pos = at + 2;
        } else if (c == '<' && document.compare(at, 9, "<!DOCTYPE") == 0) {
            // Entities a request declares could expand a few bytes into
            // gigabytes or read the server's files; none is expanded, and a
            // request that declares them is not served half-read either. A
            // declaration that only names the DTD declares nothing here (the
            // reader never fetches it) and some clients send one.
            const std::size_t end = document.find('>', at);
            if (end == std::string_view::npos || document.find('[', at) < end)
                return "the request declares its own document type, which is not accepted (byte " +
                       std::to_string(at) + ")";
            pos = end + 1;
        } else if (c == '&' && document.compare(at, 2, "&#") == 0) {
            const auto referenced = referencedCharacter(document, at);
            if (referenced && !isXmlChar(*referenced))
                return "the request refers to a character XML does not allow (byte " + std::to_string(at) + ")";
        } else if (c == '&' && !predefinedEntity(document.substr(at))) {
            return "the request refers to an entity XML does not predefine (byte " + std::to_string(at) + ")";
        }
    }
    return std::nullopt;
}

bool isXmlSafe(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')) {
            std::size_t pos = 0;
            while (pos < text.size())
                if (!isXmlChar(nextCharacter(text, pos))) return false;
            return true;
        }
    }
    return true;
}

std::string xmlSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t at = pos;
        const std::uint32_t c = nextCharacter(text, pos);
        if (c != kUndecodable && isXmlChar(c))
            out.append(text.substr(at, pos - at));
        else
            out += "\xEF\xBF\xBD";
    }
    return out;
}

}  // namespace orv::cimxml
