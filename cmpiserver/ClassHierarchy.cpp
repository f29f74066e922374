#include "ClassHierarchy.h"

#include "Value.h"

#include <mutex>

namespace orv::cmpiserver {

void ClassHierarchy::addClass(std::string_view className, std::string_view superClass) {
    std::unique_lock lock(mutex_);
    classes_[toLower(className)] = Entry{std::string(className), std::string(superClass)};
}

bool ClassHierarchy::contains(std::string_view className) const {
    std::shared_lock lock(mutex_);
    return classes_.count(toLower(className)) != 0;
}

std::optional<std::string> ClassHierarchy::superClassOf(std::string_view className) const {
    std::shared_lock lock(mutex_);
    auto found = classes_.find(toLower(className));
    if (found == classes_.end() || found->second.superClass.empty()) return std::nullopt;
    return found->second.superClass;
}

bool ClassHierarchy::isA(std::string_view className, std::string_view ancestor) const {
    std::shared_lock lock(mutex_);
    std::string current = toLower(className);
    const std::string wanted = toLower(ancestor);
    // A schema with a cycle is broken; the bound keeps the walk finite.
    for (std::size_t steps = 0; steps <= classes_.size(); ++steps) {
        if (current == wanted) return true;
        auto found = classes_.find(current);
        if (found == classes_.end() || found->second.superClass.empty()) return false;
        current = toLower(found->second.superClass);
    }
    return false;
}

std::size_t ClassHierarchy::size() const {
    std::shared_lock lock(mutex_);
    return classes_.size();
}

}  // namespace orv::cmpiserver
