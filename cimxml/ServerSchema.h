// What the CIM-XML server knows of the schema: class declarations with
// their properties and methods, the namespaces it serves and which classes
// the provider implements in each. The server routes requests, types keys
// and parameters, and answers the class operations from it.
#pragma once

#include "cmpidt.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orv::cimxml {

// A declared type: the CMPI element type plus CMPI_ARRAY for arrays, and
// for references the class the reference points to.
struct TypeDecl {
    CMPIType type = CMPI_string;
    std::string referenceClass;

    bool isArray() const { return (type & CMPI_ARRAY) != 0; }
    bool isReference() const { return (type & ~CMPI_ARRAY) == CMPI_ref; }
    CMPIType elementType() const { return static_cast<CMPIType>(type & ~CMPI_ARRAY); }
};

struct PropertyDecl {
    std::string name;
    TypeDecl type;
    bool isKey = false;
};

struct ParameterDecl {
    std::string name;
    TypeDecl type;
    bool in = true;
    bool out = false;
};

struct MethodDecl {
    std::string name;
    CMPIType returnType = CMPI_uint32;
    std::vector<ParameterDecl> parameters;

    const ParameterDecl* parameter(std::string_view parameterName) const;
};

struct ClassDecl {
    std::string name;
    std::string superClass;  // empty for a root class
    bool isAssociation = false;
    bool isIndication = false;
    bool isAbstract = false;
    std::vector<PropertyDecl> properties;  // declared or overridden here
    std::vector<MethodDecl> methods;       // declared or overridden here
};

// A property or method as a class sees it, with the class that declared it.
template <class Decl>
struct Inherited {
    const Decl* decl;
    std::string originClass;
};

// A reference property of an association: the role and the class it names.
struct AssociationEnd {
    std::string role;
    std::string referenceClass;
};

// A provider association class with its single-valued references.
struct AssociationRoute {
    const ClassDecl* decl;
    std::vector<AssociationEnd> ends;
    // The class, then its ancestors: requests that name an association
    // class test every route against it.
    std::vector<const ClassDecl*> chain;
    // Whether the association is the class or one of its subclasses, as
    // ServerSchema::isA answers it.
    bool isA(std::string_view className) const;
};

// Orders names without case, so that look-ups take the name as the client
// spelt it, without making a lower-case copy first.
struct NameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

class ServerSchema {
public:
    // Adds or replaces a class. Names compare without case everywhere.
    void addClass(ClassDecl decl);
    // Serves a namespace; classes registered there are the provider's.
    void addNamespace(std::string_view nameSpace);
    void registerProviderClass(std::string_view nameSpace, std::string_view className);
    // Classes the server answers itself (the subscription classes): visible
    // in the namespace, never routed to the provider.
    void registerServerClass(std::string_view nameSpace, std::string_view className);
    // Indication classes the provider raises in a namespace.
    void registerIndicationClass(std::string_view nameSpace, std::string_view className);
    std::vector<std::string> indicationClasses(std::string_view nameSpace) const;
    bool isServerClass(std::string_view nameSpace, std::string_view className) const;

    const ClassDecl* find(std::string_view className) const;
    bool isA(std::string_view className, std::string_view ancestor) const;
    // Every known class, in the order they were added.
    std::vector<const ClassDecl*> classes() const;
    std::vector<const ClassDecl*> subClasses(std::string_view className, bool deep) const;

    // Properties and methods including inherited ones, base class first;
    // an override replaces the inherited declaration in place. Worked out
    // once per class and kept: every instance written asks for them, and
    // the answers stay valid until the next addClass.
    const std::vector<Inherited<PropertyDecl>>& effectiveProperties(std::string_view className) const;
    const std::vector<Inherited<MethodDecl>>& effectiveMethods(std::string_view className) const;
    // Nothing (a null pointer) when the class or the member is unknown.
    const Inherited<PropertyDecl>* property(std::string_view className, std::string_view propertyName) const;
    const Inherited<MethodDecl>* method(std::string_view className, std::string_view methodName) const;

    // The spelling the server uses for a namespace name ("root/PG_InterOp"
    // for "ROOT/pg_interop"); nothing when the namespace is not served.
    std::optional<std::string> servedNamespace(std::string_view nameSpace) const;
    std::vector<std::string> namespaces() const;
    bool isProviderClass(std::string_view nameSpace, std::string_view className) const;
    // A class is visible in a namespace when the provider implements it
    // there or it is an ancestor of such a class.
    bool isVisible(std::string_view nameSpace, std::string_view className) const;
    // Provider classes of the namespace that are className or derive from it.
    std::vector<std::string> providerClassesFor(std::string_view nameSpace,
                                                std::string_view className) const;
    std::vector<std::string> providerClasses(std::string_view nameSpace) const;
    // Two classes can meet at a reference when one derives from the other;
    // an unknown or unnamed class meets anything.
    bool mayMeet(std::string_view a, std::string_view b) const;
    // The provider's association classes of the namespace, in registration
    // order, that can hold an object of class `source` at one of their ends
    // (one without references holds anything). Every association request
    // asks this, mostly from objects that few associations lead from, so the
    // answer is worked out once per namespace and class.
    const std::vector<const AssociationRoute*>& associationsFrom(std::string_view nameSpace,
                                                                 std::string_view source) const;

private:
    struct Namespace {
        std::string name;
        std::vector<std::string> providerClasses;  // as registered
        std::set<std::string, NameLess> providerKeys;
        std::set<std::string, NameLess> visibleKeys;  // with ancestors
        std::vector<std::string> serverClasses;
        std::vector<std::string> indicationClasses;
    };
    // A class as its instances are written: every member with its origin,
    // and the members by lower-case name.
    struct ClassView {
        std::vector<const ClassDecl*> chain;  // the class, then its ancestors
        std::vector<Inherited<PropertyDecl>> properties;
        std::vector<Inherited<MethodDecl>> methods;
        std::map<std::string, std::size_t, NameLess> propertyIndex;
        std::map<std::string, std::size_t, NameLess> methodIndex;
    };
    const Namespace* findNamespace(std::string_view nameSpace) const;
    void refreshVisibility();
    // Adds the class and its ancestors to what the namespace shows.
    void showWithAncestors(Namespace& ns, const std::string& className);
    // Drops the kept views and routes; they are made again on first use.
    void forgetViews();
    const ClassView& view(std::string_view className) const;
    ClassView buildView(std::string_view className) const;
    std::vector<AssociationRoute> buildRoutes(std::string_view nameSpace) const;

    std::vector<ClassDecl> classes_;
    // Positions by the hash of the name without case: every request looks
    // classes up, and a hash finds one in a few steps.
    std::unordered_multimap<std::uint64_t, std::size_t> hashIndex_;
    std::vector<Namespace> namespaces_;
    // Request threads read the schema at the same time; views are added
    // under the lock and never moved, so a reference stays good.
    struct ViewCache {
        std::shared_mutex mutex;
        // By the hash of the class name without case, with the name.
        std::unordered_multimap<std::uint64_t, std::pair<std::string, std::unique_ptr<const ClassView>>> views;
        const ClassView* findView(std::uint64_t hash, std::string_view className) const;
        using ClassLists = std::map<std::string, std::vector<std::string>, NameLess>;
        std::map<std::string, ClassLists, NameLess> classesFor;  // by namespace, then class
        std::map<std::string, std::vector<AssociationRoute>, NameLess> routes;  // by namespace
        std::map<std::string, std::vector<const AssociationRoute*>, NameLess> routesFrom;  // namespace NUL class
    };
    std::unique_ptr<ViewCache> cache_ = std::make_unique<ViewCache>();
};

// "uint32" -> CMPI_uint32, "datetime" -> CMPI_dateTime ...; nothing for an unknown name.
std::optional<CMPIType> typeFromCimName(std::string_view cimTypeName);
// CMPI_uint32 -> "uint32"; the element type's name for arrays. A literal:
// every property and key written asks for one.
const char* cimNameOfType(CMPIType type);

}  // namespace orv::cimxml
