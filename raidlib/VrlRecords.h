// Binary contract with the RAID management library VRLib: the entry point,
// the opcodes, the status codes and every fixed-layout record that crosses
// it. The provider side and the simulated library both include this file, so
// a layout mistake shows up as a failed static_assert rather than as a
// misread field at run time.
//
// All records are little-endian and byte-packed; explicit padding members
// keep every field at the offset the library uses. Text fields are
// fixed-width byte arrays that need not be zero-terminated.
#pragma once

#include <cstddef>
#include <cstdint>

// Status values returned by VrlInvokeMethod. Values from 1 to 0x0FFFFFFF are
// the controller firmware's own error codes (GET_FW_ERROR_DTLS describes
// them); the library's own failures start at 0x10000000.
namespace VrlStatus {
constexpr uint32_t Success = 0;
constexpr uint32_t ControllerError = 0x10000000;
constexpr uint32_t InvalidArgument = 0x10000001;      // also: a required pointer is null
constexpr uint32_t LibraryUnusable = 0x10000002;
constexpr uint32_t NotFoundOrWrongState = 0x10000003;
constexpr uint32_t UnknownError = 0x10000004;
constexpr uint32_t NotSupported = 0x10000005;
constexpr uint32_t DriverError = 0x10000006;
constexpr uint32_t NotPermitted = 0x10000007;
constexpr uint32_t TimedOut = 0x10000009;
constexpr uint32_t InactiveVolume = 0x1000000A;      // GET_VD_PROPS: no such volume
constexpr uint32_t NotPermittedHere = 0x1000000B;
constexpr uint32_t InvalidRebuildCandidate = 0x1000000C;
constexpr uint32_t PartitionPresent = 0x1000000D;
constexpr uint32_t BootVolumeSet = 0x1000000E;
constexpr uint32_t InterfaceMismatch = 0x10000010;
constexpr uint32_t FirmwareCodeLimit = 0x0FFFFFFF;   // largest firmware error code
}  // namespace VrlStatus

namespace VrlOpcode {
constexpr uint32_t INITIALIZE = 0;
constexpr uint32_t SHUTDOWN = 1;
constexpr uint32_t GET_VERSION = 2;
constexpr uint32_t GET_DRIVER_VERSION = 3;
constexpr uint32_t GET_CONTR_LIST = 5;
constexpr uint32_t GET_CONTR_PROPS = 6;
constexpr uint32_t SET_CONTR_PROPS = 7;
constexpr uint32_t DOWNLOAD_CONTR_FW = 8;
constexpr uint32_t CLEAR_CONTR_CONFIG = 9;
constexpr uint32_t GET_VD_LIST = 14;
constexpr uint32_t GET_VD_PROPS = 15;
constexpr uint32_t GET_ALL_VD_PROPS = 16;
constexpr uint32_t SET_VD_PROPS = 17;
constexpr uint32_t CREATE_VOLUME = 18;
constexpr uint32_t DELETE_VOLUME = 19;
constexpr uint32_t RESYNC_VOLUME = 20;
constexpr uint32_t REBUILD_VOLUME = 21;
constexpr uint32_t FAST_INIT_VOLUME = 22;
constexpr uint32_t ACTIVATE_VOLUME = 23;
constexpr uint32_t GET_PD_PROPS = 27;
constexpr uint32_t GET_ALL_PD_PROPS = 28;
constexpr uint32_t CREATE_HOT_SPARE = 30;
constexpr uint32_t DELETE_HOT_SPARE = 31;
constexpr uint32_t LOCATE_DEVICE = 35;
constexpr uint32_t CLEAR_META_DATA = 37;
constexpr uint32_t GET_ALL_ENCLR_PROPS = 41;
constexpr uint32_t GET_BATT_PROPS = 44;
constexpr uint32_t GET_ALL_LRC_STATUS = 48;
constexpr uint32_t REGISTER_AEN = 49;
constexpr uint32_t UNREGISTER_AEN = 50;
constexpr uint32_t GET_FW_ERROR_DTLS = 51;
constexpr uint32_t GET_DEVICE_FLAGS = 56;
constexpr uint32_t GET_CONTR_PROPS_DEFAULTS = 57;
constexpr uint32_t GET_INTERFACE_VERSION = 58;
}  // namespace VrlOpcode

// The interface version this provider was written against.
constexpr uint32_t kVrlInterfaceVersion = 2;

constexpr unsigned kVrlMaxControllers = 32;
constexpr unsigned kVrlMaxVolumesPerController = 8;
constexpr unsigned kVrlMaxDisksPerController = 8;
constexpr unsigned kVrlMaxMembersPerVolume = 8;
constexpr unsigned kVrlMaxControllerPorts = 256;
constexpr unsigned kVrlMaxDiskSasAddresses = 2;
constexpr unsigned kVrlEnclosureGroupStates = 4;
constexpr unsigned kVrlMaxLrcEntries = 32;
constexpr unsigned kVrlEventDescriptionSize = 256;
constexpr unsigned kVrlFwErrorTextSize = 256;
constexpr unsigned kVrlFirmwarePathSize = 256;
constexpr unsigned kVrlVolumeNameSize = 32;

// Device types used in events, LRC entries and GET_DEVICE_FLAGS.
namespace VrlDeviceType {
constexpr uint32_t Controller = 2;
constexpr uint32_t PhysicalDisk = 3;
constexpr uint32_t VirtualDisk = 4;
constexpr uint32_t Enclosure = 5;  // alerts only; deviceId is the enclosure's position
}  // namespace VrlDeviceType

// Value of a disk's vdIndex when it belongs to no volume, and the index that
// marks membership of a foreign (not imported) configuration.
constexpr uint32_t kVrlNoVolume = 0xFFFFFFFF;
constexpr uint32_t kVrlForeignVolume = 64;
// bootVolumeId when no volume boots.
constexpr uint8_t kVrlNoBootVolume = 0xFF;

// Physical disk state; volume state.
namespace VrlDiskState {
constexpr uint32_t Online = 0;
constexpr uint32_t Failed = 1;
constexpr uint32_t Rebuilding = 2;
constexpr uint32_t PredictedFailure = 3;
}  // namespace VrlDiskState
namespace VrlVolumeState {
constexpr uint32_t Optimal = 0;
constexpr uint32_t Degraded = 1;
constexpr uint32_t Rebuilding = 2;
constexpr uint32_t Failed = 3;
}  // namespace VrlVolumeState

// driveType and blockDevType of a physical disk.
namespace VrlDriveType {
constexpr uint32_t Sata = 1;
constexpr uint32_t Sas = 2;
}  // namespace VrlDriveType
namespace VrlBlockDevType {
constexpr uint32_t SolidState = 0;
constexpr uint32_t Rotating = 1;
}  // namespace VrlBlockDevType

// Long-running commands: lrcType and lrcStatus of an LRC entry.
namespace VrlLrcType {
constexpr uint8_t Format = 0;
constexpr uint8_t Synchronize = 1;
constexpr uint8_t DeleteVolume = 2;
constexpr uint8_t Resync = 3;
constexpr uint8_t Expand = 4;
constexpr uint8_t Rebuild = 5;
constexpr uint8_t Migrate = 6;
constexpr uint8_t HotSpareAssigned = 7;
constexpr uint8_t HotSpareRemoved = 8;
constexpr uint8_t FlushCache = 9;
constexpr uint8_t ScanMedia = 10;
constexpr uint8_t FirmwareDownload = 11;
}  // namespace VrlLrcType
namespace VrlLrcStatus {
constexpr uint8_t Completed = 0;
constexpr uint8_t Running = 1;
constexpr uint8_t Starting = 2;
constexpr uint8_t Failed = 3;
constexpr uint8_t Error = 4;
constexpr uint8_t Aborted = 5;
}  // namespace VrlLrcStatus

// Event codes of the asynchronous notifications.
namespace VrlEventCode {
constexpr uint32_t DiskAdded = 0;
constexpr uint32_t VolumeAdded = 1;
constexpr uint32_t DiskRemoved = 3;
constexpr uint32_t VolumeRemoved = 4;
constexpr uint32_t AlertWithError = 6;
constexpr uint32_t AlertWithErrorInfo = 7;
constexpr uint32_t ControllerChanged = 8;
constexpr uint32_t VolumeChanged = 9;
constexpr uint32_t DiskChanged = 10;
constexpr uint32_t NotificationLost = 11;
constexpr uint32_t LrcProgress = 12;
// Controller state changes: shut down, state changed, restarted, failed,
// reset, recovered.
constexpr uint32_t ControllerShutdown = 13;
constexpr uint32_t ControllerStateChange = 14;
constexpr uint32_t ControllerRestarted = 15;
constexpr uint32_t ControllerFailed = 16;
constexpr uint32_t ControllerReset = 17;
constexpr uint32_t ControllerRecovered = 18;
constexpr uint32_t DeviceAlert = 20;
constexpr uint32_t LastValid = 20;
// Never valid from the library; an observer drops it with a word.
constexpr uint32_t UnknownNotification = 21;
}  // namespace VrlEventCode

// Event severity.
namespace VrlSeverity {
constexpr uint32_t Error = 1;
constexpr uint32_t Information = 2;
constexpr uint32_t Warning = 3;
}  // namespace VrlSeverity

// changedAttr of property-change events: which kind of attribute changed.
// 20 and 21 mark notifications that carry no change of their own.
namespace VrlChangedAttr {
constexpr uint32_t State = 1;
constexpr uint32_t Configuration = 2;   // membership, hot spare, reserved flag
constexpr uint32_t Name = 3;
constexpr uint32_t Settings = 4;
constexpr uint32_t Firmware = 5;
constexpr uint32_t Health = 6;
constexpr uint32_t Other = 7;
constexpr uint32_t Periodic = 20;
constexpr uint32_t Redundant = 21;
}  // namespace VrlChangedAttr

// SET_CONTR_PROPS inputMask / resultMask bits. A mask of 0 restores the
// controller's factory defaults.
namespace VrlContrPropsMask {
constexpr uint16_t AutoRebuild = 0x1;
constexpr uint16_t SpinUpDelay = 0x2;
constexpr uint16_t SpinDiskCount = 0x4;
constexpr uint16_t NcqEnabled = 0x8;
constexpr uint16_t BootVolumeId = 0x10;
constexpr uint16_t CopyBackEnabled = 0x20;
constexpr uint16_t MediaScrubRate = 0x40;
constexpr uint16_t TimeStamp = 0x80;
constexpr uint16_t OptionRom = 0x100;
constexpr uint16_t UserInputOpRom = 0x200;
constexpr uint16_t CacheMode = 0x400;
constexpr uint16_t All = 0x7FF;
}  // namespace VrlContrPropsMask

// SET_VD_PROPS change mask.
constexpr uint16_t kVrlVolumeNameChange = 0x1;

// LOCATE_DEVICE locateOpern: 0 lights the locate LED, 1 turns it off.
constexpr uint32_t kVrlLocateOn = 0;
constexpr uint32_t kVrlLocateOff = 1;

// GET_DEVICE_FLAGS answer bits.
namespace VrlDeviceFlags {
constexpr uint32_t PdUnconfigured = 0x1;
constexpr uint32_t PdHotSpare = 0x2;
constexpr uint32_t PdArrayMember = 0x4;
constexpr uint32_t PdRebuildCandidate = 0x8;
constexpr uint32_t PdForeign = 0x10;
constexpr uint32_t VdReserved = 0x1;
constexpr uint32_t VdBootVolume = 0x2;
constexpr uint32_t VdResyncCandidate = 0x4;
constexpr uint32_t VdCommandRunning = 0x8;
}  // namespace VrlDeviceFlags

#pragma pack(push, 1)

// ---- Records of the cache fill -------------------------------------------

struct VrlControllerList {
  uint8_t count;
  uint8_t contrIds[kVrlMaxControllers];
};

struct VrlVolumeList {
  uint8_t count;
  uint8_t reserved1[3];
  uint32_t vdIndexes[kVrlMaxVolumesPerController];
};

struct VrlVolumeKey {
  uint8_t contrId;
  uint8_t reserved1[3];
  uint32_t vdIndex;
};

struct VrlDiskKey {
  uint8_t contrId;
  uint8_t reserved1[3];
  uint32_t compPdId;
};

// GET_ALL_VD_PROPS takes the controller id in a 4-byte area.
struct VrlControllerIdArea {
  uint8_t contrId;
  uint8_t reserved1[3];
};

// One SAS address slot: the address in the first eight bytes.
struct VrlSasAddressEntry {
  uint8_t sasAddress[8];
  uint8_t reserved[8];
};

struct VrlControllerRecord {
  char serialNumber[8];
  uint8_t physDiskCount;
  uint8_t hotspareCount;
  uint8_t volumeCount;
  uint8_t enclCount;
  char romRevisionLevel[4];
  uint32_t cacheSize;
  uint32_t dataStoreSize;
  char partNumber[12];
  char fwVersion[4];
  uint8_t biosVersion[3];
  uint8_t reserved43;
  char uefiVersion[4];
  char plantOfManufacture[4];
  uint8_t batteryStatus;
  uint8_t reserved53;
  uint16_t supRAIDLevel;
  uint16_t supStripeSize;
  uint16_t recStripeSize;
  uint8_t portCount;
  uint8_t slotNumber;
  VrlSasAddressEntry ports[kVrlMaxControllerPorts];
  char hostEndSASAddress[16];
  char modelNumber[3];
  char vendorName[8];
  char productName[16];
  uint8_t reserved4201[3];
  uint32_t autoRebuild;
  uint8_t mediaScrubRate;
  uint8_t spinUpDelay;
  uint8_t spinDiskCount;
  uint8_t reserved4211;
  uint32_t NCQEnabled;
  uint32_t copyBackEnabled;
  uint8_t bootVolumeId;
  uint8_t reserved4221;
  uint16_t PCIDeviceId;
  uint16_t PCIVendorId;
  uint16_t PCISubSysVendorId;
  uint16_t PCISubSysDeviceId;
  uint8_t reserved4230[2];
  uint32_t optionROMEnabled;
  uint32_t cacheMode;
  uint32_t optionROMInpEnabled;
  uint8_t reserved4244[4];
  uint64_t timeStamp;
  uint32_t adapterId;
  char contrDevFilePath[80];
  uint8_t reserved4340[4];
};

struct VrlVolumeRecord {
  uint32_t vdIndex;
  uint16_t volumeSetId;
  uint8_t reserved6[2];
  uint32_t volReserved;
  uint32_t wrCacheStatus;
  uint32_t NCQStatus;
  uint8_t pdCount;
  uint8_t reserved21[3];
  uint32_t compPdId[kVrlMaxMembersPerVolume];
  uint32_t hsProtected;
  uint32_t bootVolume;
  uint32_t state;
  uint32_t RAIDLevel;
  uint32_t deviceId;
  uint16_t stripeSize;
  char volumeName[kVrlVolumeNameSize];
  uint16_t targetId;
  char vendorIdentification[8];
  char productIdentification[16];
  char unitSerialNumber[8];
  uint32_t readFailCount;
  uint32_t writeFailCount;
  uint64_t totalBlocks;
  uint64_t endBlockAddr;
  uint32_t blockLength;
  char installDate[8];
  uint8_t reserved180[4];
};

struct VrlAllVolumes {
  uint16_t count;
  uint8_t reserved2[6];
  VrlVolumeRecord volumes[kVrlMaxVolumesPerController];
};

struct VrlPhysDiskRecord {
  uint32_t compPdId;
  uint32_t deviceId;  // the disk's resource handle
  uint16_t enclId;
  uint16_t slotId;
  uint32_t raidGroupMember;  // 1 while the disk belongs to a RAID group
  uint8_t reserved16[4];
  uint32_t vdIndex;
  uint8_t reserved24[4];
  uint32_t hotSpare;  // 1 while the disk is a hot spare
  uint32_t locateLedOn;
  uint32_t deviceType;
  uint8_t SASAddressCount;
  VrlSasAddressEntry phySASAddresses[kVrlMaxDiskSasAddresses];
  uint8_t portNumber;
  uint16_t rawSize;      // GiB
  uint16_t coercedSize;  // GiB
  char vendorIdentification[8];
  char productIdentification[16];
  char productRevLevel[4];
  char modelNumber[3];
  char serialNumber[8];
  uint8_t WWN[8];
  uint8_t reserved125[3];
  uint64_t maxBlockAddress;
  uint32_t blockLen;
  uint32_t state;
  uint32_t driveType;
  uint16_t attachedContrPortNum;
  uint8_t reserved150[2];
  uint32_t negotiatedTransSpeed;
  uint32_t formFactor;
  uint8_t PFAErrorCount;
  uint8_t PFAFlag;
  uint8_t targetId;
  uint8_t reserved163;
  uint32_t isCounterfeit;
  uint32_t blockDevType;
  uint8_t reserved172[4];
};

struct VrlPhysDiskList {
  uint8_t count;
  uint8_t reserved1[7];
  VrlPhysDiskRecord disks[kVrlMaxDisksPerController];
};

// Each element group: a count, then up to four element states.
#define VRL_ENCLOSURE_GROUP(name)              \
  uint8_t name##Count;                         \
  uint8_t name##Reserved[3];                   \
  uint32_t name##State[kVrlEnclosureGroupStates];

struct VrlEnclosureRecord {
  char productName[16];
  char vendorId[8];
  char modelNum[3];
  char serialNumber[8];
  char firmwareLevel[4];
  uint8_t reserved39[5];
  VRL_ENCLOSURE_GROUP(deviceSlot)
  VRL_ENCLOSURE_GROUP(powerSupply)
  VRL_ENCLOSURE_GROUP(SASExpander)
  VRL_ENCLOSURE_GROUP(coolingFan)
  VRL_ENCLOSURE_GROUP(tempSensor)
  VRL_ENCLOSURE_GROUP(voltSensor)
  VRL_ENCLOSURE_GROUP(currSensor)
  VRL_ENCLOSURE_GROUP(contrElect)
};
#undef VRL_ENCLOSURE_GROUP

struct VrlEnclosureList {
  uint8_t count;
  uint8_t reserved1[3];
  VrlEnclosureRecord enclosures[1];
};

struct VrlBatteryRecord {
  // Charge status: 1 fully charged, 2 low, 3 critical, 4 charging.
  uint32_t battChargeStatus;
  uint32_t batteryState;
  uint32_t batteryType;  // 0: no battery fitted
  char installDate[8];
  char battSerialNum[16];
  char countryOfOrigin[32];
  char productNum[8];
  char modelNum[8];
  uint16_t estBattReplaceTime;
  uint16_t fullDischargeTime;
  uint16_t estChargeRemaining;
  uint8_t reserved90[2];
  uint32_t battPackReplaceNeeded;
  uint16_t estRunTime;
  uint16_t designCapacity;
  uint16_t designVoltage;
  uint16_t battVoltage;
  uint8_t minDesignTemp;
  uint8_t maxDesignTemp;
  uint8_t battTemperature;
  uint8_t reserved107;
};

// ---- Records of the configuration operations ------------------------------

// Out of GET_VERSION (library) and GET_DRIVER_VERSION (per controller).
struct VrlVersionRecord {
  uint8_t day;
  uint8_t month;
  uint16_t year;
  uint32_t version;  // four numbers, most significant byte first
  char name[32];
};

struct VrlSetContrPropsIn {
  uint8_t contrId;
  uint8_t reserved1[7];
  uint64_t timeStamp;
  uint32_t autoRebuild;
  uint8_t spinUpDelay;
  uint8_t spinDiskCount;
  uint8_t reserved22[2];
  uint32_t NCQEnabled;
  uint8_t bootVolumeId;
  uint8_t mediaScrubRate;
  uint8_t reserved30[2];
  uint32_t copyBackEnabled;
  uint32_t OptionROM;
  uint32_t cacheModeEnabled;
  uint32_t UserInputOpROM;
  uint16_t inputMask;
  uint8_t reserved50[6];
};

struct VrlSetVolumePropsIn {
  uint8_t contrId;
  uint8_t reserved1[3];
  uint32_t vdIndex;
  uint16_t changeMask;
  char volumeName[kVrlVolumeNameSize];
  uint8_t reserved42[2];
};

struct VrlCreateVolumeIn {
  uint8_t contrId;
  uint8_t reserved1;
  uint16_t stripeSize;  // KiB
  uint32_t raidLevel;
  char volumeName[kVrlVolumeNameSize];
  uint8_t pdCount;
  uint8_t reserved41[3];
  uint32_t compPdId[kVrlMaxMembersPerVolume];
  uint32_t createMode;
  uint32_t volReserved;
};

struct VrlCreateVolumeOut {
  uint32_t vdIndex;
};

// DELETE_VOLUME and RESYNC_VOLUME name a volume as GET_VD_PROPS does;
// REBUILD_VOLUME and CLEAR_META_DATA name a disk as GET_PD_PROPS does.
using VrlDeleteVolumeIn = VrlVolumeKey;
using VrlResyncVolumeIn = VrlVolumeKey;
using VrlRebuildIn = VrlDiskKey;
using VrlClearMetaDataIn = VrlDiskKey;

struct VrlFastInitIn {
  uint8_t contrId;
  uint8_t reserved1[3];
  uint32_t vdIndex;
  uint32_t initMode;
};

struct VrlActivateVolumeIn {
  uint8_t contrId;
  uint8_t reserved1[3];
  uint32_t vdIndex;
  uint32_t activate;  // 1 makes the reserved array a usable volume, 0 reverses it
};

struct VrlLocateDeviceIn {
  uint8_t contrId;
  uint8_t reserved1[3];
  uint32_t compPdId;
  uint32_t deviceKind;  // always 4 from the provider; not interpreted
  uint32_t locateOpern;
};

struct VrlHotSpareIn {
  uint8_t contrId;
  uint8_t reserved1[3];
  uint16_t pdCount;
  uint8_t reserved6[2];
  uint32_t compPdId[kVrlMaxMembersPerVolume];
};

struct VrlDownloadFwIn {
  uint8_t contrId;
  char binFilePath[kVrlFirmwarePathSize];
  uint8_t reserved257[3];
};

struct VrlClearConfigOut {
  uint8_t failedPdCount;
  uint8_t reserved1[3];
  uint32_t compPdId[kVrlMaxDisksPerController];
  uint8_t failedVolCount;
  uint8_t reserved37[3];
  uint32_t vdIndex[kVrlMaxVolumesPerController];
};

struct VrlContrDefaults {
  uint32_t autoRebuild;
  uint8_t spinUpDelay;
  uint8_t spinDiskCount;
  uint8_t bootVolumeId;
  uint8_t reserved7;
  uint32_t opROMEnabled;
  uint32_t opROMConsoleEnabled;
  uint32_t cacheModeEnabled;
};

struct VrlLrcStatusEntry {
  uint32_t deviceId;
  uint32_t deviceType;
  uint32_t lrcType;
  uint32_t lrcStatus;
  uint8_t progPercentage;
  uint8_t reserved17[3];
};

struct VrlLrcStatusOut {
  uint8_t lrcCount;
  uint8_t reserved1[3];
  VrlLrcStatusEntry entries[kVrlMaxLrcEntries];
};

struct VrlDeviceFlagsIn {
  uint8_t contrId;
  uint8_t reserved1[3];
  uint32_t deviceId;
  uint32_t deviceType;
};

struct VrlFwErrorIn {
  uint32_t fwErrorCode;
};

struct VrlFwErrorOut {
  char fwErrorDesc[kVrlFwErrorTextSize];
};

// ---- Events ---------------------------------------------------------------

struct VrlLrcEventEntry {
  uint32_t deviceId;
  uint8_t deviceType;
  uint8_t lrcType;
  uint8_t lrcStatus;
  uint8_t progPercentage;
};

struct VrlEventRecord {
  uint64_t aenTimestamp;  // seconds since 1970
  uint8_t contrId;
  uint8_t reserved9[3];
  uint32_t eventCode;
  uint32_t deviceType;
  uint32_t deviceId;
  uint32_t snmpEvtId;
  uint8_t reserved28[4];
  uint32_t severity;
  uint8_t reserved36[4];
  // Property events: which attribute changed. LRC events: the number of
  // entries. Codes 6 and 7: the low byte is the external error.
  uint32_t changedAttr;
  // Location of the disk for disk events, so that a listener can find the
  // disk by slot; zero for other events.
  uint16_t enclId;
  uint16_t slotId;
  uint8_t reserved48[32];
  union {
    char description[kVrlEventDescriptionSize];
    VrlLrcEventEntry lrcEntries[kVrlMaxLrcEntries];
  };
};

constexpr size_t kVrlEventHeaderSize = 80;
constexpr size_t kVrlEventRecordMaxSize = kVrlEventHeaderSize + kVrlEventDescriptionSize;

extern "C" {
typedef void (*VrlEventCallback)(const VrlEventRecord* record);
// The library's one entry point.
typedef uint32_t (*VrlInvokeMethodFn)(uint32_t opcode, void* in, void* out);
}

// In of REGISTER_AEN. The callback address takes a full pointer-sized slot
// so that the same layout serves 64-bit processes.
struct VrlRegisterAenIn {
  uint32_t flags;  // 0
  uint32_t reserved4;
  uint64_t callbackAddress;
};

#pragma pack(pop)

// ---- Layout checks --------------------------------------------------------

#define VRL_CHECK_OFFSET(record, field, offset) \
  static_assert(offsetof(record, field) == (offset), #record "::" #field " misplaced")

static_assert(sizeof(VrlControllerList) == 33);
VRL_CHECK_OFFSET(VrlControllerList, contrIds, 1);
static_assert(sizeof(VrlVolumeList) == 36);
VRL_CHECK_OFFSET(VrlVolumeList, vdIndexes, 4);
static_assert(sizeof(VrlVolumeKey) == 8);
VRL_CHECK_OFFSET(VrlVolumeKey, vdIndex, 4);
static_assert(sizeof(VrlDiskKey) == 8);
VRL_CHECK_OFFSET(VrlDiskKey, compPdId, 4);
static_assert(sizeof(VrlControllerIdArea) == 4);
static_assert(sizeof(VrlSasAddressEntry) == 16);

static_assert(sizeof(VrlControllerRecord) == 4344);
VRL_CHECK_OFFSET(VrlControllerRecord, serialNumber, 0);
VRL_CHECK_OFFSET(VrlControllerRecord, physDiskCount, 8);
VRL_CHECK_OFFSET(VrlControllerRecord, hotspareCount, 9);
VRL_CHECK_OFFSET(VrlControllerRecord, volumeCount, 10);
VRL_CHECK_OFFSET(VrlControllerRecord, enclCount, 11);
VRL_CHECK_OFFSET(VrlControllerRecord, romRevisionLevel, 12);
VRL_CHECK_OFFSET(VrlControllerRecord, cacheSize, 16);
VRL_CHECK_OFFSET(VrlControllerRecord, dataStoreSize, 20);
VRL_CHECK_OFFSET(VrlControllerRecord, partNumber, 24);
VRL_CHECK_OFFSET(VrlControllerRecord, fwVersion, 36);
VRL_CHECK_OFFSET(VrlControllerRecord, biosVersion, 40);
VRL_CHECK_OFFSET(VrlControllerRecord, uefiVersion, 44);
VRL_CHECK_OFFSET(VrlControllerRecord, plantOfManufacture, 48);
VRL_CHECK_OFFSET(VrlControllerRecord, batteryStatus, 52);
VRL_CHECK_OFFSET(VrlControllerRecord, supRAIDLevel, 54);
VRL_CHECK_OFFSET(VrlControllerRecord, supStripeSize, 56);
VRL_CHECK_OFFSET(VrlControllerRecord, recStripeSize, 58);
VRL_CHECK_OFFSET(VrlControllerRecord, portCount, 60);
VRL_CHECK_OFFSET(VrlControllerRecord, slotNumber, 61);
VRL_CHECK_OFFSET(VrlControllerRecord, ports, 62);
VRL_CHECK_OFFSET(VrlControllerRecord, hostEndSASAddress, 4158);
VRL_CHECK_OFFSET(VrlControllerRecord, modelNumber, 4174);
VRL_CHECK_OFFSET(VrlControllerRecord, vendorName, 4177);
VRL_CHECK_OFFSET(VrlControllerRecord, productName, 4185);
VRL_CHECK_OFFSET(VrlControllerRecord, autoRebuild, 4204);
VRL_CHECK_OFFSET(VrlControllerRecord, mediaScrubRate, 4208);
VRL_CHECK_OFFSET(VrlControllerRecord, spinUpDelay, 4209);
VRL_CHECK_OFFSET(VrlControllerRecord, spinDiskCount, 4210);
VRL_CHECK_OFFSET(VrlControllerRecord, NCQEnabled, 4212);
VRL_CHECK_OFFSET(VrlControllerRecord, copyBackEnabled, 4216);
VRL_CHECK_OFFSET(VrlControllerRecord, bootVolumeId, 4220);
VRL_CHECK_OFFSET(VrlControllerRecord, PCIDeviceId, 4222);
VRL_CHECK_OFFSET(VrlControllerRecord, PCIVendorId, 4224);
VRL_CHECK_OFFSET(VrlControllerRecord, PCISubSysVendorId, 4226);
VRL_CHECK_OFFSET(VrlControllerRecord, PCISubSysDeviceId, 4228);
VRL_CHECK_OFFSET(VrlControllerRecord, optionROMEnabled, 4232);
VRL_CHECK_OFFSET(VrlControllerRecord, cacheMode, 4236);
VRL_CHECK_OFFSET(VrlControllerRecord, optionROMInpEnabled, 4240);
VRL_CHECK_OFFSET(VrlControllerRecord, timeStamp, 4248);
VRL_CHECK_OFFSET(VrlControllerRecord, adapterId, 4256);
VRL_CHECK_OFFSET(VrlControllerRecord, contrDevFilePath, 4260);

static_assert(sizeof(VrlVolumeRecord) == 184);
VRL_CHECK_OFFSET(VrlVolumeRecord, vdIndex, 0);
VRL_CHECK_OFFSET(VrlVolumeRecord, volumeSetId, 4);
VRL_CHECK_OFFSET(VrlVolumeRecord, volReserved, 8);
VRL_CHECK_OFFSET(VrlVolumeRecord, wrCacheStatus, 12);
VRL_CHECK_OFFSET(VrlVolumeRecord, NCQStatus, 16);
VRL_CHECK_OFFSET(VrlVolumeRecord, pdCount, 20);
VRL_CHECK_OFFSET(VrlVolumeRecord, compPdId, 24);
VRL_CHECK_OFFSET(VrlVolumeRecord, hsProtected, 56);
VRL_CHECK_OFFSET(VrlVolumeRecord, bootVolume, 60);
VRL_CHECK_OFFSET(VrlVolumeRecord, state, 64);
VRL_CHECK_OFFSET(VrlVolumeRecord, RAIDLevel, 68);
VRL_CHECK_OFFSET(VrlVolumeRecord, deviceId, 72);
VRL_CHECK_OFFSET(VrlVolumeRecord, stripeSize, 76);
VRL_CHECK_OFFSET(VrlVolumeRecord, volumeName, 78);
VRL_CHECK_OFFSET(VrlVolumeRecord, targetId, 110);
VRL_CHECK_OFFSET(VrlVolumeRecord, vendorIdentification, 112);
VRL_CHECK_OFFSET(VrlVolumeRecord, productIdentification, 120);
VRL_CHECK_OFFSET(VrlVolumeRecord, unitSerialNumber, 136);
VRL_CHECK_OFFSET(VrlVolumeRecord, readFailCount, 144);
VRL_CHECK_OFFSET(VrlVolumeRecord, writeFailCount, 148);
VRL_CHECK_OFFSET(VrlVolumeRecord, totalBlocks, 152);
VRL_CHECK_OFFSET(VrlVolumeRecord, endBlockAddr, 160);
VRL_CHECK_OFFSET(VrlVolumeRecord, blockLength, 168);
VRL_CHECK_OFFSET(VrlVolumeRecord, installDate, 172);
VRL_CHECK_OFFSET(VrlAllVolumes, volumes, 8);

static_assert(sizeof(VrlPhysDiskRecord) == 176);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, compPdId, 0);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, deviceId, 4);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, enclId, 8);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, slotId, 10);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, raidGroupMember, 12);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, vdIndex, 20);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, hotSpare, 28);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, locateLedOn, 32);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, deviceType, 36);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, SASAddressCount, 40);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, phySASAddresses, 41);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, portNumber, 73);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, rawSize, 74);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, coercedSize, 76);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, vendorIdentification, 78);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, productIdentification, 86);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, productRevLevel, 102);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, modelNumber, 106);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, serialNumber, 109);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, WWN, 117);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, maxBlockAddress, 128);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, blockLen, 136);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, state, 140);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, driveType, 144);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, attachedContrPortNum, 148);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, negotiatedTransSpeed, 152);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, formFactor, 156);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, PFAErrorCount, 160);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, PFAFlag, 161);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, targetId, 162);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, isCounterfeit, 164);
VRL_CHECK_OFFSET(VrlPhysDiskRecord, blockDevType, 168);
static_assert(sizeof(VrlPhysDiskList) == 1416);
VRL_CHECK_OFFSET(VrlPhysDiskList, disks, 8);

static_assert(sizeof(VrlEnclosureRecord) == 204);
VRL_CHECK_OFFSET(VrlEnclosureRecord, productName, 0);
VRL_CHECK_OFFSET(VrlEnclosureRecord, vendorId, 16);
VRL_CHECK_OFFSET(VrlEnclosureRecord, modelNum, 24);
VRL_CHECK_OFFSET(VrlEnclosureRecord, serialNumber, 27);
VRL_CHECK_OFFSET(VrlEnclosureRecord, firmwareLevel, 35);
VRL_CHECK_OFFSET(VrlEnclosureRecord, deviceSlotCount, 44);
VRL_CHECK_OFFSET(VrlEnclosureRecord, deviceSlotState, 48);
VRL_CHECK_OFFSET(VrlEnclosureRecord, powerSupplyCount, 64);
VRL_CHECK_OFFSET(VrlEnclosureRecord, powerSupplyState, 68);
VRL_CHECK_OFFSET(VrlEnclosureRecord, SASExpanderCount, 84);
VRL_CHECK_OFFSET(VrlEnclosureRecord, SASExpanderState, 88);
VRL_CHECK_OFFSET(VrlEnclosureRecord, coolingFanCount, 104);
VRL_CHECK_OFFSET(VrlEnclosureRecord, coolingFanState, 108);
VRL_CHECK_OFFSET(VrlEnclosureRecord, tempSensorCount, 124);
VRL_CHECK_OFFSET(VrlEnclosureRecord, tempSensorState, 128);
VRL_CHECK_OFFSET(VrlEnclosureRecord, voltSensorCount, 144);
VRL_CHECK_OFFSET(VrlEnclosureRecord, voltSensorState, 148);
VRL_CHECK_OFFSET(VrlEnclosureRecord, currSensorCount, 164);
VRL_CHECK_OFFSET(VrlEnclosureRecord, currSensorState, 168);
VRL_CHECK_OFFSET(VrlEnclosureRecord, contrElectCount, 184);
VRL_CHECK_OFFSET(VrlEnclosureRecord, contrElectState, 188);
static_assert(sizeof(VrlEnclosureList) == 208);
VRL_CHECK_OFFSET(VrlEnclosureList, enclosures, 4);

static_assert(sizeof(VrlBatteryRecord) == 108);
VRL_CHECK_OFFSET(VrlBatteryRecord, batteryState, 4);
VRL_CHECK_OFFSET(VrlBatteryRecord, batteryType, 8);
VRL_CHECK_OFFSET(VrlBatteryRecord, installDate, 12);
VRL_CHECK_OFFSET(VrlBatteryRecord, battSerialNum, 20);
VRL_CHECK_OFFSET(VrlBatteryRecord, countryOfOrigin, 36);
VRL_CHECK_OFFSET(VrlBatteryRecord, productNum, 68);
VRL_CHECK_OFFSET(VrlBatteryRecord, modelNum, 76);
VRL_CHECK_OFFSET(VrlBatteryRecord, estBattReplaceTime, 84);
VRL_CHECK_OFFSET(VrlBatteryRecord, fullDischargeTime, 86);
VRL_CHECK_OFFSET(VrlBatteryRecord, estChargeRemaining, 88);
VRL_CHECK_OFFSET(VrlBatteryRecord, battPackReplaceNeeded, 92);
VRL_CHECK_OFFSET(VrlBatteryRecord, estRunTime, 96);
VRL_CHECK_OFFSET(VrlBatteryRecord, designCapacity, 98);
VRL_CHECK_OFFSET(VrlBatteryRecord, designVoltage, 100);
VRL_CHECK_OFFSET(VrlBatteryRecord, battVoltage, 102);
VRL_CHECK_OFFSET(VrlBatteryRecord, minDesignTemp, 104);
VRL_CHECK_OFFSET(VrlBatteryRecord, maxDesignTemp, 105);
VRL_CHECK_OFFSET(VrlBatteryRecord, battTemperature, 106);

static_assert(sizeof(VrlVersionRecord) == 40);
VRL_CHECK_OFFSET(VrlVersionRecord, month, 1);
VRL_CHECK_OFFSET(VrlVersionRecord, year, 2);
VRL_CHECK_OFFSET(VrlVersionRecord, version, 4);
VRL_CHECK_OFFSET(VrlVersionRecord, name, 8);

VRL_CHECK_OFFSET(VrlSetContrPropsIn, timeStamp, 8);
VRL_CHECK_OFFSET(VrlSetContrPropsIn, autoRebuild, 16);
VRL_CHECK_OFFSET(VrlSetContrPropsIn, spinUpDelay, 20);
VRL_CHECK_OFFSET(VrlSetContrPropsIn, spinDiskCount, 21);
VRL_CHECK_OFFSET(VrlSetContrPropsIn, NCQEnabled, 24);
VRL_CHECK_OFFSET(VrlSetContrPropsIn, bootVolumeId, 28);
VRL_CHECK_OFFSET(VrlSetContrPropsIn, mediaScrubRate, 29);
VRL_CHECK_OFFSET(VrlSetContrPropsIn, copyBackEnabled, 32);
VRL_CHECK_OFFSET(VrlSetContrPropsIn, OptionROM, 36);
VRL_CHECK_OFFSET(VrlSetContrPropsIn, cacheModeEnabled, 40);
VRL_CHECK_OFFSET(VrlSetContrPropsIn, UserInputOpROM, 44);
VRL_CHECK_OFFSET(VrlSetContrPropsIn, inputMask, 48);
static_assert(sizeof(VrlSetContrPropsIn) == 56);

VRL_CHECK_OFFSET(VrlSetVolumePropsIn, vdIndex, 4);
VRL_CHECK_OFFSET(VrlSetVolumePropsIn, changeMask, 8);
VRL_CHECK_OFFSET(VrlSetVolumePropsIn, volumeName, 10);
static_assert(sizeof(VrlSetVolumePropsIn) == 44);

VRL_CHECK_OFFSET(VrlCreateVolumeIn, stripeSize, 2);
VRL_CHECK_OFFSET(VrlCreateVolumeIn, raidLevel, 4);
VRL_CHECK_OFFSET(VrlCreateVolumeIn, volumeName, 8);
VRL_CHECK_OFFSET(VrlCreateVolumeIn, pdCount, 40);
VRL_CHECK_OFFSET(VrlCreateVolumeIn, compPdId, 44);
VRL_CHECK_OFFSET(VrlCreateVolumeIn, createMode, 76);
VRL_CHECK_OFFSET(VrlCreateVolumeIn, volReserved, 80);
static_assert(sizeof(VrlCreateVolumeIn) == 84);
static_assert(sizeof(VrlCreateVolumeOut) == 4);

VRL_CHECK_OFFSET(VrlFastInitIn, vdIndex, 4);
VRL_CHECK_OFFSET(VrlFastInitIn, initMode, 8);
static_assert(sizeof(VrlFastInitIn) == 12);
VRL_CHECK_OFFSET(VrlActivateVolumeIn, vdIndex, 4);
VRL_CHECK_OFFSET(VrlActivateVolumeIn, activate, 8);
static_assert(sizeof(VrlActivateVolumeIn) == 12);
VRL_CHECK_OFFSET(VrlLocateDeviceIn, compPdId, 4);
VRL_CHECK_OFFSET(VrlLocateDeviceIn, deviceKind, 8);
VRL_CHECK_OFFSET(VrlLocateDeviceIn, locateOpern, 12);
static_assert(sizeof(VrlLocateDeviceIn) == 16);
VRL_CHECK_OFFSET(VrlHotSpareIn, pdCount, 4);
VRL_CHECK_OFFSET(VrlHotSpareIn, compPdId, 8);
static_assert(sizeof(VrlHotSpareIn) == 40);
VRL_CHECK_OFFSET(VrlDownloadFwIn, binFilePath, 1);
static_assert(sizeof(VrlDownloadFwIn) == 260);

VRL_CHECK_OFFSET(VrlClearConfigOut, compPdId, 4);
VRL_CHECK_OFFSET(VrlClearConfigOut, failedVolCount, 36);
VRL_CHECK_OFFSET(VrlClearConfigOut, vdIndex, 40);
static_assert(sizeof(VrlClearConfigOut) == 72);

static_assert(sizeof(VrlContrDefaults) == 20);
VRL_CHECK_OFFSET(VrlContrDefaults, spinUpDelay, 4);
VRL_CHECK_OFFSET(VrlContrDefaults, spinDiskCount, 5);
VRL_CHECK_OFFSET(VrlContrDefaults, bootVolumeId, 6);
VRL_CHECK_OFFSET(VrlContrDefaults, opROMEnabled, 8);
VRL_CHECK_OFFSET(VrlContrDefaults, opROMConsoleEnabled, 12);
VRL_CHECK_OFFSET(VrlContrDefaults, cacheModeEnabled, 16);

static_assert(sizeof(VrlLrcStatusEntry) == 20);
VRL_CHECK_OFFSET(VrlLrcStatusEntry, deviceType, 4);
VRL_CHECK_OFFSET(VrlLrcStatusEntry, lrcType, 8);
VRL_CHECK_OFFSET(VrlLrcStatusEntry, lrcStatus, 12);
VRL_CHECK_OFFSET(VrlLrcStatusEntry, progPercentage, 16);
VRL_CHECK_OFFSET(VrlLrcStatusOut, entries, 4);

VRL_CHECK_OFFSET(VrlDeviceFlagsIn, deviceId, 4);
VRL_CHECK_OFFSET(VrlDeviceFlagsIn, deviceType, 8);
static_assert(sizeof(VrlDeviceFlagsIn) == 12);
static_assert(sizeof(VrlFwErrorIn) == 4);

static_assert(sizeof(VrlLrcEventEntry) == 8);
VRL_CHECK_OFFSET(VrlLrcEventEntry, deviceType, 4);
VRL_CHECK_OFFSET(VrlLrcEventEntry, lrcType, 5);
VRL_CHECK_OFFSET(VrlLrcEventEntry, lrcStatus, 6);
VRL_CHECK_OFFSET(VrlLrcEventEntry, progPercentage, 7);
VRL_CHECK_OFFSET(VrlEventRecord, contrId, 8);
VRL_CHECK_OFFSET(VrlEventRecord, eventCode, 12);
VRL_CHECK_OFFSET(VrlEventRecord, deviceType, 16);
VRL_CHECK_OFFSET(VrlEventRecord, deviceId, 20);
VRL_CHECK_OFFSET(VrlEventRecord, snmpEvtId, 24);
VRL_CHECK_OFFSET(VrlEventRecord, severity, 32);
VRL_CHECK_OFFSET(VrlEventRecord, changedAttr, 40);
VRL_CHECK_OFFSET(VrlEventRecord, enclId, 44);
VRL_CHECK_OFFSET(VrlEventRecord, slotId, 46);
VRL_CHECK_OFFSET(VrlEventRecord, description, kVrlEventHeaderSize);
VRL_CHECK_OFFSET(VrlEventRecord, lrcEntries, kVrlEventHeaderSize);
static_assert(sizeof(VrlEventRecord) == kVrlEventRecordMaxSize);
static_assert(kVrlMaxLrcEntries * sizeof(VrlLrcEventEntry) <= kVrlEventDescriptionSize);

static_assert(sizeof(VrlRegisterAenIn) == 16);
VRL_CHECK_OFFSET(VrlRegisterAenIn, callbackAddress, 8);

#undef VRL_CHECK_OFFSET
