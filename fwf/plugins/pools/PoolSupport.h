// What the pool, volume, extent, capability and setting plugins share: the
// four primordial pools of a controller and their capacities, the arrays
// (volume entries) with their identifiers, the RAID-level rules and the value
// maps of volume and disk states.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AbstractInstanceProviderPlugin.h"
#include "AbstractProviderPlugin.h"
#include "PropertyContainer.h"

namespace orv::cim::fwf::storage {

constexpr uint64_t kBytesPerGiB = 1ull << 30;
// pdConfig of a physical disk.
constexpr uint32_t kDiskUnconfigured = 0;
constexpr uint32_t kDiskHotSpare = 1;
constexpr uint32_t kDiskArrayMember = 3;
// state of a physical disk that works normally (1 failed, 2 rebuilding,
// 3 predicted failure).
constexpr uint32_t kDiskOnline = 0;
// What an unreadable pdConfig is taken for: configured, so its space is never
// offered as free.
constexpr uint32_t kDiskConfigurationUnknown = 4;
// Most members a controller puts in one array.
constexpr uint32_t kMaxArrayMembers = 8;

// ---- Primordial pools -----------------------------------------------------

// One of the four primordial pools every controller has: the disks of one
// interface (driveType 1 SATA, 2 SAS) and one medium (blockDevType 1
// rotating, 0 solid-state).
struct PrimordialPoolKind {
    const char* name;
    uint32_t driveType;
    uint32_t blockDevType;
};
extern const std::array<PrimordialPoolKind, 4> kPrimordialPoolKinds;

// "<contrId>_<kind name>": InstanceID of a primordial pool, its capabilities
// and its redundancy set.
std::string primordialPoolInstanceId(uint32_t contrId, const PrimordialPoolKind& kind);
struct PrimordialPoolName {
    uint32_t contrId;
    const PrimordialPoolKind* kind;
};
// The controller and kind an InstanceID names, or nothing for another text.
std::optional<PrimordialPoolName> parsePrimordialPoolInstanceId(const std::string& instanceId);

// One repository object per controller and kind, in controller order and
// kind order: keys contrId and poolKind (the index into
// kPrimordialPoolKinds), and the non-key InstanceID text.
RepositoryObjects primordialPoolObjects(const RepositoryObjects& controllers, const char* qualifiedName);
const PrimordialPoolKind& poolKindOf(const orv::raidlib::PropertyContainer& poolObject);
uint32_t controllerOf(const orv::raidlib::PropertyContainer& object);

// Whether a disk is one of the pool's: its controller, interface and medium.
bool diskBelongsToPool(const orv::raidlib::PropertyContainer& disk, uint32_t contrId,
                       const PrimordialPoolKind& kind);
// A disk's pdConfig, with kDiskConfigurationUnknown when it cannot be read.
uint32_t diskConfiguration(const orv::raidlib::PropertyContainer& disk);
// A disk's coercedSize in bytes; 0 when it cannot be read (logged at level 5).
uint64_t diskCoercedBytes(const orv::raidlib::PropertyContainer& disk);

struct PoolCapacity {
    uint64_t total = 0;
    uint64_t remaining = 0;
};
// Total space of the pool's disks, and the part on disks in no array and no
// spare role.
PoolCapacity primordialPoolCapacity(const RepositoryObjects& disks, uint32_t contrId, const PrimordialPoolKind& kind);
// The pool's disks a new array may be built on, in cache order: in no array
// and no spare role (pdConfig 0) and online, since the controller refuses
// failed disks and a disk predicted to fail would weaken the array at once.
// RemainingManagedSpace still counts every disk in no array.
RepositoryObjects freeDisksOfPool(const RepositoryObjects& disks, uint32_t contrId, const PrimordialPoolKind& kind);

// ---- Arrays ---------------------------------------------------------------

// "<contrId>_<vdIndex>": DeviceID of a volume and composite extent, and
// InstanceID of a concrete pool, its capabilities and its setting.
std::string arrayId(uint32_t contrId, uint32_t vdIndex);
struct ArrayName {
    uint32_t contrId;
    uint32_t vdIndex;
};
ArrayName parseArrayId(const std::string& id);
// The library keys of an array's volume entry: contrId and vdIndex.
orv::raidlib::PropertyContainer arrayKeys(const ArrayName& array);
// The volume entry of the array that instanceId names. A failed read logs
// "Failed to retrieve <instanceId> instance from VRLIB" under qualifiedName and
// raises code 6 "Failed to retrieve array instance.".
orv::raidlib::PropertyContainer readArray(const std::string& instanceId, const ArrayName& array,
                                          const char* qualifiedName);
// "<contrId>_<compPdId>": DeviceID of a disk's storage extent.
std::string diskExtentId(uint32_t contrId, uint32_t compPdId);

// Every volume entry of every controller whose contrId and vdIndex can be
// read; an entry whose keys cannot be read is logged at level 4 and left out,
// since no instance could be named after it. A listing failure raises code 1
// "Failed to retrieve Volume objects from VRLib".
RepositoryObjects readArrays(const char* qualifiedName);
// The keys of an entry that readArrays kept.
ArrayName arrayNameOf(const orv::raidlib::PropertyContainer& volume);
// Whether the entry still waits for its volume (volReserved set); an
// unreadable flag counts as reserved.
bool isReserved(const orv::raidlib::PropertyContainer& volume);
// totalBlocks x blockLength in 64 bits (the block length is the library's
// signed 32-bit field, widened before multiplying).
uint64_t byteSize(uint64_t totalBlocks, uint32_t blockLength);
// The same for a volume entry; nothing when either is unreadable.
std::optional<uint64_t> arrayBytes(const orv::raidlib::PropertyContainer& volume, const char* objectKind = "VrlVolume",
                                   int failureLevel = 4);
// The cached disk of the controller with this compPdId, or null.
const orv::raidlib::PropertyContainer* findDisk(const RepositoryObjects& disks, uint32_t contrId, uint32_t compPdId);
// Every cached disk; a listing failure is logged at level 4 and answers none.
RepositoryObjects readDisks(const char* qualifiedName);
// One cached disk, fetched alone rather than copied with every other disk;
// none when the library does not know it.
std::optional<orv::raidlib::PropertyContainer> readDisk(uint32_t contrId, uint32_t compPdId,
                                                        const char* qualifiedName);
// Free bytes of an array: all of it while reserved, else 0 (its one volume
// takes everything).
uint64_t arrayFreeBytes(const orv::raidlib::PropertyContainer& volume);

// The four keys of a device of a controller: SystemCreationClassName,
// SystemName, CreationClassName, DeviceID.
void appendDeviceKeys(KeyBindingList& out, const std::string& className, uint32_t contrId,
                      const std::string& deviceId);
CIMObjectPath deviceKeysPath(const CIMObjectPath& request, const std::string& className, uint32_t contrId,
                             const std::string& deviceId);

// ElementName of an array (its volume name) is the one writable property of
// the pool and the volume: each name in the list is checked first, then the
// new name goes to the library in one "setVolumeProps" call. keyName names
// the key binding that holds "<contrId>_<vdIndex>".
void renameArray(const CIMObjectPath& path, const CIMInstance& modified, const PropertyNameList& propertyNames,
                 const char* keyName, const char* qualifiedName);
// Whether the controller would resynchronise the array's parity now: the
// resync-candidate bit of its device flags.
bool isResyncCandidate(const ArrayName& array, const char* qualifiedName);
// "%s :: Method %s not supported on %s.", logged and raised with code 16.
[[noreturn]] void refuseMethod(const char* qualifiedName, const std::string& methodName, const char* className);

// ---- RAID levels ----------------------------------------------------------

struct Redundancy {
    uint16_t dataRedundancy;
    uint16_t packageRedundancy;
    bool noSinglePointOfFailure;
};
// RAID 0: 1, 0, false; RAID 1: 2, 1, true; RAID 5: 1, 1, true; RAID 6:
// 1, 2, true; any other level 0, 0, false.
Redundancy redundancyOf(uint32_t raidLevel);
bool isKnownLevel(uint32_t raidLevel);
// "RAID0", "RAID1", "RAID5", "RAID6", else "Unknown".
std::string raidLevelName(uint32_t raidLevel);
// "RAID 0" ... "RAID 6", else "Unknown".
std::string raidLevelDescription(uint32_t raidLevel);
// The level a name such as "RAID5" stands for, among "RAID0" ... "RAID60".
std::optional<uint32_t> raidLevelFromName(const std::string& name);
// Levels a controller supports, from the bits 0..3 of supRAIDLevel.
std::vector<uint32_t> supportedRaidLevels(uint32_t supRAIDLevelMask);

// How many members an array of a level may have, and how many of them hold
// data; nothing for a level the controller cannot build.
struct MemberRule {
    uint32_t minimum;
    uint32_t maximum;
};
std::optional<MemberRule> memberRule(uint32_t raidLevel);
uint32_t dataMembers(uint32_t raidLevel, uint32_t members);
// Members across which one stripe runs: 1 for a mirror, every member for
// striped levels.
uint64_t extentStripeLength(uint32_t raidLevel, uint32_t members);
// Whether the level keeps rotated parity.
bool hasParity(uint32_t raidLevel);

// ---- State maps -----------------------------------------------------------

// Volume state 0 optimal, 1 degraded, 2 rebuilding, 3 failed.
uint16_t volumeOperationalStatus(uint32_t state);
uint16_t volumeExtentStatus(uint32_t state);
// Disk state (0 online, 1 failed, 2 rebuilding, 3 predicted failure) as the
// ExtentStatus of the disk's extent.
uint16_t diskExtentStatus(uint32_t state);

}  // namespace orv::cim::fwf::storage
