// What the provider answers, held against what our class schema declares:
// the classes registered for the provider in each namespace, and the
// disagreements between an instance or path and the declarations of its
// class, each described so that a failure report names the class, the
// property and both types.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "ClassTable.h"
#include "Value.h"

namespace agreementtest {

using orv::cmpiserver::Instance;
using orv::cmpiserver::ObjectPath;
using orv::cmpiserver::Value;

// One registered class in one of the namespaces it is registered in.
struct ServedClass {
    std::string nameSpace;
    std::string className;
    bool association = false;
};

// How a failing case names its class.
void PrintTo(const ServedClass& served, std::ostream* out);

// The schema the tests compare against, read once per process.
const orv::schema::ClassTable& providerSchema();

// Every class registered for instances, once per namespace, in
// registration order.
std::vector<ServedClass> servedClasses();
std::vector<ServedClass> servedAssociations();

// A test name for a served class, e.g. "Interop_ORV_Namespace".
std::string testNameOf(const ServedClass& served);

// The path as text without host and namespace, class and key names in lower
// case and keys sorted, so that two paths to one instance compare equal
// whichever way the provider spelt or ordered them.
std::string canonicalPath(const ObjectPath& path);

// Equal values; references are equal when they name the same instance.
bool sameValue(const Value& a, const Value& b);

// Empty when the value may be stored in the declared property; otherwise
// "provider <CMPI type>, schema <MOF type>".
std::string typeDisagreement(const orv::schema::Property& declared, const Value& value);

// One line per property of the instance that the class (or an ancestor)
// does not declare, or declares with another type or array-ness, or whose
// reference names a class outside the declared one; each line begins with
// "<class>.<property>: ".
std::vector<std::string> propertyDisagreements(const std::string& className, const Instance& instance);

// One line per key of the path that the class does not declare as a key,
// per declared key the path lacks, and per key value of another type.
std::vector<std::string> keyDisagreements(const std::string& className, const ObjectPath& path);

// The DMTF schema with our classes read on top, for the value maps that our
// compact base declarations leave out; null when the DMTF schema is absent.
const orv::schema::ClassTable* dmtfAndProviderSchema();

// The properties of the instance that a ValueMap governs, one line each, and
// one line per value outside the map: "<class>.<property>: <value> is not in
// its ValueMap". The nearest declaration that carries a ValueMap, the class's
// own first, gives the map.
struct ValueMapCheck {
    std::vector<std::string> mappedProperties;  // "<class>.<property>"
    std::vector<std::string> problems;
};
ValueMapCheck checkValueMaps(const orv::schema::ClassTable& schema, const std::string& className,
                             const Instance& instance);

// The reference properties the schema declares for an association, in
// declaration order.
std::vector<const orv::schema::Property*> referencesOf(const std::string& associationClass);

}  // namespace agreementtest
