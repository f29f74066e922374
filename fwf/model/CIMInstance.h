// A CIM object with all its properties, key and non-key together, in the
// order they were added.
#pragma once

#include "CIMObjectPath.h"

#include <cstddef>
#include <string>
#include <vector>

namespace orv::cim::fwf {

class CIMKeyBinding;
class CIMProperty;

class CIMInstance {
public:
    CIMInstance();
    // Takes host, namespace and class name, and one key property per key
    // binding of an integer, string or reference type (others are skipped).
    explicit CIMInstance(const CIMObjectPath& path);
    // The same from a path that is not needed any more: its key values move.
    explicit CIMInstance(CIMObjectPath&& path);
    // The same from the host, namespace and class of `classPath` and keys
    // given separately, whose values move into the key properties; room is
    // kept for `otherProperties` more.
    CIMInstance(const CIMObjectPath& classPath, std::vector<CIMKeyBinding>&& keys, std::size_t otherProperties);
    CIMInstance(const CIMInstance& other);
    CIMInstance(CIMInstance&& other) noexcept;
    CIMInstance& operator=(const CIMInstance& other);
    CIMInstance& operator=(CIMInstance&& other) noexcept;
    ~CIMInstance();

    const std::string& getHost() const { return host_; }
    void setHost(const std::string& host) { host_ = host; }
    const std::string& getNameSpace() const { return nameSpace_; }
    void setNameSpace(const std::string& nameSpace) { nameSpace_ = nameSpace; }
    const std::string& getClassName() const { return className_; }
    void setClassName(const std::string& className) { className_ = className; }

    // Host, namespace and class name only; properties stay as they are.
    void setObjectPath(const CIMObjectPath& path);
    // One key binding per key property of a boolean, integer (not 8-bit),
    // string or reference type, in property order.
    CIMObjectPath getObjectPath() const;

    // Appends a copy; a second property of the same name is not refused.
    void addProperty(const CIMProperty& property);
    void addProperty(CIMProperty&& property);
    std::size_t getPropertyCount() const { return properties_.size(); }
    // Callers check getPropertyCount() first.
    const CIMProperty& getPropertyAt(std::size_t index) const;
    const std::vector<CIMProperty>& getProperties() const { return properties_; }
    // The first property with exactly this name, or nullptr.
    const CIMProperty* getProperty(const std::string& name) const;

private:
    template <typename Key>
    void addKeyProperty(Key&& key);

    std::string host_;
    std::string nameSpace_;
    std::string className_;
    std::vector<CIMProperty> properties_;
};

}  // namespace orv::cim::fwf

// A property can hold an embedded instance, so the two headers complete each
// other; either may be included first.
#include "CIMProperty.h"
