#include "ValueConversion.h"

#include "CimError.h"
#include "DateTimeText.h"

#include <cctype>
#include <charconv>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace orv::cimxml {

using cmpiserver::equalsIgnoreCase;

namespace {

[[noreturn]] void badValue(const std::string& what, std::string_view text, CMPIType type) {
    throw CimError(kCimErrInvalidParameter, what + ": \"" + std::string(text) + "\" is not a valid " +
                                                cimNameOfType(type) + " value");
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

struct Range {
    std::int64_t min;
    std::uint64_t max;
};

Range rangeOf(CMPIType type) {
    switch (type) {
    case CMPI_uint8: return {0, 0xFF};
    case CMPI_uint16: return {0, 0xFFFF};
    case CMPI_uint32: return {0, 0xFFFFFFFFu};
    case CMPI_uint64: return {0, std::numeric_limits<std::uint64_t>::max()};
    case CMPI_sint8: return {-128, 127};
    case CMPI_sint16: return {-32768, 32767};
    case CMPI_sint32: return {std::numeric_limits<std::int32_t>::min(), 0x7FFFFFFF};
    default: return {std::numeric_limits<std::int64_t>::min(),
                     static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())};
    }
}

Value parseInteger(const std::string& text, CMPIType type, const std::string& what) {
    if (text.empty()) badValue(what, text, type);
    const bool negative = text[0] == '-';
    std::size_t pos = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    int base = 10;
    if (text.size() > pos + 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos >= text.size()) badValue(what, text, type);
    for (std::size_t i = pos; i < text.size(); ++i) {
        const char c = text[i];
        const bool digit = base == 10 ? (c >= '0' && c <= '9') : std::isxdigit(static_cast<unsigned char>(c));
        if (!digit) badValue(what, text, type);
    }
    errno = 0;
    const std::uint64_t magnitude = std::strtoull(text.c_str() + pos, nullptr, base);
    if (errno == ERANGE) badValue(what, text, type);
    const Range range = rangeOf(type);
    const bool isSigned = (type & CMPI_SINT) == CMPI_SINT;
    if (!isSigned) {
        if (negative && magnitude != 0) badValue(what, text, type);
        if (magnitude > range.max) badValue(what, text, type);
        return Value::unsignedInteger(type, magnitude);
    }
    if (negative) {
        const std::uint64_t limit = static_cast<std::uint64_t>(-(range.min + 1)) + 1;
        if (magnitude > limit) badValue(what, text, type);
        return Value::signedInteger(type, magnitude == limit ? range.min
                                                             : -static_cast<std::int64_t>(magnitude));
    }
    if (magnitude > range.max) badValue(what, text, type);
    return Value::signedInteger(type, static_cast<std::int64_t>(magnitude));
}

// The first character of UTF-8 text as a UTF-16 unit (characters beyond
// the basic plane do not fit a char16 and are refused).
Value parseChar16(std::string_view text, const std::string& what) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    std::uint32_t code = 0;
    std::size_t length = 0;
    if (text.empty()) badValue(what, text, CMPI_char16);
    if (s[0] < 0x80) { code = s[0]; length = 1; }
    else if ((s[0] & 0xE0) == 0xC0 && text.size() >= 2) { code = ((s[0] & 0x1Fu) << 6) | (s[1] & 0x3Fu); length = 2; }
    else if ((s[0] & 0xF0) == 0xE0 && text.size() >= 3) {
        code = ((s[0] & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
        length = 3;
    }
    if (length == 0 || length != text.size()) badValue(what, text, CMPI_char16);
    return Value::char16(static_cast<CMPIChar16>(code));
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

Value parseScalar(std::string_view raw, CMPIType type, const std::string& what) {
    switch (type) {
    case CMPI_boolean: {
        const std::string text = trimmed(raw);
        if (equalsIgnoreCase(text, "true")) return Value::boolean(true);
        if (equalsIgnoreCase(text, "false")) return Value::boolean(false);
        badValue(what, raw, type);
    }
    case CMPI_uint8: case CMPI_uint16: case CMPI_uint32: case CMPI_uint64:
    case CMPI_sint8: case CMPI_sint16: case CMPI_sint32: case CMPI_sint64:
        return parseInteger(trimmed(raw), type, what);
    case CMPI_real32: case CMPI_real64: {
        const std::string text = trimmed(raw);
        char* end = nullptr;
        errno = 0;
        const double d = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(d)) badValue(what, raw, type);
        return Value::real(type, d);
    }
    case CMPI_char16:
        return parseChar16(raw, what);
    case CMPI_dateTime: {
        const std::string text = trimmed(raw);
        if (!cmpiserver::datetime::isValid(text)) badValue(what, raw, type);
        return Value::dateTime(text);
    }
    default:
        return Value::string(std::string(raw));
    }
}

std::string_view scalarText(const Value& v, ScalarRoom& room) {
    char* const first = room.digits;
    char* const last = room.digits + sizeof room.digits;
    switch (v.elementType()) {
    case CMPI_boolean: return v.asBoolean() ? "TRUE" : "FALSE";
    case CMPI_uint8: case CMPI_uint16: case CMPI_uint32: case CMPI_uint64:
        return {first, static_cast<std::size_t>(std::to_chars(first, last, v.asUnsigned()).ptr - first)};
    case CMPI_sint8: case CMPI_sint16: case CMPI_sint32: case CMPI_sint64:
        return {first, static_cast<std::size_t>(std::to_chars(first, last, v.asSigned()).ptr - first)};
    case CMPI_real32:
        return {first, static_cast<std::size_t>(std::snprintf(first, sizeof room.digits, "%.9g", v.asReal()))};
    case CMPI_real64:
        return {first, static_cast<std::size_t>(std::snprintf(first, sizeof room.digits, "%.17g", v.asReal()))};
    case CMPI_char16:
        room.text.clear();
        appendUtf8(room.text, static_cast<std::uint32_t>(v.asUnsigned()));
        return room.text;
    case CMPI_ref: room.text = v.asReference().toString(); return room.text;
    case CMPI_instance: room.text = v.asInstance().path.toString(); return room.text;
    default: return v.asString();
    }
}

std::string valueText(const Value& v) {
    ScalarRoom room;
    return std::string(scalarText(v, room));
}

const char* keyValueType(CMPIType type) {
    if (type == CMPI_boolean) return "boolean";
    if ((type & CMPI_INTEGER) != 0 && (type & CMPI_ENC) == 0) return "numeric";
    if (type == CMPI_real32 || type == CMPI_real64) return "numeric";
    return "string";
}

Value ValueConverter::keyValue(const XmlKeyBinding& key, const PropertyDecl* decl, std::string_view name,
                               const std::string& className) const {
    using Kind = XmlKeyBinding::Kind;
    // Most keys are strings and never need their description.
    const auto what = [&] { return "key " + std::string(name) + " of " + className; };
    if (key.kind == Kind::Reference) {
        if (decl && !decl->type.isReference())
            throw CimError(kCimErrInvalidParameter, what() + " is not a reference key");
        return Value::reference(path(*key.reference));
    }
    if (!decl) {
        // A key the schema does not declare keeps the type the message gave it.
        if (key.kind == Kind::Boolean) return parseScalar(key.text, CMPI_boolean, what());
        if (key.kind == Kind::Numeric) {
            const bool negative = trimmed(key.text).rfind('-', 0) == 0;
            return parseScalar(key.text, negative ? CMPI_sint64 : CMPI_uint64, what());
        }
        return Value::string(key.text);
    }
    if (decl->type.isReference()) {
        throw CimError(kCimErrInvalidParameter, what() + " must be a reference");
    }
    const CMPIType type = decl->type.elementType();
    // A string key accepts any text; the other types must parse as declared.
    if (type == CMPI_string) return Value::string(key.text);
    if (key.kind == Kind::Boolean && type != CMPI_boolean)
        throw CimError(kCimErrInvalidParameter, what() + " is a boolean, the class declares " + cimNameOfType(type));
    return parseScalar(key.text, type, what());
}

namespace {

// The key of the class a binding names (null when none has that name), or
// for an unnamed binding the class's only key.
const PropertyDecl* declaredKey(const std::vector<Inherited<PropertyDecl>>* properties, std::string_view name) {
    const PropertyDecl* only = nullptr;
    std::size_t keys = 0;
    if (properties)
        for (const auto& p : *properties) {
            if (!p.decl->isKey) continue;
            if (!name.empty() && equalsIgnoreCase(p.decl->name, name)) return p.decl;
            ++keys;
            only = p.decl;
        }
    if (name.empty() && keys != 1)
        throw CimError(kCimErrInvalidParameter, "an unnamed key value needs a class with exactly one key");
    return name.empty() ? only : nullptr;
}

}  // namespace

ObjectPath ValueConverter::path(const XmlPath& xml) const {
    ObjectPath out;
    out.host = xml.host;
    out.nameSpace = xml.nameSpace.empty() ? nameSpace_ : xml.nameSpace;
    out.className = xml.className;
    const ClassDecl* decl = schema_.find(xml.className);
    const std::vector<Inherited<PropertyDecl>>* properties =
        decl ? &schema_.effectiveProperties(xml.className) : nullptr;
    out.keys.reserve(xml.keys.size());
    for (const auto& key : xml.keys) {
        const PropertyDecl* keyDecl = declaredKey(properties, key.name);
        const std::string_view name = key.name.empty() ? std::string_view(keyDecl->name) : key.name;
        if (decl && !keyDecl) {
            const auto p = schema_.property(xml.className, name);
            throw CimError(kCimErrInvalidParameter,
                           std::string(name) + (p ? " is not a key of " : " is not a property of ") + xml.className);
        }
        cmpiserver::setNamed(out.keys, keyDecl ? std::string_view(keyDecl->name) : name,
                             keyValue(key, keyDecl, name, xml.className));
    }
    return out;
}

Value ValueConverter::value(const XmlValue& xml, const TypeDecl& type, const std::string& what) const {
    using Kind = XmlValue::Kind;
    if (xml.kind == Kind::Null) return Value::null(type.type);
    const CMPIType element = type.elementType();
    if (type.isReference()) {
        if (type.isArray()) {
            if (xml.kind != Kind::ReferenceArray)
                throw CimError(kCimErrInvalidParameter, what + " must be an array of references");
            std::vector<Value> items;
            for (const auto& p : xml.paths) items.push_back(Value::reference(path(p)));
            return Value::array(CMPI_ref, std::move(items));
        }
        if (xml.kind != Kind::Reference && xml.kind != Kind::InstanceName)
            throw CimError(kCimErrInvalidParameter, what + " must be a reference");
        ObjectPath target = path(xml.paths.front());
        if (!type.referenceClass.empty() && schema_.find(type.referenceClass) &&
            !schema_.isA(target.className, type.referenceClass))
            throw CimError(kCimErrInvalidParameter, what + " must refer to a " + type.referenceClass +
                                                        ", not a " + target.className);
        return Value::reference(std::move(target));
    }
    if (type.isArray()) {
        std::vector<Value> items;
        if (xml.kind == Kind::Array) {
            for (std::size_t i = 0; i < xml.texts.size(); ++i)
                items.push_back(xml.nullElements[i] ? Value::null(element)
                                                    : parseScalar(xml.texts[i], element, what));
        } else if (xml.kind == Kind::Scalar) {
            // A lone value for an array parameter is taken as one element.
            items.push_back(parseScalar(xml.text, element, what));
        } else {
            throw CimError(kCimErrInvalidParameter, what + " must be an array value");
        }
        return Value::array(element, std::move(items));
    }
    if (xml.kind != Kind::Scalar)
        throw CimError(kCimErrInvalidParameter, what + " must be a single value");
    return parseScalar(xml.text, element, what);
}

Instance ValueConverter::instance(const XmlInstance& xml) const {
    if (!schema_.find(xml.className))
        throw CimError(kCimErrInvalidClass, "the class " + xml.className + " does not exist");
    Instance out;
    out.path.nameSpace = nameSpace_;
    out.path.className = schema_.find(xml.className)->name;
    for (const auto& p : xml.properties) {
        const auto decl = schema_.property(xml.className, p.name);
        if (!decl)
            throw CimError(kCimErrNoSuchProperty, p.name + " is not a property of " + xml.className);
        Value v = value(p.value, decl->decl->type, "property " + decl->decl->name);
        if (decl->decl->isKey && !v.isNull()) cmpiserver::setNamed(out.path.keys, decl->decl->name, v);
        cmpiserver::setNamed(out.properties, decl->decl->name, std::move(v));
    }
    return out;
}

}  // namespace orv::cimxml
