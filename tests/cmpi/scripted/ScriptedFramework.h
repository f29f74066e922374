// A framework facade whose answers a test scripts and whose calls it can
// inspect; linked in place of the real facade so that the adapter can be
// driven through every path without a RAID library.
#pragma once

#include "AbstractAssociationProviderPlugin.h"
#include "CIMException.h"
#include "FrameworkFacade.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace scripted {

using namespace orv::cim::fwf;

// An association plugin with fixed endpoints that does nothing else.
class AssociationPlugin : public AbstractAssociationProviderPlugin {
public:
    AssociationPlugin(std::string first, std::string second)
        : first_(std::move(first)), second_(std::move(second)) {}
    std::string getFirstEndpointClassName() const override { return first_; }
    std::string getSecondEndpointClassName() const override { return second_; }
    void getCIMInstance(CIMObjectPath, CIMInstanceList&) override {}
    void enumerateInstances(CIMObjectPath, CIMInstanceList&) override {}
    void enumerateInstanceNames(CIMObjectPath, CIMObjectPathList&) override {}
    void modifyInstance(CIMObjectPath, CIMInstance, const PropertyNameList&) override {}
    void createInstance() override {}
    void deleteInstance() override {}
    void associators(CIMObjectPath, const std::string&, CIMInstanceList&, const std::string&,
                     const std::string&, const std::string&) override {}
    void associatorNames(CIMObjectPath, const std::string&, CIMObjectPathList&, const std::string&,
                         const std::string&, const std::string&) override {}
    void references(CIMObjectPath, const std::string&, CIMInstanceList&, const std::string&) override {}
    void referencesNames(CIMObjectPath, const std::string&, CIMObjectPathList&, const std::string&) override {}
    uint32_t invokeMethod(CIMObjectPath, const std::string&, const CIMArgumentList&,
                          CIMArgumentList&) override {
        return 0;
    }

private:
    std::string first_;
    std::string second_;
};

// One facade call as the adapter made it.
struct Call {
    std::string operation;
    CIMObjectPath path;
    std::string associationClass;
    std::string resultClass;
    std::string role;
    std::string resultRole;
    CIMInstance instance;
    PropertyNameList propertyNames;
    std::string methodName;
    CIMArgumentList in;
};

struct Script {
    bool facadeExists = true;
    CIMObjectPathList paths;        // answered by the name operations
    CIMInstanceList instances;      // answered by the instance operations
    AbstractProviderPlugin* plugin = nullptr;  // answered by getPlugIn
    uint32_t methodReturn = 0;
    CIMArgumentList methodOut;
    // Raised by every operation call when set.
    std::function<void()> raise;

    std::vector<Call> calls;
    DeliverIndicationCallback callback = nullptr;
    int destroyCalls = 0;
};

// The script of the running test; tests reset it in their set-up.
Script& script();

}  // namespace scripted
