// What the plugins of the physical disks share: the value maps from the
// library's disk facts to CIM values, the disk's capacity, and the base that
// finds the disks a request names and gives the keys of a device that hangs
// off a controller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AbstractInstanceProviderPlugin.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf::storage {

// Object kind of the library's disks in log lines.
constexpr const char* kPhysDiskKind = "VrlPhysDisk";
constexpr const char* kControllerSystemClass = "ORV_ControllerComputerSystem";

// Library driveType values.
constexpr uint32_t kSataDrive = 1;
constexpr uint32_t kSasDrive = 2;

// Disk state (0 online, 1 failed, 2 rebuilding, 3 predicted failure) as
// OperationalStatus and EnabledState; RequestedState follows EnabledState.
std::vector<uint16_t> diskOperationalStatus(uint32_t state);
uint16_t diskEnabledState(uint32_t state);
// Membership (pdConfig) as ConfigurationStatus: a member whose array the
// controller does not know (vdIndex 64, foreign metadata) is told apart.
uint16_t diskConfigurationStatus(uint32_t pdConfig, uint32_t vdIndex);
// The WWN bytes as upper-case hexadecimal text, two digits per byte.
std::string wwnText(const std::vector<uint32_t>& bytes);
// Bytes of a disk whose last block is maxBlockAddress. Disks pass 2^32
// blocks, so the whole computation stays in 64 bits.
uint64_t diskCapacityBytes(uint64_t maxBlockAddress, uint32_t blockLength);
// The first address of a ";"-separated list of SAS addresses.
std::string firstSasAddress(const std::string& addresses);

struct DiskId {
    uint32_t contrId = 0;
    uint32_t compPdId = 0;
};
// "<contrId>_<compPdId>": DeviceID, Name and InstanceID of disk objects.
std::string diskDeviceId(const DiskId& disk);
// The disk a "<contrId>_<compPdId>" key value names.
DiskId diskIdFromKey(const std::string& keyValue);
// The disk's identity; a part the library cannot give fails the request.
DiskId readDiskId(const orv::raidlib::PropertyContainer& disk, const char* qualifiedName);

// Base of the plugins whose instances stand one for one for the library's
// physical disks (or for those of one drive type).
class PhysicalDiskPlugin : public AbstractInstanceProviderPlugin {
public:
    struct Identity {
        const char* cimClass;        // the class served, e.g. "ORV_DiskDrive"
        const char* pluginName;      // the plugin class, for log lines
        const char* identifyingKey;  // the key that names the disk
        const char* keyPrefix;       // text before "<contrId>_<compPdId>" in that key
        uint32_t driveType;          // only disks of this type; 0 for all
    };

    explicit PhysicalDiskPlugin(Identity identity) : identity_(identity) {}

    // All disks for an enumeration, the named one for a get (none when the
    // request's other keys or the drive type do not fit it).
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;

protected:
    const Identity& identity() const { return identity_; }
    // "orv::cim::fwf::<plugin>::<operation>" for log lines and messages.
    std::string qualifiedName(const char* operation) const;
    // The keys of a device of the controller: SystemCreationClassName,
    // CreationClassName, <idKey> "<contrId>_<compPdId>", SystemName.
    void deviceKeys(const orv::raidlib::PropertyContainer& disk, const char* idKey, KeyBindingList& out) const;
    LibraryPropertyReader reader(const orv::raidlib::PropertyContainer& disk) const;

private:
    bool hasWantedDriveType(const orv::raidlib::PropertyContainer& disk) const;
    Identity identity_;
};

// The disk's own port, SAS or ATA alike.
class DiskPortPlugin : public PhysicalDiskPlugin {
public:
    using PhysicalDiskPlugin::PhysicalDiskPlugin;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;
};

// The target endpoint through which the controller talks to the disk.
class DiskProtocolEndpointPlugin : public PhysicalDiskPlugin {
public:
    DiskProtocolEndpointPlugin(Identity identity, const char* protocol, uint16_t connectionType)
        : PhysicalDiskPlugin(identity), protocol_(protocol), connectionType_(connectionType) {}
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

private:
    const char* protocol_;
    uint16_t connectionType_;
};

}  // namespace orv::cim::fwf::storage
