// Named access to the fields of the library's records. The topology file,
// the property-setting control calls and the property-reading control calls
// all address a field by its record name ("state", "serialNumber" ...), so
// one table per record serves all three.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace orv::vrlsim {

enum class FieldKind {
  Unsigned,  // little-endian integer of 1, 2, 4 or 8 bytes
  Text,      // fixed-width text, zero-filled
  HexBytes,  // raw bytes written as hexadecimal ("5000C50012345678")
  Dotted,    // small numbers, one per byte ("2.1.5")
  U32List,   // u32 array with a one-byte count elsewhere in the record
  SasList,   // 16-byte address slots with a one-byte count elsewhere
};

struct FieldDesc {
  const char* name;
  size_t offset;
  size_t size;  // bytes of the whole field
  FieldKind kind;
  long countOffset = -1;  // U32List and SasList: offset of the u8 count
};

using FieldTable = std::vector<FieldDesc>;

const FieldTable& controllerFields();
const FieldTable& diskFields();
const FieldTable& volumeFields();
const FieldTable& enclosureFields();
const FieldTable& batteryFields();
const FieldTable& defaultsFields();
const FieldTable& versionFields();

const FieldDesc* findField(const FieldTable& table, const std::string& name);

// Writes a JSON value into the field. Returns an empty text on success, else
// the reason it was refused (wrong type, value too large, text too long).
std::string setField(void* record, const FieldDesc& field, const nlohmann::json& value);
// Same, from the textual form that getFieldText produces.
std::string setFieldFromText(void* record, const FieldDesc& field, const std::string& text);
std::string getFieldText(const void* record, const FieldDesc& field);

// Applies every member of a JSON object whose name is in the table; members
// named in `handledElsewhere` are skipped. Unknown names are errors, so a
// misspelt topology key is reported rather than silently ignored.
std::string applyObject(void* record, const FieldTable& table, const nlohmann::json& object,
                        const std::vector<std::string>& handledElsewhere);

// Parses "a.b.c.d" into a u32, most significant first.
bool parseFourPartVersion(const std::string& text, uint32_t& version);

void copyText(char* field, size_t width, const std::string& text);
std::string readText(const char* field, size_t width);

}  // namespace orv::vrlsim
