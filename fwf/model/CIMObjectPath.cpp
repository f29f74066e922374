#include "CIMObjectPath.h"

#include "CommonFunctions.h"

#include <algorithm>
#include <charconv>

namespace orv::cim::fwf {

namespace {

// Strings are quoted as they stand and references nest their own text form;
// numbers are written in decimal and booleans as TRUE/FALSE, as CIM object
// path texts usually show them.
std::string keyValueText(const CIMKeyBinding& key) {
    return key.visitValue([](const auto& holder) -> std::string {
        using Holder = std::decay_t<decltype(holder)>;
        if constexpr (std::is_same_v<Holder, std::monostate>) {
            return {};
        } else {
            using Element = typename Holder::Element;
            if (holder.size() == 0) return {};
            const auto& value = holder.at(0);
            if constexpr (std::is_same_v<Element, std::string>) {
                return "\"" + value + "\"";
            } else if constexpr (std::is_same_v<Element, CIMObjectPath>) {
                return value.toString();
            } else if constexpr (std::is_same_v<Element, bool>) {
                return value ? "TRUE" : "FALSE";
            } else if constexpr (std::is_floating_point_v<Element>) {
                char text[64];
                const auto written = std::to_chars(text, text + sizeof text, value);
                return std::string(text, written.ptr);
            } else {
                return std::to_string(+value);
            }
        }
    });
}

}  // namespace

CIMObjectPath::CIMObjectPath() = default;
CIMObjectPath::CIMObjectPath(std::string host, std::string nameSpace, std::string className)
    : host_(std::move(host)), nameSpace_(std::move(nameSpace)), className_(std::move(className)) {}
CIMObjectPath::CIMObjectPath(const CIMObjectPath& other) = default;
CIMObjectPath::CIMObjectPath(CIMObjectPath&& other) noexcept = default;
CIMObjectPath& CIMObjectPath::operator=(const CIMObjectPath& other) = default;
CIMObjectPath& CIMObjectPath::operator=(CIMObjectPath&& other) noexcept = default;
CIMObjectPath::~CIMObjectPath() = default;

void CIMObjectPath::setKeyBindings(const std::vector<CIMKeyBinding>& keyBindings) { keyBindings_ = keyBindings; }
void CIMObjectPath::setKeyBindings(std::vector<CIMKeyBinding>&& keyBindings) { keyBindings_ = std::move(keyBindings); }

void CIMObjectPath::addKeyBinding(const CIMKeyBinding& keyBinding) { keyBindings_.push_back(keyBinding); }
void CIMObjectPath::addKeyBinding(CIMKeyBinding&& keyBinding) { keyBindings_.push_back(std::move(keyBinding)); }
void CIMObjectPath::reserveKeyBindings(std::size_t count) { keyBindings_.reserve(count); }
std::vector<CIMKeyBinding> CIMObjectPath::releaseKeyBindings() {
    std::vector<CIMKeyBinding> released;
    released.swap(keyBindings_);
    return released;
}

CIMKeyBinding CIMObjectPath::getKeyBinding(const std::string& name) const {
    for (const auto& key : keyBindings_) {
        if (CommonFunctions::equalsIgnoreCase(key.getName(), name)) return key;
    }
    return {};
}

std::string CIMObjectPath::toString() const {
    std::string text = "//" + host_ + "/" + nameSpace_ + ":" + className_ + ".";
    for (std::size_t i = 0; i < keyBindings_.size(); ++i) {
        if (i > 0) text += ",";
        text += keyBindings_[i].getName() + "=" + keyValueText(keyBindings_[i]);
    }
    return text;
}

bool CIMObjectPath::operator==(const CIMObjectPath& other) const {
    using CommonFunctions::equalsIgnoreCase;
    if (keyBindings_.size() != other.keyBindings_.size()) return false;
    if (!equalsIgnoreCase(className_, other.className_)) return false;
    if (!equalsIgnoreCase(nameSpace_, other.nameSpace_)) return false;
    std::size_t matches = 0;
    for (const auto& mine : keyBindings_) {
        auto theirs = std::find_if(other.keyBindings_.begin(), other.keyBindings_.end(),
                                   [&](const CIMKeyBinding& key) {
                                       return CommonFunctions::equalsIgnoreCase(key.getName(), mine.getName());
                                   });
        if (theirs != other.keyBindings_.end() && mine == *theirs) ++matches;
    }
    return matches == keyBindings_.size();
}

}  // namespace orv::cim::fwf
