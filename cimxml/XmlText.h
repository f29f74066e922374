// What may stand in an XML document's text: UTF-8 that decodes, and only the
// characters XML admits (no control characters but tab and line ends, no
// surrogates, no U+FFFE or U+FFFF), whether written out or as a character
// reference. Requests are checked before they are read, and text that goes
// out is cleaned, so that no response can carry bytes a client's parser
// refuses.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orv::cimxml {

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
