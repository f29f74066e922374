#include "ServerSchema.h"

#include "Value.h"

#include <algorithm>

namespace orv::cimxml {

using cmpiserver::equalsIgnoreCase;
using cmpiserver::toLower;

const ParameterDecl* MethodDecl::parameter(std::string_view parameterName) const {
    for (const auto& p : parameters)
        if (equalsIgnoreCase(p.name, parameterName)) return &p;
    return nullptr;
}

void ServerSchema::addClass(ClassDecl decl) {
    const std::string key = toLower(decl.name);
    if (auto it = index_.find(key); it != index_.end()) {
        classes_[it->second] = std::move(decl);
    } else {
        index_.emplace(key, classes_.size());
        classes_.push_back(std::move(decl));
    }
    refreshVisibility();
}

void ServerSchema::addNamespace(std::string_view nameSpace) {
    if (findNamespace(nameSpace)) return;
    namespaces_.push_back(Namespace{std::string(nameSpace), {}, {}, {}, {}, {}});
}

void ServerSchema::registerProviderClass(std::string_view nameSpace, std::string_view className) {
    addNamespace(nameSpace);
    auto& ns = const_cast<Namespace&>(*findNamespace(nameSpace));
    if (ns.providerKeys.insert(toLower(className)).second)
        ns.providerClasses.emplace_back(className);
    refreshVisibility();
}

void ServerSchema::registerServerClass(std::string_view nameSpace, std::string_view className) {
    addNamespace(nameSpace);
    auto& ns = const_cast<Namespace&>(*findNamespace(nameSpace));
    ns.serverClasses.emplace_back(className);
    refreshVisibility();
}

void ServerSchema::registerIndicationClass(std::string_view nameSpace, std::string_view className) {
    addNamespace(nameSpace);
    auto& ns = const_cast<Namespace&>(*findNamespace(nameSpace));
    ns.indicationClasses.emplace_back(className);
}

std::vector<std::string> ServerSchema::indicationClasses(std::string_view nameSpace) const {
    const Namespace* ns = findNamespace(nameSpace);
    return ns ? ns->indicationClasses : std::vector<std::string>{};
}

bool ServerSchema::isServerClass(std::string_view nameSpace, std::string_view className) const {
    const Namespace* ns = findNamespace(nameSpace);
    if (!ns) return false;
    return std::any_of(ns->serverClasses.begin(), ns->serverClasses.end(),
                       [&](const std::string& name) { return isA(className, name); });
}

// Visibility depends on both the classes and the registrations, so it is
// recomputed whenever either changes; the schema is built once at start.
void ServerSchema::refreshVisibility() {
    for (auto& ns : namespaces_) {
        ns.visibleKeys.clear();
        std::vector<std::string> shown = ns.providerClasses;
        shown.insert(shown.end(), ns.serverClasses.begin(), ns.serverClasses.end());
        for (const auto& name : shown) {
            std::string key = toLower(name);
            for (int depth = 0; depth < 64 && !key.empty(); ++depth) {
                if (!ns.visibleKeys.insert(key).second) break;
                const ClassDecl* decl = find(key);
                key = decl ? toLower(decl->superClass) : std::string();
            }
        }
    }
}

const ClassDecl* ServerSchema::find(std::string_view className) const {
    auto it = index_.find(toLower(className));
    return it == index_.end() ? nullptr : &classes_[it->second];
}

bool ServerSchema::isA(std::string_view className, std::string_view ancestor) const {
    std::string current(className);
    // The depth limit keeps a cyclic schema from hanging a request.
    for (int depth = 0; depth < 64 && !current.empty(); ++depth) {
        if (equalsIgnoreCase(current, ancestor)) return true;
        const ClassDecl* decl = find(current);
        if (!decl) return false;
        current = decl->superClass;
    }
    return false;
}

std::vector<const ClassDecl*> ServerSchema::classes() const {
    std::vector<const ClassDecl*> out;
    for (const auto& c : classes_) out.push_back(&c);
    return out;
}

std::vector<const ClassDecl*> ServerSchema::subClasses(std::string_view className, bool deep) const {
    std::vector<const ClassDecl*> out;
    for (const auto& c : classes_) {
        if (equalsIgnoreCase(c.name, className)) continue;
        if (deep ? isA(c.name, className)
                 : (className.empty() ? c.superClass.empty()
                                      : equalsIgnoreCase(c.superClass, className)))
            out.push_back(&c);
    }
    return out;
}

namespace {

template <class Decl>
void mergeInto(std::vector<Inherited<Decl>>& list, const std::vector<Decl>& declared,
               const std::string& origin) {
    for (const auto& d : declared) {
        auto same = std::find_if(list.begin(), list.end(), [&](const Inherited<Decl>& e) {
            return equalsIgnoreCase(e.decl->name, d.name);
        });
        if (same != list.end()) {
            same->decl = &d;
            same->originClass = origin;
        } else {
            list.push_back(Inherited<Decl>{&d, origin});
        }
    }
}

}  // namespace

std::vector<Inherited<PropertyDecl>> ServerSchema::effectiveProperties(
    std::string_view className) const {
    std::vector<const ClassDecl*> chain;
    for (const ClassDecl* c = find(className); c && chain.size() < 64; c = find(c->superClass))
        chain.push_back(c);
    std::vector<Inherited<PropertyDecl>> out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        mergeInto(out, (*it)->properties, (*it)->name);
    return out;
}

std::vector<Inherited<MethodDecl>> ServerSchema::effectiveMethods(std::string_view className) const {
    std::vector<const ClassDecl*> chain;
    for (const ClassDecl* c = find(className); c && chain.size() < 64; c = find(c->superClass))
        chain.push_back(c);
    std::vector<Inherited<MethodDecl>> out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        mergeInto(out, (*it)->methods, (*it)->name);
    return out;
}

std::optional<Inherited<PropertyDecl>> ServerSchema::property(std::string_view className,
                                                              std::string_view propertyName) const {
    for (auto& p : effectiveProperties(className))
        if (equalsIgnoreCase(p.decl->name, propertyName)) return p;
    return std::nullopt;
}

std::optional<Inherited<MethodDecl>> ServerSchema::method(std::string_view className,
                                                          std::string_view methodName) const {
    for (auto& m : effectiveMethods(className))
        if (equalsIgnoreCase(m.decl->name, methodName)) return m;
    return std::nullopt;
}

const ServerSchema::Namespace* ServerSchema::findNamespace(std::string_view nameSpace) const {
    for (const auto& ns : namespaces_)
        if (equalsIgnoreCase(ns.name, nameSpace)) return &ns;
    return nullptr;
}

std::optional<std::string> ServerSchema::servedNamespace(std::string_view nameSpace) const {
    const Namespace* ns = findNamespace(nameSpace);
    if (!ns) return std::nullopt;
    return ns->name;
}

std::vector<std::string> ServerSchema::namespaces() const {
    std::vector<std::string> out;
    for (const auto& ns : namespaces_) out.push_back(ns.name);
    return out;
}

bool ServerSchema::isProviderClass(std::string_view nameSpace, std::string_view className) const {
    const Namespace* ns = findNamespace(nameSpace);
    return ns && ns->providerKeys.count(toLower(className)) != 0;
}

bool ServerSchema::isVisible(std::string_view nameSpace, std::string_view className) const {
    const Namespace* ns = findNamespace(nameSpace);
    return ns && ns->visibleKeys.count(toLower(className)) != 0;
}

std::vector<std::string> ServerSchema::providerClassesFor(std::string_view nameSpace,
                                                          std::string_view className) const {
    std::vector<std::string> out;
    const Namespace* ns = findNamespace(nameSpace);
    if (!ns) return out;
    for (const auto& name : ns->providerClasses)
        if (isA(name, className)) out.push_back(name);
    return out;
}

std::vector<std::string> ServerSchema::providerClasses(std::string_view nameSpace) const {
    const Namespace* ns = findNamespace(nameSpace);
    return ns ? ns->providerClasses : std::vector<std::string>{};
}

namespace {

struct TypeName {
    CMPIType type;
    const char* name;
};

constexpr TypeName kTypeNames[] = {
    {CMPI_boolean, "boolean"}, {CMPI_char16, "char16"},     {CMPI_real32, "real32"},
    {CMPI_real64, "real64"},   {CMPI_uint8, "uint8"},       {CMPI_uint16, "uint16"},
    {CMPI_uint32, "uint32"},   {CMPI_uint64, "uint64"},     {CMPI_sint8, "sint8"},
    {CMPI_sint16, "sint16"},   {CMPI_sint32, "sint32"},     {CMPI_sint64, "sint64"},
    {CMPI_string, "string"},   {CMPI_dateTime, "datetime"}, {CMPI_ref, "reference"},
    {CMPI_instance, "string"},
};

}  // namespace

std::optional<CMPIType> typeFromCimName(std::string_view cimTypeName) {
    for (const auto& t : kTypeNames)
        if (equalsIgnoreCase(t.name, cimTypeName)) return t.type;
    return std::nullopt;
}

std::string cimNameOfType(CMPIType type) {
    const CMPIType element = static_cast<CMPIType>(type & ~CMPI_ARRAY);
    for (const auto& t : kTypeNames)
        if (t.type == element) return t.name;
    return "string";  // character arrays and anything unnamed travel as text
}

}  // namespace orv::cimxml
