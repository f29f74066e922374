#include "Value.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace orv::cmpiserver {

Value::Value(CMPIType type, Payload payload)
    : type_(type), null_(false), payload_(std::move(payload)) {}

Value Value::null(CMPIType type) {
    Value value;
    value.type_ = type;
    return value;
}

Value Value::boolean(bool value) { return Value(CMPI_boolean, value); }
Value Value::char16(CMPIChar16 value) {
    return Value(CMPI_char16, static_cast<std::uint64_t>(value));
}
Value Value::unsignedInteger(CMPIType type, std::uint64_t value) { return Value(type, value); }
Value Value::signedInteger(CMPIType type, std::int64_t value) { return Value(type, value); }
Value Value::real(CMPIType type, double value) { return Value(type, value); }
Value Value::string(std::string text) { return Value(CMPI_string, std::move(text)); }
Value Value::stringWithoutChars() { return Value(CMPI_string, std::monostate{}); }
Value Value::dateTime(std::string cimText) { return Value(CMPI_dateTime, std::move(cimText)); }
Value Value::reference(ObjectPath path) {
    return Value(CMPI_ref, std::make_shared<const ObjectPath>(std::move(path)));
}
Value Value::reference(std::shared_ptr<const ObjectPath> path) {
    return Value(CMPI_ref, std::move(path));
}
Value Value::instance(Instance instance) {
    return Value(CMPI_instance, std::make_shared<const Instance>(std::move(instance)));
}
Value Value::array(CMPIType elementType, std::vector<Value> elements) {
    return Value(static_cast<CMPIType>(elementType | CMPI_ARRAY), std::move(elements));
}

bool Value::asBoolean() const { return std::get<bool>(payload_); }
std::uint64_t Value::asUnsigned() const { return std::get<std::uint64_t>(payload_); }
std::int64_t Value::asSigned() const { return std::get<std::int64_t>(payload_); }
double Value::asReal() const { return std::get<double>(payload_); }
const std::string& Value::asString() const { return std::get<std::string>(payload_); }
const ObjectPath& Value::asReference() const {
    return *std::get<std::shared_ptr<const ObjectPath>>(payload_);
}
const std::shared_ptr<const ObjectPath>& Value::sharedReference() const {
    return std::get<std::shared_ptr<const ObjectPath>>(payload_);
}
const Instance& Value::asInstance() const {
    return *std::get<std::shared_ptr<const Instance>>(payload_);
}
const std::vector<Value>& Value::elements() const {
    return std::get<std::vector<Value>>(payload_);
}

bool Value::operator==(const Value& other) const {
    if (type_ != other.type_ || null_ != other.null_) return false;
    if (null_) return true;
    if (payload_.index() != other.payload_.index()) return false;
    if (auto* path = std::get_if<std::shared_ptr<const ObjectPath>>(&payload_))
        return **path == other.asReference();
    if (auto* inst = std::get_if<std::shared_ptr<const Instance>>(&payload_))
        return **inst == other.asInstance();
    return payload_ == other.payload_;
}

namespace {

std::string quoted(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '"' && text[i] != '\\') continue;
        out.append(text, run, i - run);
        out += '\\';
        run = i;
    }
    out.append(text, run, std::string::npos);
    out += '"';
    return out;
}

}  // namespace

std::string Value::toString() const {
    if (null_) return "NULL";
    if (isArray()) {
        std::string out = "{";
        const auto& list = elements();
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (i) out += ",";
            out += list[i].toString();
        }
        return out + "}";
    }
    switch (type_) {
    case CMPI_boolean: return asBoolean() ? "TRUE" : "FALSE";
    case CMPI_real32:
    case CMPI_real64: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.17g", asReal());
        return buffer;
    }
    case CMPI_string: return isStringWithoutChars() ? "(no characters)" : quoted(asString());
    case CMPI_dateTime: return quoted(asString());
    case CMPI_ref: return quoted(asReference().toString());
    case CMPI_instance: {
        std::string out = "instance of " + asInstance().path.className + " {";
        for (const auto& property : asInstance().properties)
            out += " " + property.name + " = " + property.value.toString() + ";";
        return out + " }";
    }
    default:
        if ((type_ & CMPI_SINT) == CMPI_SINT) return std::to_string(asSigned());
        return std::to_string(asUnsigned());
    }
}

bool NamedValue::operator==(const NamedValue& other) const {
    return equalsIgnoreCase(name, other.name) && value == other.value;
}

const Value* ObjectPath::key(std::string_view name) const { return findNamed(keys, name); }

std::string ObjectPath::toString() const {
    std::string out;
    if (!host.empty()) {
        out += "//";
        out += host;
        out += '/';
    }
    if (!nameSpace.empty()) {
        out += nameSpace;
        out += ':';
    }
    out += className;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        out += i == 0 ? '.' : ',';
        out += keys[i].name;
        out += '=';
        out += keys[i].value.toString();
    }
    return out;
}

bool ObjectPath::operator==(const ObjectPath& other) const {
    return equalsIgnoreCase(host, other.host) && nameSpace == other.nameSpace &&
           equalsIgnoreCase(className, other.className) && keys == other.keys;
}

const Value* Instance::property(std::string_view name) const {
    return findNamed(properties, name);
}

bool Instance::operator==(const Instance& other) const {
    return path == other.path && properties == other.properties;
}

namespace {

// Names are compared and hashed eight bytes at a time: the server looks
// class and property names up for every request and every instance, and
// most of a name is a prefix it shares with its neighbours ("ORV_Storage").
// Only A-Z fold, as tolower does in the "C" locale the server never leaves.
std::uint64_t foldWord(std::uint64_t word) {
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    const std::uint64_t low = word & (0x7F * ones);
    // The high bit of each byte says whether its low seven bits reach 'A',
    // and whether they pass 'Z'; bytes with the high bit set stay as they are.
    const std::uint64_t fromA = low + (0x80 - 'A') * ones;
    const std::uint64_t pastZ = low + (0x80 - 'Z' - 1) * ones;
    const std::uint64_t upper = fromA & ~pastZ & ~word & (0x80 * ones);
    return word | (upper >> 2);
}

// Up to eight bytes from `at`, the missing ones zero.
std::uint64_t loadWord(const char* at, std::size_t size) {
    std::uint64_t word = 0;
    if (size >= 8) {
        std::memcpy(&word, at, 8);
    } else {
        unsigned char bytes[8] = {};
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(at[i]);
        std::memcpy(&word, bytes, 8);
    }
    return word;
}

// The word's bytes in the order they stand in memory, first byte highest,
// so that comparing two words orders them as their bytes.
std::uint64_t inByteOrder(std::uint64_t word) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return __builtin_bswap64(word);
#else
    return word;
#endif
}

}  // namespace

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); i += 8) {
        const std::uint64_t x = loadWord(a.data() + i, a.size() - i);
        const std::uint64_t y = loadWord(b.data() + i, b.size() - i);
        if (x != y && foldWord(x) != foldWord(y)) return false;
    }
    return true;
}

int compareIgnoreCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; i += 8) {
        const std::uint64_t wx = loadWord(a.data() + i, common - i);
        const std::uint64_t wy = loadWord(b.data() + i, common - i);
        if (wx == wy) continue;
        const std::uint64_t fx = inByteOrder(foldWord(wx));
        const std::uint64_t fy = inByteOrder(foldWord(wy));
        if (fx != fy) return fx < fy ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Folded words in, mixed after each, so that names equal but for case
// hash alike.
std::uint64_t hashIgnoreCase(std::string_view name) {
    std::uint64_t hash = 0xcbf29ce484222325ull ^ name.size();
    for (std::size_t i = 0; i < name.size(); i += 8) {
        hash ^= foldWord(loadWord(name.data() + i, name.size() - i));
        hash *= 0x100000001b3ull;
        hash ^= hash >> 29;
    }
    return hash;
}

// A-Z only, as tolower in the "C" locale, which the server never leaves.
std::string toLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    return out;
}

const Value* findNamed(const std::vector<NamedValue>& list, std::string_view name) {
    for (const auto& entry : list)
        if (equalsIgnoreCase(entry.name, name)) return &entry.value;
    return nullptr;
}

void setNamed(std::vector<NamedValue>& list, std::string_view name, Value value) {
    for (auto& entry : list) {
        if (equalsIgnoreCase(entry.name, name)) {
            entry.value = std::move(value);
            return;
        }
    }
    list.push_back(NamedValue{std::string(name), std::move(value)});
}

std::string typeName(CMPIType type) {
    static const std::pair<CMPIType, const char*> names[] = {
        {CMPI_null, "CMPI_null"},         {CMPI_boolean, "CMPI_boolean"},
        {CMPI_char16, "CMPI_char16"},     {CMPI_real32, "CMPI_real32"},
        {CMPI_real64, "CMPI_real64"},     {CMPI_uint8, "CMPI_uint8"},
        {CMPI_uint16, "CMPI_uint16"},     {CMPI_uint32, "CMPI_uint32"},
        {CMPI_uint64, "CMPI_uint64"},     {CMPI_sint8, "CMPI_sint8"},
        {CMPI_sint16, "CMPI_sint16"},     {CMPI_sint32, "CMPI_sint32"},
        {CMPI_sint64, "CMPI_sint64"},     {CMPI_instance, "CMPI_instance"},
        {CMPI_ref, "CMPI_ref"},           {CMPI_args, "CMPI_args"},
        {CMPI_class, "CMPI_class"},       {CMPI_filter, "CMPI_filter"},
        {CMPI_enumeration, "CMPI_enumeration"}, {CMPI_string, "CMPI_string"},
        {CMPI_chars, "CMPI_chars"},       {CMPI_dateTime, "CMPI_dateTime"},
        {CMPI_ptr, "CMPI_ptr"},           {CMPI_charsptr, "CMPI_charsptr"},
    };
    const CMPIType element = static_cast<CMPIType>(type & ~CMPI_ARRAY);
    for (const auto& [code, name] : names) {
        if (code == element)
            return std::string(name) + ((type & CMPI_ARRAY) && type != CMPI_null ? "A" : "");
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04X", type);
    return buffer;
}

}  // namespace orv::cmpiserver
