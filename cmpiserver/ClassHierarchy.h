// Which class derives from which, as the server's schema says. The server
// owner fills it (from the MOF schema, or directly in tests); the broker's
// classPathIsA walks it. Class names compare without case.
#pragma once

#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orv::cmpiserver {

class ClassHierarchy {
public:
    // Adds a class, or changes its superclass; an empty superclass makes it a root.
    void addClass(std::string_view className, std::string_view superClass = {});
    bool contains(std::string_view className) const;
    std::optional<std::string> superClassOf(std::string_view className) const;
    // True when className is ancestor or derives from it. A class the
    // hierarchy does not know is only itself.
    bool isA(std::string_view className, std::string_view ancestor) const;
    std::size_t size() const;

private:
    struct Entry {
        std::string name;
        std::string superClass;
    };
    mutable std::shared_mutex mutex_;
    std::unordered_map<std::string, Entry> classes_;  // keyed by lower-case name
};

}  // namespace orv::cmpiserver
