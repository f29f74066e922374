#include "ClassTable.h"

#include "MofParser.h"

#include <array>
#include <unordered_map>

namespace orv::schema {

using detail::equalsNoCase;
using detail::toLower;

namespace {

constexpr std::array<std::pair<CimType, std::string_view>, 15> kTypeNames{{
    {CimType::Boolean, "boolean"},
    {CimType::String, "string"},
    {CimType::Char16, "char16"},
    {CimType::DateTime, "datetime"},
    {CimType::UInt8, "uint8"},
    {CimType::SInt8, "sint8"},
    {CimType::UInt16, "uint16"},
    {CimType::SInt16, "sint16"},
    {CimType::UInt32, "uint32"},
    {CimType::SInt32, "sint32"},
    {CimType::UInt64, "uint64"},
    {CimType::SInt64, "sint64"},
    {CimType::Real32, "real32"},
    {CimType::Real64, "real64"},
    {CimType::Reference, "ref"},
}};

}  // namespace

std::string_view typeName(CimType type) {
    for (const auto& [t, name] : kTypeNames)
        if (t == type) return name;
    return "?";
}

std::optional<CimType> typeFromName(std::string_view word) {
    for (const auto& [t, name] : kTypeNames)
        if (equalsNoCase(name, word)) return t;
    return std::nullopt;
}

std::string Value::text() const {
    if (elements.empty()) return {};
    return elements[0].text;
}

bool Qualifier::isTrue() const {
    if (!value || value->isArray || value->elements.empty()) return true;
    const auto& first = value->elements[0];
    if (first.kind == Value::Kind::Boolean) return first.text == "true";
    return true;
}

const Qualifier* QualifierList::find(std::string_view name) const {
    for (const auto& q : entries_)
        if (equalsNoCase(q.name, name)) return &q;
    return nullptr;
}

bool QualifierList::isSet(std::string_view name) const {
    const Qualifier* q = find(name);
    return q != nullptr && q->isTrue();
}

std::optional<std::string> Property::overrides() const {
    const Qualifier* q = qualifiers.find("Override");
    if (q == nullptr || !q->value) return std::nullopt;
    return q->value->text();
}

bool Parameter::isIn() const {
    if (qualifiers.has("IN")) return qualifiers.isSet("IN");
    return true;
}

const Parameter* Method::findParameter(std::string_view parameterName) const {
    for (const auto& p : parameters)
        if (equalsNoCase(p.name, parameterName)) return &p;
    return nullptr;
}

const Property* ClassDecl::ownProperty(std::string_view propertyName) const {
    for (const auto& p : properties)
        if (equalsNoCase(p.name, propertyName)) return &p;
    return nullptr;
}

const Method* ClassDecl::ownMethod(std::string_view methodName) const {
    for (const auto& m : methods)
        if (equalsNoCase(m.name, methodName)) return &m;
    return nullptr;
}

MofError::MofError(SourceLocation where, const std::string& what)
    : std::runtime_error(where.file + ":" + std::to_string(where.line) + ": " + what),
      where_(std::move(where)),
      reason_(what) {}

struct ClassTable::Impl {
    std::vector<std::unique_ptr<ClassDecl>> classes;           // declaration order
    std::unordered_map<std::string, const ClassDecl*> byName;  // lower-case name

    void add(ClassDecl&& decl, const LoadOptions& options) {
        const std::string key = toLower(decl.name);
        if (const auto found = byName.find(key); found != byName.end()) {
            throw MofError(decl.location, "class " + decl.name + " is already declared at " +
                                              found->second->location.file + ":" +
                                              std::to_string(found->second->location.line));
        }
        if (!decl.superClass.empty()) {
            if (equalsNoCase(decl.superClass, decl.name))
                throw MofError(decl.location, "class " + decl.name + " cannot derive from itself");
            if (options.requireKnownSuperclass && byName.count(toLower(decl.superClass)) == 0)
                throw MofError(decl.location, "superclass " + decl.superClass + " of class " + decl.name +
                                                  " is not declared");
        }
        classes.push_back(std::make_unique<ClassDecl>(std::move(decl)));
        byName.emplace(key, classes.back().get());
    }

    const ClassDecl* find(std::string_view name) const {
        const auto found = byName.find(toLower(name));
        return found == byName.end() ? nullptr : found->second;
    }

    std::vector<const ClassDecl*> lineage(std::string_view name) const {
        std::vector<const ClassDecl*> chain;
        const ClassDecl* current = find(name);
        // A cycle can only come from a table read without the superclass
        // check; the bound keeps the walk finite.
        while (current != nullptr && chain.size() <= classes.size()) {
            chain.push_back(current);
            if (current->superClass.empty()) break;
            current = find(current->superClass);
        }
        return chain;
    }
};

ClassTable::ClassTable() : impl_(std::make_unique<Impl>()) {}
ClassTable::~ClassTable() = default;
ClassTable::ClassTable(ClassTable&&) noexcept = default;
ClassTable& ClassTable::operator=(ClassTable&&) noexcept = default;

ClassTable ClassTable::load(const std::string& path, const LoadOptions& options) {
    ClassTable table;
    table.addFile(path, options);
    return table;
}

ClassTable ClassTable::load(const std::vector<std::string>& paths, const LoadOptions& options) {
    ClassTable table;
    for (const auto& path : paths) table.addFile(path, options);
    return table;
}

void ClassTable::addFile(const std::string& path, const LoadOptions& options) {
    detail::MofParser parser([this, &options](ClassDecl&& decl) { impl_->add(std::move(decl), options); });
    parser.parseFile(path);
}

void ClassTable::addText(std::string_view mof, const std::string& sourceName, const LoadOptions& options) {
    detail::MofParser parser([this, &options](ClassDecl&& decl) { impl_->add(std::move(decl), options); });
    parser.parseText(mof, sourceName, ".");
}

std::size_t ClassTable::size() const { return impl_->classes.size(); }

std::vector<std::string> ClassTable::classNames() const {
    std::vector<std::string> names;
    names.reserve(impl_->classes.size());
    for (const auto& c : impl_->classes) names.push_back(c->name);
    return names;
}

const ClassDecl* ClassTable::find(std::string_view className) const { return impl_->find(className); }

std::optional<std::string> ClassTable::superClassOf(std::string_view className) const {
    const ClassDecl* decl = find(className);
    if (decl == nullptr || decl->superClass.empty()) return std::nullopt;
    return decl->superClass;
}

std::vector<const ClassDecl*> ClassTable::lineage(std::string_view className) const {
    return impl_->lineage(className);
}

bool ClassTable::isA(std::string_view className, std::string_view ancestor) const {
    if (equalsNoCase(className, ancestor)) return true;
    for (const ClassDecl* decl : impl_->lineage(className))
        if (equalsNoCase(decl->name, ancestor)) return true;
    return false;
}

std::vector<std::string> ClassTable::derivedClasses(std::string_view className) const {
    std::vector<std::string> derived;
    for (const auto& c : impl_->classes) {
        if (equalsNoCase(c->name, className)) continue;
        if (isA(c->name, className)) derived.push_back(c->name);
    }
    return derived;
}

std::vector<std::string> ClassTable::rootClasses() const {
    std::vector<std::string> roots;
    for (const auto& c : impl_->classes)
        if (c->superClass.empty()) roots.push_back(c->name);
    return roots;
}

const Property* ClassTable::findProperty(std::string_view className, std::string_view propertyName) const {
    for (const ClassDecl* decl : impl_->lineage(className))
        if (const Property* p = decl->ownProperty(propertyName)) return p;
    return nullptr;
}

const Method* ClassTable::findMethod(std::string_view className, std::string_view methodName) const {
    for (const ClassDecl* decl : impl_->lineage(className))
        if (const Method* m = decl->ownMethod(methodName)) return m;
    return nullptr;
}

namespace {

// Walks the lineage from the root down so that inherited members come first
// and a nearer declaration takes the place of a farther one.
template <typename Member, typename Members>
std::vector<const Member*> collectMembers(const std::vector<const ClassDecl*>& chain, Members ClassDecl::*field) {
    std::vector<const Member*> members;
    std::unordered_map<std::string, std::size_t> position;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        for (const Member& member : (*it)->*field) {
            const std::string key = toLower(member.name);
            if (const auto found = position.find(key); found != position.end()) {
                members[found->second] = &member;
            } else {
                position.emplace(key, members.size());
                members.push_back(&member);
            }
        }
    }
    return members;
}

}  // namespace

std::vector<const Property*> ClassTable::allProperties(std::string_view className) const {
    return collectMembers<Property>(impl_->lineage(className), &ClassDecl::properties);
}

std::vector<const Method*> ClassTable::allMethods(std::string_view className) const {
    return collectMembers<Method>(impl_->lineage(className), &ClassDecl::methods);
}

bool ClassTable::isKeyProperty(std::string_view className, std::string_view propertyName) const {
    for (const ClassDecl* decl : impl_->lineage(className))
        if (const Property* p = decl->ownProperty(propertyName); p != nullptr && p->isKey()) return true;
    return false;
}

std::vector<const Property*> ClassTable::keyProperties(std::string_view className) const {
    std::vector<const Property*> keys;
    for (const Property* p : allProperties(className))
        if (isKeyProperty(className, p->name)) keys.push_back(p);
    return keys;
}

ClassTable loadProviderSchema(const std::string& schemaDirectory) {
    return ClassTable::load({schemaDirectory + "/" + kCimBaseFile, schemaDirectory + "/" + kProviderSchemaFile});
}

std::vector<std::string> ClassTable::unresolvedNames() const {
    std::vector<std::string> problems;
    for (const auto& c : impl_->classes) {
        if (!c->superClass.empty() && find(c->superClass) == nullptr)
            problems.push_back(c->name + ": unknown superclass " + c->superClass);
        for (const auto& p : c->properties)
            if (p.isReference() && find(p.referenceClass) == nullptr)
                problems.push_back(c->name + "." + p.name + ": unknown class " + p.referenceClass);
        for (const auto& m : c->methods)
            for (const auto& param : m.parameters)
                if (param.isReference() && find(param.referenceClass) == nullptr)
                    problems.push_back(c->name + "." + m.name + "." + param.name + ": unknown class " +
                                       param.referenceClass);
    }
    return problems;
}

}  // namespace orv::schema
