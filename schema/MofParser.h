// Reading MOF text into class declarations; the class table's only entry to
// the text. Not part of the public interface.
#pragma once

#include "ClassTable.h"

#include <functional>
#include <set>
#include <string>
#include <string_view>

namespace orv::schema::detail {

class MofParser {
public:
    // Called for every class, in text order; it may throw MofError (for a
    // duplicate or an unknown superclass) to stop the reading.
    using ClassSink = std::function<void(ClassDecl&&)>;

    explicit MofParser(ClassSink sink) : sink_(std::move(sink)) {}

    void parseFile(const std::string& path);
    // Includes in the text are read relative to baseDirectory.
    void parseText(std::string_view text, const std::string& sourceName,
                   const std::string& baseDirectory);

private:
    ClassSink sink_;
    std::set<std::string> openFiles_;  // files being read, to refuse include cycles
};

std::string toLower(std::string_view text);
bool equalsNoCase(std::string_view a, std::string_view b);

}  // namespace orv::schema::detail
