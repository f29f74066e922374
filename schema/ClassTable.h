// The provider's class schema as a table: what our MOF files declare, parsed
// once, then asked by class name. Our CIM-XML server answers GetClass,
// EnumerateClassNames and class-path ISA questions from it and routes a
// request on a CIM_ base class to the provider classes derived from it; tests
// check the provider's instances against it.
//
// The parser takes the MOF that DMTF's schema and our own files use: pragmas
// (include is followed, the others are skipped), qualifier declarations
// (read and checked for syntax, not kept), and class declarations with their
// qualifiers, properties, references and methods. Instance declarations are
// not part of a class schema and are refused. Class names compare without
// regard to case, as CIM names do. A loaded table is only read, so any number
// of threads may ask it at once; adding files needs the caller's own lock.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orv::schema {

enum class CimType {
    Boolean,
    String,
    Char16,
    DateTime,
    UInt8,
    SInt8,
    UInt16,
    SInt16,
    UInt32,
    SInt32,
    UInt64,
    SInt64,
    Real32,
    Real64,
    Reference,
};

// The MOF spelling of a type ("uint16", "datetime"); "ref" for a reference.
std::string_view typeName(CimType type);
// The type for a MOF type word, compared without case; none for other words.
std::optional<CimType> typeFromName(std::string_view word);

// A value as MOF writes it: a scalar, an array of scalars, or NULL. Strings
// hold their text with escapes resolved; numbers, booleans and char16 values
// keep their MOF spelling ("0x1F", "true", "'a'").
struct Value {
    enum class Kind { Null, String, Number, Boolean, Char };
    struct Scalar {
        Kind kind = Kind::Null;
        std::string text;
    };
    bool isArray = false;
    std::vector<Scalar> elements;  // one element for a scalar value

    bool isNull() const { return !isArray && (elements.empty() || elements[0].kind == Kind::Null); }
    // The first element's text; empty for NULL.
    std::string text() const;
};

struct Qualifier {
    std::string name;
    std::optional<Value> value;  // none when the qualifier stands alone ("Key")
    // Flavors written after a colon ("ToSubclass", "Translatable").
    std::vector<std::string> flavors;

    // A qualifier standing alone counts as true; otherwise a boolean value
    // decides and any other value counts as true.
    bool isTrue() const;
};

class QualifierList {
public:
    void add(Qualifier qualifier) { entries_.push_back(std::move(qualifier)); }
    const Qualifier* find(std::string_view name) const;
    bool has(std::string_view name) const { return find(name) != nullptr; }
    // True when present and not explicitly false ("IN(false)").
    bool isSet(std::string_view name) const;
    const std::vector<Qualifier>& entries() const { return entries_; }

private:
    std::vector<Qualifier> entries_;
};

struct SourceLocation {
    std::string file;
    std::size_t line = 0;
};

struct Property {
    std::string name;
    CimType type = CimType::String;
    bool isArray = false;
    std::optional<std::size_t> arraySize;  // only for fixed-size arrays
    std::string referenceClass;            // for references
    QualifierList qualifiers;
    std::optional<Value> defaultValue;
    std::string originClass;  // the class that declares this property
    SourceLocation location;

    bool isKey() const { return qualifiers.isSet("Key"); }
    bool isReference() const { return type == CimType::Reference; }
    // The name of the property this one overrides, when it says so.
    std::optional<std::string> overrides() const;
};

struct Parameter {
    std::string name;
    CimType type = CimType::String;
    bool isArray = false;
    std::string referenceClass;
    QualifierList qualifiers;

    // IN defaults to true: an output-only parameter says IN(false), OUT.
    bool isIn() const;
    bool isOut() const { return qualifiers.isSet("OUT"); }
    bool isReference() const { return type == CimType::Reference; }
};

struct Method {
    std::string name;
    CimType returnType = CimType::UInt32;
    std::vector<Parameter> parameters;
    QualifierList qualifiers;
    std::string originClass;
    SourceLocation location;

    const Parameter* findParameter(std::string_view parameterName) const;
};

struct ClassDecl {
    std::string name;
    std::string superClass;  // empty for a root class
    QualifierList qualifiers;
    std::vector<Property> properties;  // declared here, in MOF order
    std::vector<Method> methods;       // declared here, in MOF order
    SourceLocation location;

    bool isAssociation() const { return qualifiers.isSet("Association"); }
    bool isIndication() const { return qualifiers.isSet("Indication"); }
    bool isAbstract() const { return qualifiers.isSet("Abstract"); }
    const Property* ownProperty(std::string_view propertyName) const;
    const Method* ownMethod(std::string_view methodName) const;
};

// A MOF text that cannot be read; the message names the file and line:
// "<file>:<line>: <what is wrong>".
class MofError : public std::runtime_error {
public:
    MofError(SourceLocation where, const std::string& what);
    const SourceLocation& where() const { return where_; }
    const std::string& reason() const { return reason_; }

private:
    SourceLocation where_;
    std::string reason_;
};

struct LoadOptions {
    // A class whose superclass has not been declared before it is an error,
    // as for real MOF compilers. Switch it off to read one file of a schema
    // on its own.
    bool requireKnownSuperclass = true;
};

class ClassTable {
public:
    ClassTable();
    ~ClassTable();
    ClassTable(ClassTable&&) noexcept;
    ClassTable& operator=(ClassTable&&) noexcept;
    ClassTable(const ClassTable&) = delete;
    ClassTable& operator=(const ClassTable&) = delete;

    // Reads a MOF file (following its includes) into a new table; throws
    // MofError.
    static ClassTable load(const std::string& path, const LoadOptions& options = {});
    // Reads the files in order into one table, as one compilation.
    static ClassTable load(const std::vector<std::string>& paths, const LoadOptions& options = {});

    // Adds the declarations of one more file, or of MOF text (includes in
    // text are taken relative to the current directory). Throws MofError;
    // the classes read before the faulty declaration stay in the table.
    void addFile(const std::string& path, const LoadOptions& options = {});
    void addText(std::string_view mof, const std::string& sourceName = "<text>",
                 const LoadOptions& options = {});

    std::size_t size() const;
    // Class names as declared, in declaration order.
    std::vector<std::string> classNames() const;
    const ClassDecl* find(std::string_view className) const;
    bool contains(std::string_view className) const { return find(className) != nullptr; }

    std::optional<std::string> superClassOf(std::string_view className) const;
    // The class followed by its ancestors, nearest first, as far as the table
    // knows them.
    std::vector<const ClassDecl*> lineage(std::string_view className) const;
    // True when the class is the ancestor or derives from it.
    bool isA(std::string_view className, std::string_view ancestor) const;
    // Every class that derives from the class, directly or not, in
    // declaration order; the class itself is not included.
    std::vector<std::string> derivedClasses(std::string_view className) const;
    // Classes declared without a superclass, in declaration order.
    std::vector<std::string> rootClasses() const;

    // A property or method as the class sees it: its own declaration or the
    // nearest ancestor's.
    const Property* findProperty(std::string_view className, std::string_view propertyName) const;
    const Method* findMethod(std::string_view className, std::string_view methodName) const;
    // The class's whole property set: inherited ones first (in the order the
    // root declares them), each name once, the nearest declaration winning.
    std::vector<const Property*> allProperties(std::string_view className) const;
    std::vector<const Method*> allMethods(std::string_view className) const;
    // Key properties of the class. A property stays a key where a subclass
    // overrides it without repeating the qualifier, as Key passes to
    // subclasses.
    std::vector<const Property*> keyProperties(std::string_view className) const;
    bool isKeyProperty(std::string_view className, std::string_view propertyName) const;

    // Names that the table uses but does not declare: missing superclasses
    // and reference classes of properties and parameters, one message each,
    // as "<class>.<member>: unknown class <name>". Empty for a closed schema.
    std::vector<std::string> unresolvedNames() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Where the provider's schema lives below a schema directory (the source
// folder schema/ or its copy in the build tree).
inline constexpr const char* kCimBaseFile = "cim/CIM_Base.mof";
inline constexpr const char* kProviderSchemaFile = "orv/ORV_Schema.mof";

// The CIM base declarations followed by the provider's classes: the whole
// schema our own server serves.
ClassTable loadProviderSchema(const std::string& schemaDirectory);

}  // namespace orv::schema
