// Shared set-up of the adapter tests: a test installation with the log on,
// a broker acting as the CIM server, and the scripted framework facade.
#pragma once

#include "Broker.h"
#include "CIMProperty.h"
#include "CMPIAdapter.h"
#include "Logger.h"
#include "ScriptedFramework.h"
#include "TestInstallation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace adaptertest {

using namespace orv::cmpiserver;
using namespace orv::cim::fwf;
using orv::cim::adap::cmpi::CMPIAdapter;

constexpr const char* kNameSpace = "root/orv/Ambrix/smi_14";

// One installation and one log for the whole test program.
inline orv::test::TestInstallation& installation() {
    static orv::test::TestInstallation* instance = [] {
        auto* created = new orv::test::TestInstallation();
        created->writeDefaultLoggerConfig();
        LogInitialize("SMIS", "SMIS");
        return created;
    }();
    return *instance;
}

// The log lines written since construction.
class LogWatch {
public:
    LogWatch() : start_(TestInstallation::readFile(installation().logFile()).size()) {}
    std::string text() const { return TestInstallation::readFile(installation().logFile()).substr(start_); }
    bool contains(const std::string& part) const { return text().find(part) != std::string::npos; }

private:
    using TestInstallation = orv::test::TestInstallation;
    std::size_t start_;
};

inline std::string message(const CMPIStatus& status) { return readMessage(status); }

// An alert as the framework hands it to the adapter for delivery.
inline CIMInstance alert(const std::string& id = "1") {
    CIMInstance indication;
    indication.setObjectPath(CIMObjectPath("", kNameSpace, "ORV_AlertIndication"));
    indication.addProperty(CIMProperty("IndicationIdentifier", CIMValue<std::string>({id}, false, false), false,
                                       CIM_STRING));
    return indication;
}

class AdapterTest : public ::testing::Test {
protected:
    void SetUp() override {
        installation();
        scripted::script() = scripted::Script{};
        adapter = CMPIAdapter::getInstance();
        ASSERT_NE(adapter, nullptr);
        ASSERT_TRUE(adapter->initialize());
    }

    // A request of the given principal; the previous one ends first.
    RequestScope& newRequest(const Principal& principal = std::string()) {
        request.reset();
        request = std::make_unique<RequestScope>(broker, kNameSpace, principal);
        return *request;
    }
    RequestScope& current() { return request ? *request : newRequest(); }

    CMPIObjectPath* pathOf(const std::string& className, std::vector<NamedValue> keys = {}) {
        current();
        return broker.newObjectPath(ObjectPath{"", kNameSpace, className, std::move(keys)});
    }

    static CMPIStatus ok() { return CMPIStatus{CMPI_RC_OK, nullptr}; }

    Broker broker;
    const CMPIBroker* mb = broker.cmpi();
    std::unique_ptr<RequestScope> request;
    CMPIAdapter* adapter = nullptr;
};

}  // namespace adaptertest
