// The name of one CIM object: host, namespace, class name and key bindings.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace orv::cim::fwf {

class CIMKeyBinding;

class CIMObjectPath {
public:
    CIMObjectPath();
    CIMObjectPath(std::string host, std::string nameSpace, std::string className);
    CIMObjectPath(const CIMObjectPath& other);
    CIMObjectPath(CIMObjectPath&& other) noexcept;
    CIMObjectPath& operator=(const CIMObjectPath& other);
    CIMObjectPath& operator=(CIMObjectPath&& other) noexcept;
    ~CIMObjectPath();

    const std::string& getHost() const { return host_; }
    void setHost(const std::string& host) { host_ = host; }
    const std::string& getNameSpace() const { return nameSpace_; }
    void setNameSpace(const std::string& nameSpace) { nameSpace_ = nameSpace; }
    const std::string& getClassName() const { return className_; }
    void setClassName(const std::string& className) { className_ = className; }

    const std::vector<CIMKeyBinding>& getKeyBindings() const { return keyBindings_; }
    void setKeyBindings(const std::vector<CIMKeyBinding>& keyBindings);
    void setKeyBindings(std::vector<CIMKeyBinding>&& keyBindings);
    void addKeyBinding(const CIMKeyBinding& keyBinding);
    void addKeyBinding(CIMKeyBinding&& keyBinding);
    void reserveKeyBindings(std::size_t count);
    // Hands the key bindings over and leaves the path without any.
    std::vector<CIMKeyBinding> releaseKeyBindings();
    // Hand one part over, for a caller that is done with the path.
    std::string takeHost() && { return std::move(host_); }
    std::string takeNameSpace() && { return std::move(nameSpace_); }
    std::string takeClassName() && { return std::move(className_); }
    // The first key binding with exactly this name; one with an empty name
    // when there is none.
    CIMKeyBinding getKeyBinding(const std::string& name) const;

    // //host/namespace:Class.Key="v",Other=//host/ns:Referenced.Id="1"
    std::string toString() const;

    // Namespace and class name compare without regard to case, key names
    // exactly, key order and host not at all.
    bool operator==(const CIMObjectPath& other) const;
    bool operator!=(const CIMObjectPath& other) const { return !(*this == other); }

private:
    std::string host_;
    std::string nameSpace_;
    std::string className_;
    std::vector<CIMKeyBinding> keyBindings_;
};

}  // namespace orv::cim::fwf

// A key binding holds object paths by value, so the two headers complete
// each other; either may be included first.
#include "CIMKeyBinding.h"
