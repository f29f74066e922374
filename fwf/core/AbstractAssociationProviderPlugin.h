// Base of every association plugin: builds the association instances by
// pairing the instances of the two endpoint classes and answers References,
// ReferenceNames, Associators and AssociatorNames from them. A concrete
// association gives its two ends and one pair test:
//
//   class ORVBatterySystemDevice : public AbstractAssociationProviderPlugin {
//   public:
//       ORVBatterySystemDevice()
//           : AbstractAssociationProviderPlugin({"ORV_ControllerComputerSystem", "GroupComponent"},
//                                               {"ORV_Battery", "PartComponent"}) {}
//       bool MatchInstances(const CIMInstance& system, const CIMInstance& battery) override {
//           return sameKeyNumber(system, {"Name", 2}, battery, {"DeviceID", 1});
//       }
//   };
#pragma once

#include <optional>
#include <string>

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

// One end of an association: the endpoint class (empty when not fixed), the
// role its reference carries, and the namespace its instances live in (empty
// for the namespace of the request).
struct AssociationEnd {
    std::string className{};
    std::string role{};
    std::string nameSpace{};
};

// Names a field of a key value: the property and the field that the key-field
// splitter takes from it (1 before the first "_", 2 after it, 3 after the
// second).
struct KeyField {
    const char* property;
    int field;
};

class AbstractAssociationProviderPlugin : public AbstractInstanceProviderPlugin {
public:
    AbstractAssociationProviderPlugin(AssociationEnd first, AssociationEnd second);

    // Association instances are not built from repository objects.
    void getKeyAttributes(const orv::raidlib::PropertyContainer&, KeyBindingList&) override {}
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer&, PropertyList&) override {}
    void getRepositoryObjects(const CIMObjectPath&, RepositoryObjects&) override {}

    // True when the two endpoint instances are related.
    virtual bool MatchInstances(const CIMInstance& first, const CIMInstance& second) = 0;
    virtual std::string getFirstEndpointClassName() const { return first_.className; }
    virtual std::string getSecondEndpointClassName() const { return second_.className; }
    // The ends live as long as the plugin, so the role names are lent, not copied.
    virtual const std::string& getFirstRoleName() const { return first_.role; }
    virtual const std::string& getSecondRoleName() const { return second_.role; }
    // The association instances that reference the source object, narrowed
    // by role (the source's reference name) and result role (the other end's).
    virtual CIMInstanceList associationHelper(const CIMObjectPath& source, const std::string& associationClass,
                                              const std::string& resultClass, const std::string& role,
                                              const std::string& resultRole);
    // Whether an object of this class can stand at either end: the class
    // names compare in lower case, and an end whose class is not fixed takes
    // any class. Traversals from an object of any other class answer nothing
    // at once instead of enumerating both endpoint classes.
    virtual bool isEndpointClass(const std::string& className) const;

    void enumerateInstances(CIMObjectPath path, CIMInstanceList& out) override;
    void enumerateInstanceNames(CIMObjectPath path, CIMObjectPathList& out) override;
    void getCIMInstance(CIMObjectPath path, CIMInstanceList& out) override;
    void associators(CIMObjectPath path, const std::string& associationClass, CIMInstanceList& out,
                     const std::string& role, const std::string& resultRole, const std::string& resultClass) override;
    void associatorNames(CIMObjectPath path, const std::string& associationClass, CIMObjectPathList& out,
                         const std::string& role, const std::string& resultRole,
                         const std::string& resultClass) override;
    void references(CIMObjectPath path, const std::string& resultClass, CIMInstanceList& out,
                    const std::string& role) override;
    void referencesNames(CIMObjectPath path, const std::string& resultClass, CIMObjectPathList& out,
                         const std::string& role) override;

protected:
    // The object a walk through this thread's current association request
    // starts from (set by associationHelper around enumerateInstances), or
    // null for a plain enumeration. A plugin may then build only the
    // associations that can reference it; associationHelper still keeps
    // only those that do.
    static const CIMObjectPath* traversalSource();

    // The association instance, in the request's host, namespace and class,
    // holding one reference key per role.
    CIMInstance makeAssociation(const CIMObjectPath& request, CIMObjectPath first, CIMObjectPath second) const;
    // Appends an association for every pair that MatchInstances accepts,
    // first-end instances in the outer loop.
    void pairInstances(const CIMObjectPath& request, const CIMInstanceList& firsts, const CIMInstanceList& seconds,
                       CIMInstanceList& out);
    // Path of an end's class in the end's namespace (or the request's).
    CIMObjectPath endpointPath(const CIMObjectPath& request, const AssociationEnd& end) const;
    // The Name of the system an object belongs to: its SystemName key, or its
    // own Name when it is a system (keyed by CreationClassName and Name);
    // empty when its keys name none. A walk from the object through an
    // association that relates only objects of one system needs only that
    // system's instances of the other end.
    static std::string systemOf(const CIMObjectPath& object);
    // The instances of an end; only those of one system when systemName is
    // not empty (more when the end's plugin cannot tell); with only the
    // non-key properties nonKeysRead names when it is given.
    CIMInstanceList endpointInstances(const CIMObjectPath& request, const AssociationEnd& end,
                                      const std::string& systemName = std::string(),
                                      const PropertyNameList* nonKeysRead = nullptr) const;
    // The names of an end's instances, of one system as above.
    CIMObjectPathList endpointNames(const CIMObjectPath& request, const AssociationEnd& end,
                                    const std::string& systemName = std::string()) const;
    const AssociationEnd& firstEnd() const { return first_; }
    const AssociationEnd& secondEnd() const { return second_; }

    // The shared readers of pair tests. readProperty answers the first value
    // of a property of element type T, nothing when the instance has no such
    // property or it is empty.
    template <typename T>
    static std::optional<T> readProperty(const CIMInstance& instance, const std::string& name) {
        const CIMProperty* property = instance.getProperty(name);
        if (property == nullptr) return std::nullopt;
        const auto value = property->getValue<T>();
        if (value.size() == 0) return std::nullopt;
        return value.getValues().front();
    }
    // The two properties carry the same text.
    static bool sameText(const CIMInstance& first, const char* firstProperty, const CIMInstance& second,
                         const char* secondProperty);
    // The two key fields are the same text.
    static bool sameKeyField(const CIMInstance& first, KeyField firstField, const CIMInstance& second,
                             KeyField secondField);
    // The two key fields are the same decimal number (text that is not a
    // number counts as 0). A missing property never matches.
    static bool sameKeyNumber(const CIMInstance& first, KeyField firstField, const CIMInstance& second,
                              KeyField secondField);

private:
    AssociationEnd first_;
    AssociationEnd second_;
};

}  // namespace orv::cim::fwf
