#include "StoragePluginSupport.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "Logger.h"
#include "OneSystemRequest.h"
#include "RaidLibraryAccess.h"

namespace orv::cim::fwf::storage {

std::string controllerName(uint32_t contrId) { return "AmbrixController_" + std::to_string(contrId); }

std::string controllerTag(uint32_t contrId) { return "Ambrix_" + std::to_string(contrId); }

uint32_t keyFieldNumber(const std::string& keyValue, int field) {
    return static_cast<uint32_t>(std::atoi(CommonFunctions::token(keyValue, field).c_str()));
}

std::optional<std::string> stringKeyValue(const CIMObjectPath& path, const std::string& keyName) {
    const CIMKeyBinding key = path.getKeyBinding(keyName);
    if (key.getName().empty() || key.getType() != CIM_STRING) return std::nullopt;
    const std::vector<std::string> values = key.getValue<std::string>();
    if (values.empty()) return std::nullopt;
    return values.front();
}

bool isClass(const CIMObjectPath& path, const std::string& className) {
    return CommonFunctions::toLower(path.getClassName()) == CommonFunctions::toLower(className);
}

std::optional<uint32_t> controllerNamed(const std::string& systemName) {
    constexpr std::string_view kPrefix = "AmbrixController_";
    if (systemName.size() <= kPrefix.size() || systemName.compare(0, kPrefix.size(), kPrefix) != 0)
        return std::nullopt;
    uint32_t contrId = 0;
    const char* digits = systemName.data() + kPrefix.size();
    const char* end = systemName.data() + systemName.size();
    const auto [stop, error] = std::from_chars(digits, end, contrId);
    if (error != std::errc() || stop != end || controllerName(contrId) != systemName) return std::nullopt;
    return contrId;
}

uint32_t readLibraryClass(const std::string& libraryClass, RepositoryObjects& out, const char* qualifiedName) {
    // An enumeration for one controller copies only that controller's objects
    // (and those of none) out of the library's cache.
    if (const auto contrId = controllerNamed(requestedSystem()))
        return requireRaidLibrary(qualifiedName).getStorageClassOfController(libraryClass, *contrId, out);
    return requireRaidLibrary(qualifiedName).getStorageClass(libraryClass, out);
}

uint32_t readLibraryObject(const std::string& libraryClass, const orv::raidlib::PropertyContainer& keys,
                           orv::raidlib::PropertyContainer& out, const char* qualifiedName) {
    return requireRaidLibrary(qualifiedName).getObjectInstance(libraryClass, keys, out);
}

orv::raidlib::PropertyContainer libraryKeys(uint32_t contrId) {
    orv::raidlib::PropertyContainer keys;
    keys.insertInt("contrId", contrId, true);
    return keys;
}

LibraryPropertyReader::LibraryPropertyReader(const orv::raidlib::PropertyContainer& object,
                                             const char* objectKind, int failureLevel)
    : object_(object), objectKind_(objectKind), failureLevel_(failureLevel) {}

void LibraryPropertyReader::logFailure(const char* name) const {
    LogMessage(failureLevel_, "getPropertyValue(%s::%s) failed", objectKind_, name);
}

namespace {
template <typename T>
std::optional<T> readValue(const orv::raidlib::PropertyContainer& object, const char* name, bool isKey) {
    T value{};
    if (object.getPropertyValue(value, name, isKey) != 0) return std::nullopt;
    return value;
}
}  // namespace

std::optional<uint32_t> LibraryPropertyReader::integer(const char* name, bool isKey) const {
    auto value = readValue<orv::raidlib::VrlInt>(object_, name, isKey);
    if (!value) logFailure(name);
    return value;
}

std::optional<uint64_t> LibraryPropertyReader::u64(const char* name, bool isKey) const {
    auto value = readValue<uint64_t>(object_, name, isKey);
    if (!value) logFailure(name);
    return value;
}

std::optional<std::string> LibraryPropertyReader::text(const char* name, bool isKey) const {
    auto value = readValue<std::string>(object_, name, isKey);
    if (!value) logFailure(name);
    return value;
}

std::optional<std::vector<uint32_t>> LibraryPropertyReader::vector(const char* name, bool isKey) const {
    auto value = readValue<orv::raidlib::VrlVector>(object_, name, isKey);
    if (!value) logFailure(name);
    return value;
}

void raiseKeyRetrievalFailure(const char* qualifiedName, const char* property) {
    throw CIMException(1, "%s ::%s Property retrieval failed.", qualifiedName, property);
}

}  // namespace orv::cim::fwf::storage
