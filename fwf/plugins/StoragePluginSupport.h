// What every storage plugin shares: the key formats that tie devices to their
// controller, reading a class of RAID library objects, and reading library
// properties into CIM properties with the "leave the property out and log"
// rule for values the library could not give.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AbstractInstanceProviderPlugin.h"
#include "CIMObjectPath.h"
#include "PropertyBuilders.h"
#include "PropertyContainer.h"

namespace orv::cim::fwf::storage {

constexpr const char* kStorageNamespace = "root/orv/Ambrix/smi_14";
constexpr const char* kInteropNamespace = "root/PG_InterOp";

// Library storage classes.
constexpr const char* kControllers = "IOAs";
constexpr const char* kVolumes = "volumes";
constexpr const char* kPhysicalDisks = "physicalDisks";
constexpr const char* kEnclosures = "enclosures";
constexpr const char* kBatteries = "batteryUnits";

// "AmbrixController_<contrId>": Name of a controller, SystemName of its devices.
std::string controllerName(uint32_t contrId);
// "Ambrix_<contrId>": card tag, card and product ElementName.
std::string controllerTag(uint32_t contrId);
// Field 1, 2 or 3 of an underscore-separated key value as a decimal number
// (non-numeric text gives 0), through the framework's one key splitter.
uint32_t keyFieldNumber(const std::string& keyValue, int field);
// The text of a string key binding, or nothing when the path lacks it.
std::optional<std::string> stringKeyValue(const CIMObjectPath& path, const std::string& keyName);
// Whether the request path names this plugin's class (letter case ignored).
bool isClass(const CIMObjectPath& path, const std::string& className);

// The controller a system Name ("AmbrixController_<contrId>") names; none
// for any other name.
std::optional<uint32_t> controllerNamed(const std::string& systemName);
// Every object of a library class (copies); while an enumeration for one
// controller asks (requestedSystem()), only that controller's objects and
// those of no controller. A non-zero status is answered, the caller decides
// how to report it.
uint32_t readLibraryClass(const std::string& libraryClass, RepositoryObjects& out,
                          const char* qualifiedName);
// The one object of a library class whose keys match `keys`.
uint32_t readLibraryObject(const std::string& libraryClass, const orv::raidlib::PropertyContainer& keys,
                           orv::raidlib::PropertyContainer& out, const char* qualifiedName);
// A key container holding contrId (and further int keys when given).
orv::raidlib::PropertyContainer libraryKeys(uint32_t contrId);

// Reads library properties of one object. A failed read logs
// "getPropertyValue(<kind>::<name>) failed" at level 2 under the plugin's
// qualified name and answers nothing, so the caller leaves the CIM property out.
class LibraryPropertyReader {
public:
    LibraryPropertyReader(const orv::raidlib::PropertyContainer& object, const char* objectKind,
                          int failureLevel = 2);
    std::optional<uint32_t> integer(const char* name, bool isKey = false) const;
    std::optional<uint64_t> u64(const char* name, bool isKey = false) const;
    std::optional<std::string> text(const char* name, bool isKey = false) const;
    std::optional<std::vector<uint32_t>> vector(const char* name, bool isKey = false) const;
    const orv::raidlib::PropertyContainer& object() const { return object_; }

private:
    void logFailure(const char* name) const;
    const orv::raidlib::PropertyContainer& object_;
    const char* objectKind_;
    int failureLevel_;
};

// Appends a property when the value is present (the "leave it out" rule).
template <typename T>
void addIfPresent(PropertyList& out, const char* name, const std::optional<T>& value, CIMDataType type) {
    if (value) out.push_back(scalarProperty(name, *value, type));
}
template <typename From, typename To, typename Convert>
void addConverted(PropertyList& out, const char* name, const std::optional<From>& value, CIMDataType type,
                  Convert convert) {
    if (value) out.push_back(scalarProperty<To>(name, convert(*value), type));
}
inline void addUint16Array(PropertyList& out, const char* name, std::vector<uint16_t> values) {
    out.push_back(arrayProperty<uint16_t>(name, std::move(values), CIM_UINT16_ARRAY));
}

// A key property the library could not give leaves the instance without a
// name, so the request fails: code 1 "<qualifiedName> ::<property> Property
// retrieval failed.".
[[noreturn]] void raiseKeyRetrievalFailure(const char* qualifiedName, const char* property);

}  // namespace orv::cim::fwf::storage
