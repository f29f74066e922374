// The service through which a client installs new firmware on a controller:
// one per controller. Every installation ends in the library's firmware
// download, fed from the stored image file or from a local file the client
// names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "AbstractInstanceProviderPlugin.h"
#include "AbstractMethodProviderPlugin.h"

namespace orv::cim::fwf {

class ORVSoftwareInstallationService : public AbstractInstanceProviderPlugin, public AbstractMethodProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

    // InstallFromSoftwareIdentity, InstallFromByteStream and InstallFromURI.
    // Malformed requests raise code 4 before anything is installed; the
    // method's return value tells the outcome of a well-formed one.
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;

    // Return values of the installation methods.
    static constexpr uint32_t kCompleted = 0;
    static constexpr uint32_t kNotSupported = 1;
    static constexpr uint32_t kFailed = 4;
    static constexpr uint32_t kUnsupportedTargetType = 4097;
    static constexpr uint32_t kNoSupportedPathToImage = 4107;

    // The local file a "file:" URI names; nothing for another scheme.
    static std::optional<std::string> localPathOfUri(const std::string& uri);
};

}  // namespace orv::cim::fwf
