// What may stand in an XML document's text: UTF-8 that decodes, and only the
// characters XML admits (no control characters but tab and line ends, no
// surrogates, no U+FFFE or U+FFFF), whether written out or as a character
// reference. Requests are checked before they are read, and text that goes
// out is cleaned, so that no response can carry bytes a client's parser
// refuses.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace orv::cimxml {

// The position of the first byte at or after `pos` that `plain` refuses, or
// the text's size. Text is looked at eight bytes at a time: `suspects` gives
// for a word of eight bytes a mask with the high bit set under every byte
// `plain` may refuse, at least under each one it does refuse, and its lowest
// bit set under a refused byte or one `plain` is then asked about. Requests
// and answers are made of long runs of such bytes.
template <class Suspects, class Plain>
std::size_t skipPlainBytes(std::string_view text, std::size_t pos, Suspects suspects, Plain plain) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    while (pos + 8 <= text.size()) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + pos, 8);
        const std::uint64_t suspect = suspects(word);
        if (suspect == 0) {
            pos += 8;
            continue;
        }
        pos += static_cast<std::size_t>(__builtin_ctzll(suspect)) / 8;
        if (!plain(static_cast<unsigned char>(text[pos]))) return pos;
        ++pos;
    }
#endif
    while (pos < text.size() && plain(static_cast<unsigned char>(text[pos]))) ++pos;
    return pos;
}

// Masks for skipPlainBytes: the high bit of each byte below n, or equal to c.
// The lowest bit set is always under such a byte; bits above it may not be.
constexpr std::uint64_t kEveryByte = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
constexpr std::uint64_t bytesBelow(std::uint64_t word, unsigned n) {
    return (word - n * kEveryByte) & ~word & kHighBits;
}
constexpr std::uint64_t bytesEqual(std::uint64_t word, unsigned c) { return bytesBelow(word ^ (c * kEveryByte), 1); }

// Why the document is not acceptable XML text, naming the byte offset but
// never the offending bytes; nothing when every character is acceptable.
// Character references are checked too, outside comments and CDATA sections;
// a document type declaration with declarations of its own and a reference
// to any entity but the five predefined ones are faults, as this reader
// declares none.
std::optional<std::string> xmlTextFault(std::string_view document);

// True when the text can go into an element or attribute as it is.
bool isXmlSafe(std::string_view text);
// The text with each undecodable byte and each character XML does not admit
// replaced by U+FFFD.
std::string xmlSafe(std::string_view text);

}  // namespace orv::cimxml
