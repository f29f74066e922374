// The controller classes over the simulated RAID library, with the request
// helpers their tests share.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommonFunctions.h"
#include "PoolsTestSupport.h"
#include "SimulatedProvider.h"

namespace controllertest {

using namespace orv::cim::fwf;
using orv::test::expectProperties;
using orv::test::kAbsent;
using orv::test::propertyText;
// Paths and requests as the pool tests make them.
using poolstest::get;
using poolstest::kStorage;
using poolstest::pathOf;
inline CIMInstanceList instancesOf(const std::string& className) { return poolstest::enumerate(className); }

// Controllers 0 and 2, so that a controller's number differs from its
// position; only controller 0 has a battery.
inline std::string controllerTopology() {
    return R"({
  "lrcIntervalMs": 3600000,
  "controllers": [
    {"id": 0, "serialNumber": "VRC00001", "productName": "Ambrix 8i SAS", "fwVersion": "1200",
     "cacheSize": 512, "supStripeSize": 960, "recStripeSize": 48, "supRAIDLevel": 7, "PCISubSysDeviceId": 8,
     "battery": {"battSerialNum": "BAT00001", "batteryType": 1, "estChargeRemaining": 95, "designVoltage": 3700},
     "disks": [{"compPdId": 0, "slotId": 0}]},
    {"id": 2, "serialNumber": "VRC00002", "productName": "Talvex-RAID 4i", "fwVersion": "1310",
     "cacheSize": 256, "supStripeSize": 12, "recStripeSize": 0, "supRAIDLevel": 15,
     "PCISubSysDeviceId": 610, "PCIVendorId": 4136, "PCIDeviceId": 115, "PCISubSysVendorId": 7530,
     "disks": [{"compPdId": 0, "slotId": 0}]}
  ]
})";
}

using orv::test::keyText;
using orv::test::thisHost;

template <typename Fn>
void expectRefused(Fn fn, int code, const std::string& message) {
    EXPECT_EQ(orv::test::failureOf(fn), std::make_pair(code, message));
}

class ControllerModelTest : public raidtest::SimulatedProviderTest {
protected:
    void start() { startProvider(controllerTopology()); }

    CIMObjectPathList namesOf(const std::string& className) {
        CIMObjectPathList names;
        framework->enumerateInstanceNames(pathOf(className), names);
        return names;
    }
    // The one instance a get with this single key answers.
    CIMInstance getOne(const std::string& className, const std::string& key, const std::string& value) {
        const CIMInstanceList found = get(pathOf(className, {{key, value}}));
        EXPECT_EQ(found.size(), 1u) << className << " " << key << "=" << value;
        return found.empty() ? CIMInstance() : found.front();
    }
};

}  // namespace controllertest
