// What the software identity plugins share: the properties every identity
// publishes, the version the RAID library reports for itself and for the
// controller driver, and the identities that exist once per controller
// (firmware, BIOS).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf::storage {

// Name, VersionString (left out when there is none), Classifications,
// Manufacturer and IsEntity, in that order.
void addSoftwareIdentityProperties(PropertyList& out, const std::string& name,
                                   const std::optional<std::string>& version, uint16_t classification);

// A text output of the library method "getVersionInfo", asked for the first
// controller. Empty when there is no controller or the library cannot
// answer; `failureLog` is logged (with the qualified name and the status)
// when the library call fails, and `successLog` (with the qualified name),
// when given, when it succeeds.
std::string readVersionInfo(const char* outputName, const char* qualifiedName, const char* failureLog,
                            const char* successLog = nullptr);

// An identity that each controller has one of: InstanceID
// "<contrId>_<suffix>", its version read from a controller property.
class ControllerSoftwareIdentity : public AbstractInstanceProviderPlugin {
public:
    struct Description {
        const char* className;
        const char* pluginName;  // for log lines
        const char* instanceSuffix;
        const char* name;
        const char* versionProperty;
        uint16_t classification;
    };
    explicit ControllerSoftwareIdentity(const Description& description) : description_(description) {}

    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

private:
    std::string qualifiedName(const char* operation) const;
    Description description_;
};

}  // namespace orv::cim::fwf::storage
