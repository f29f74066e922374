// Looking for things in the text a program printed or a file holds.
#pragma once

#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

namespace orv::test {

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// How often part occurs in text, overlapping occurrences included.
inline std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The lines of a text that are not empty.
inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) out.push_back(line);
    return out;
}

}  // namespace orv::test
