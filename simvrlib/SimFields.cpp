#include "SimFields.h"

#include <cstring>
#include <sstream>

#include "VrlRecords.h"

namespace orv::vrlsim {
namespace {

#define FIELD(record, member, kind) \
  FieldDesc { #member, offsetof(record, member), sizeof(record::member), FieldKind::kind }
#define LIST_FIELD(record, member, kind, counter)                                        \
  FieldDesc {                                                                             \
    #member, offsetof(record, member), sizeof(record::member), FieldKind::kind,           \
        static_cast<long>(offsetof(record, counter))                                      \
  }

uint64_t readUnsigned(const unsigned char* at, size_t size) {
  uint64_t value = 0;
  for (size_t i = 0; i < size; ++i) value |= static_cast<uint64_t>(at[i]) << (8 * i);
  return value;
}

void writeUnsigned(unsigned char* at, size_t size, uint64_t value) {
  for (size_t i = 0; i < size; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Hexadecimal text to at most `width` bytes; separators ':' and '-' allowed.
bool parseHex(const std::string& text, size_t width, std::vector<unsigned char>& bytes) {
  std::string digits;
  for (char c : text) {
    if (c == ':' || c == '-') continue;
    if (hexDigit(c) < 0) return false;
    digits += c;
  }
  if (digits.size() % 2 != 0 || digits.size() / 2 > width) return false;
  bytes.clear();
  for (size_t i = 0; i < digits.size(); i += 2)
    bytes.push_back(static_cast<unsigned char>(hexDigit(digits[i]) * 16 + hexDigit(digits[i + 1])));
  return true;
}

std::string toHex(const unsigned char* bytes, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0xF];
  }
  return text;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream stream(text);
  while (std::getline(stream, part, separator))
    if (!part.empty()) parts.push_back(part);
  return parts;
}

bool parseNumber(const std::string& text, uint64_t& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(text.c_str(), &end, 0);
  return errno == 0 && end && *end == '\0' && text[0] != '-';
}

}  // namespace

const FieldTable& controllerFields() {
  using R = VrlControllerRecord;
  static const FieldTable table = {
      FIELD(R, serialNumber, Text), FIELD(R, physDiskCount, Unsigned),
      FIELD(R, hotspareCount, Unsigned), FIELD(R, volumeCount, Unsigned),
      FIELD(R, enclCount, Unsigned), FIELD(R, romRevisionLevel, Text),
      FIELD(R, cacheSize, Unsigned), FIELD(R, dataStoreSize, Unsigned),
      FIELD(R, partNumber, Text), FIELD(R, fwVersion, Text), FIELD(R, biosVersion, Dotted),
      FIELD(R, uefiVersion, Text), FIELD(R, plantOfManufacture, Text),
      FIELD(R, batteryStatus, Unsigned), FIELD(R, supRAIDLevel, Unsigned),
      FIELD(R, supStripeSize, Unsigned), FIELD(R, recStripeSize, Unsigned),
      FIELD(R, portCount, Unsigned), FIELD(R, slotNumber, Unsigned),
      LIST_FIELD(R, ports, SasList, portCount), FIELD(R, hostEndSASAddress, Text),
      FIELD(R, modelNumber, Text), FIELD(R, vendorName, Text), FIELD(R, productName, Text),
      FIELD(R, autoRebuild, Unsigned), FIELD(R, mediaScrubRate, Unsigned),
      FIELD(R, spinUpDelay, Unsigned), FIELD(R, spinDiskCount, Unsigned),
      FIELD(R, NCQEnabled, Unsigned), FIELD(R, copyBackEnabled, Unsigned),
      FIELD(R, bootVolumeId, Unsigned), FIELD(R, PCIDeviceId, Unsigned),
      FIELD(R, PCIVendorId, Unsigned), FIELD(R, PCISubSysVendorId, Unsigned),
      FIELD(R, PCISubSysDeviceId, Unsigned), FIELD(R, optionROMEnabled, Unsigned),
      FIELD(R, cacheMode, Unsigned), FIELD(R, optionROMInpEnabled, Unsigned),
      FIELD(R, timeStamp, Unsigned), FIELD(R, adapterId, Unsigned),
      FIELD(R, contrDevFilePath, Text),
  };
  return table;
}

const FieldTable& diskFields() {
  using R = VrlPhysDiskRecord;
  static const FieldTable table = {
      FIELD(R, compPdId, Unsigned), FIELD(R, deviceId, Unsigned), FIELD(R, enclId, Unsigned),
      FIELD(R, slotId, Unsigned), FIELD(R, raidGroupMember, Unsigned),
      FIELD(R, vdIndex, Unsigned), FIELD(R, hotSpare, Unsigned),
      FIELD(R, locateLedOn, Unsigned), FIELD(R, deviceType, Unsigned),
      FIELD(R, SASAddressCount, Unsigned),
      LIST_FIELD(R, phySASAddresses, SasList, SASAddressCount),
      FIELD(R, portNumber, Unsigned), FIELD(R, rawSize, Unsigned),
      FIELD(R, coercedSize, Unsigned), FIELD(R, vendorIdentification, Text),
      FIELD(R, productIdentification, Text), FIELD(R, productRevLevel, Text),
      FIELD(R, modelNumber, Text), FIELD(R, serialNumber, Text), FIELD(R, WWN, HexBytes),
      FIELD(R, maxBlockAddress, Unsigned), FIELD(R, blockLen, Unsigned),
      FIELD(R, state, Unsigned), FIELD(R, driveType, Unsigned),
      FIELD(R, attachedContrPortNum, Unsigned), FIELD(R, negotiatedTransSpeed, Unsigned),
      FIELD(R, formFactor, Unsigned), FIELD(R, PFAErrorCount, Unsigned),
      FIELD(R, PFAFlag, Unsigned), FIELD(R, targetId, Unsigned),
      FIELD(R, isCounterfeit, Unsigned), FIELD(R, blockDevType, Unsigned),
  };
  return table;
}

const FieldTable& volumeFields() {
  using R = VrlVolumeRecord;
  static const FieldTable table = {
      FIELD(R, vdIndex, Unsigned), FIELD(R, volumeSetId, Unsigned),
      FIELD(R, volReserved, Unsigned), FIELD(R, wrCacheStatus, Unsigned),
      FIELD(R, NCQStatus, Unsigned), FIELD(R, pdCount, Unsigned),
      LIST_FIELD(R, compPdId, U32List, pdCount), FIELD(R, hsProtected, Unsigned),
      FIELD(R, bootVolume, Unsigned), FIELD(R, state, Unsigned), FIELD(R, RAIDLevel, Unsigned),
      FIELD(R, deviceId, Unsigned), FIELD(R, stripeSize, Unsigned),
      FIELD(R, volumeName, Text), FIELD(R, targetId, Unsigned),
      FIELD(R, vendorIdentification, Text), FIELD(R, productIdentification, Text),
      FIELD(R, unitSerialNumber, Text), FIELD(R, readFailCount, Unsigned),
      FIELD(R, writeFailCount, Unsigned), FIELD(R, totalBlocks, Unsigned),
      FIELD(R, endBlockAddr, Unsigned), FIELD(R, blockLength, Unsigned),
      FIELD(R, installDate, Text),
  };
  return table;
}

const FieldTable& enclosureFields() {
  using R = VrlEnclosureRecord;
#define GROUP(name) FIELD(R, name##Count, Unsigned), LIST_FIELD(R, name##State, U32List, name##Count)
  static const FieldTable table = {
      FIELD(R, productName, Text), FIELD(R, vendorId, Text), FIELD(R, modelNum, Text),
      FIELD(R, serialNumber, Text), FIELD(R, firmwareLevel, Text), GROUP(deviceSlot),
      GROUP(powerSupply), GROUP(SASExpander), GROUP(coolingFan), GROUP(tempSensor),
      GROUP(voltSensor), GROUP(currSensor), GROUP(contrElect),
  };
#undef GROUP
  return table;
}

const FieldTable& batteryFields() {
  using R = VrlBatteryRecord;
  static const FieldTable table = {
      FIELD(R, battChargeStatus, Unsigned), FIELD(R, batteryState, Unsigned),
      FIELD(R, batteryType, Unsigned), FIELD(R, installDate, Text),
      FIELD(R, battSerialNum, Text), FIELD(R, countryOfOrigin, Text),
      FIELD(R, productNum, Text), FIELD(R, modelNum, Text),
      FIELD(R, estBattReplaceTime, Unsigned), FIELD(R, fullDischargeTime, Unsigned),
      FIELD(R, estChargeRemaining, Unsigned), FIELD(R, battPackReplaceNeeded, Unsigned),
      FIELD(R, estRunTime, Unsigned), FIELD(R, designCapacity, Unsigned),
      FIELD(R, designVoltage, Unsigned), FIELD(R, battVoltage, Unsigned),
      FIELD(R, minDesignTemp, Unsigned), FIELD(R, maxDesignTemp, Unsigned),
      FIELD(R, battTemperature, Unsigned),
  };
  return table;
}

const FieldTable& defaultsFields() {
  using R = VrlContrDefaults;
  static const FieldTable table = {
      FIELD(R, autoRebuild, Unsigned), FIELD(R, spinUpDelay, Unsigned),
      FIELD(R, spinDiskCount, Unsigned), FIELD(R, bootVolumeId, Unsigned),
      FIELD(R, opROMEnabled, Unsigned), FIELD(R, opROMConsoleEnabled, Unsigned),
      FIELD(R, cacheModeEnabled, Unsigned),
  };
  return table;
}

const FieldTable& versionFields() {
  using R = VrlVersionRecord;
  static const FieldTable table = {
      FIELD(R, day, Unsigned), FIELD(R, month, Unsigned), FIELD(R, year, Unsigned),
      FIELD(R, version, Unsigned), FIELD(R, name, Text),
  };
  return table;
}

#undef FIELD
#undef LIST_FIELD

const FieldDesc* findField(const FieldTable& table, const std::string& name) {
  for (const FieldDesc& field : table)
    if (name == field.name) return &field;
  return nullptr;
}

void copyText(char* field, size_t width, const std::string& text) {
  std::memset(field, 0, width);
  std::memcpy(field, text.data(), std::min(width, text.size()));
}

std::string readText(const char* field, size_t width) {
  size_t length = 0;
  while (length < width && field[length] != '\0') ++length;
  return std::string(field, length);
}

bool parseFourPartVersion(const std::string& text, uint32_t& version) {
  std::vector<std::string> parts = split(text, '.');
  if (parts.size() != 4) return false;
  version = 0;
  for (const std::string& part : parts) {
    uint64_t number = 0;
    if (!parseNumber(part, number) || number > 255) return false;
    version = (version << 8) | static_cast<uint32_t>(number);
  }
  return true;
}

std::string setField(void* record, const FieldDesc& field, const nlohmann::json& value) {
  auto* at = static_cast<unsigned char*>(record) + field.offset;
  const std::string name = field.name;
  switch (field.kind) {
    case FieldKind::Unsigned: {
      uint64_t number = 0;
      if (value.is_number_unsigned()) {
        number = value.get<uint64_t>();
      } else if (value.is_boolean()) {
        number = value.get<bool>() ? 1 : 0;
      } else if (!(value.is_string() && parseNumber(value.get<std::string>(), number))) {
        return name + ": expected an unsigned number";
      }
      if (field.size < 8 && number >> (8 * field.size) != 0) return name + ": value too large";
      writeUnsigned(at, field.size, number);
      return {};
    }
    case FieldKind::Text: {
      if (!value.is_string()) return name + ": expected a text";
      const std::string text = value.get<std::string>();
      if (text.size() > field.size)
        return name + ": text longer than " + std::to_string(field.size) + " bytes";
      copyText(reinterpret_cast<char*>(at), field.size, text);
      return {};
    }
    case FieldKind::HexBytes: {
      std::vector<unsigned char> bytes;
      if (!value.is_string() || !parseHex(value.get<std::string>(), field.size, bytes))
        return name + ": expected at most " + std::to_string(field.size) + " hexadecimal bytes";
      std::memset(at, 0, field.size);
      std::memcpy(at, bytes.data(), bytes.size());
      return {};
    }
    case FieldKind::Dotted: {
      if (!value.is_string()) return name + ": expected a text such as \"2.1.5\"";
      std::vector<std::string> parts = split(value.get<std::string>(), '.');
      if (parts.size() != field.size) return name + ": wrong number of parts";
      for (size_t i = 0; i < parts.size(); ++i) {
        uint64_t number = 0;
        if (!parseNumber(parts[i], number) || number > 255) return name + ": part out of range";
        at[i] = static_cast<unsigned char>(number);
      }
      return {};
    }
    case FieldKind::U32List: {
      if (!value.is_array() || value.size() > field.size / 4)
        return name + ": expected an array of at most " + std::to_string(field.size / 4) + " numbers";
      std::memset(at, 0, field.size);
      for (size_t i = 0; i < value.size(); ++i) {
        if (!value[i].is_number_unsigned() || value[i].get<uint64_t>() > 0xFFFFFFFFu)
          return name + ": expected unsigned 32-bit numbers";
        writeUnsigned(at + 4 * i, 4, value[i].get<uint64_t>());
      }
      static_cast<unsigned char*>(record)[field.countOffset] = static_cast<unsigned char>(value.size());
      return {};
    }
    case FieldKind::SasList: {
      const size_t slots = field.size / sizeof(VrlSasAddressEntry);
      if (!value.is_array() || value.size() > slots)
        return name + ": expected an array of at most " + std::to_string(slots) + " SAS addresses";
      std::memset(at, 0, field.size);
      for (size_t i = 0; i < value.size(); ++i) {
        std::vector<unsigned char> bytes;
        if (!value[i].is_string() || !parseHex(value[i].get<std::string>(), 8, bytes) || bytes.size() != 8)
          return name + ": a SAS address is 16 hexadecimal digits";
        std::memcpy(at + i * sizeof(VrlSasAddressEntry), bytes.data(), 8);
      }
      static_cast<unsigned char*>(record)[field.countOffset] = static_cast<unsigned char>(value.size());
      return {};
    }
  }
  return name + ": unsupported field";
}

std::string setFieldFromText(void* record, const FieldDesc& field, const std::string& text) {
  switch (field.kind) {
    case FieldKind::U32List: {
      nlohmann::json array = nlohmann::json::array();
      for (const std::string& part : split(text, ',')) {
        uint64_t number = 0;
        if (!parseNumber(part, number)) return std::string(field.name) + ": expected numbers joined by ','";
        array.push_back(number);
      }
      return setField(record, field, array);
    }
    case FieldKind::SasList: {
      nlohmann::json array = nlohmann::json::array();
      for (const std::string& part : split(text, ';')) array.push_back(part);
      return setField(record, field, array);
    }
    default:
      return setField(record, field, nlohmann::json(text));
  }
}

std::string getFieldText(const void* record, const FieldDesc& field) {
  const auto* at = static_cast<const unsigned char*>(record) + field.offset;
  switch (field.kind) {
    case FieldKind::Unsigned:
      return std::to_string(readUnsigned(at, field.size));
    case FieldKind::Text:
      return readText(reinterpret_cast<const char*>(at), field.size);
    case FieldKind::HexBytes:
      return toHex(at, field.size);
    case FieldKind::Dotted: {
      std::string text;
      for (size_t i = 0; i < field.size; ++i) text += (i ? "." : "") + std::to_string(at[i]);
      return text;
    }
    case FieldKind::U32List: {
      const unsigned count = static_cast<const unsigned char*>(record)[field.countOffset];
      std::string text;
      for (unsigned i = 0; i < count && i < field.size / 4; ++i)
        text += (i ? "," : "") + std::to_string(readUnsigned(at + 4 * i, 4));
      return text;
    }
    case FieldKind::SasList: {
      const unsigned count = static_cast<const unsigned char*>(record)[field.countOffset];
      std::string text;
      for (unsigned i = 0; i < count && i < field.size / sizeof(VrlSasAddressEntry); ++i)
        text += (i ? ";" : "") + toHex(at + i * sizeof(VrlSasAddressEntry), 8);
      return text;
    }
  }
  return {};
}

std::string applyObject(void* record, const FieldTable& table, const nlohmann::json& object,
                        const std::vector<std::string>& handledElsewhere) {
  if (!object.is_object()) return "expected a JSON object";
  for (auto it = object.begin(); it != object.end(); ++it) {
    bool skip = false;
    for (const std::string& name : handledElsewhere) skip = skip || name == it.key();
    if (skip) continue;
    const FieldDesc* field = findField(table, it.key());
    if (!field) return "unknown key \"" + it.key() + "\"";
    std::string error = setField(record, *field, it.value());
    if (!error.empty()) return error;
  }
  return {};
}

}  // namespace orv::vrlsim
