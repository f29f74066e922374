// The disk classes over the simulated RAID library with a topology made for
// them, and the helpers their tests share.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "PoolsTestSupport.h"
#include "SimulatedProvider.h"

namespace disktest {

using namespace orv::cim::fwf;
// Paths, requests and instance lookup as the pool tests make them.
using poolstest::enumerate;
using poolstest::get;
using poolstest::kStorage;
using poolstest::pathOf;
using poolstest::withKey;

// Controller 0 (adapter 5, two ports): SAS disks 0-5 in the states 0, 1, 2,
// 3, 7 and 0 (0 and 1 a mirror, 3 a spare, 4 foreign), and SATA solid-state
// disk 7 of 2^34 blocks of 4 KiB in enclosure 2. Controller 1 (one port):
// one SATA disk.
inline const char* diskTopology() {
    return R"({"lrcIntervalMs": 3600000, "controllers": [
  {"id": 0, "adapterId": 5, "ports": ["500605B000000A00", "500605B000000A01"], "disks": [
    {"compPdId": 0, "slotId": 0, "driveType": 2, "blockDevType": 1, "state": 0, "WWN": "5000C5001000ABCD",
     "PFAErrorCount": 3, "PFAFlag": 1, "locateLedOn": 1, "isCounterfeit": 1, "negotiatedTransSpeed": 12000,
     "phySASAddresses": ["5000C50000000001", "5000C50000000002"], "vendorIdentification": "QUOLLDSK",
     "productIdentification": "QD300SAS12", "modelNumber": "Q30", "serialNumber": "QD000001",
     "productRevLevel": "0004", "formFactor": 3},
    {"compPdId": 1, "slotId": 1, "driveType": 2, "state": 1},
    {"compPdId": 2, "slotId": 2, "driveType": 2, "state": 2},
    {"compPdId": 3, "slotId": 3, "driveType": 2, "state": 3, "hotSpare": true},
    {"compPdId": 4, "slotId": 4, "driveType": 2, "state": 7, "foreign": true},
    {"compPdId": 5, "slotId": 5, "driveType": 2, "state": 0},
    {"compPdId": 7, "slotId": 6, "enclId": 2, "driveType": 1, "blockDevType": 0, "blockLen": 4096,
     "maxBlockAddress": 17179869183}],
   "volumes": [{"vdIndex": 0, "RAIDLevel": 1, "compPdId": [0, 1]}]},
  {"id": 1, "ports": ["500605B000000B00"], "disks": [{"compPdId": 0, "slotId": 0, "driveType": 1}]}]})";
}

class DiskModelTest : public raidtest::SimulatedProviderTest {
protected:
    void SetUp() override {
        SimulatedProviderTest::SetUp();
        startProvider(diskTopology());
        ASSERT_NE(framework->getPlugIn("ORV_DiskDrive"), nullptr) << "the topology was not read";
    }

    // A disk-derived device of controller contrId, named by idKey.
    static CIMObjectPath devicePath(const std::string& className, const std::string& idKey, const std::string& id,
                                    uint32_t contrId = 0) {
        return pathOf(className, {{"SystemCreationClassName", "ORV_ControllerComputerSystem"},
                                  {"CreationClassName", className},
                                  {idKey, id},
                                  {"SystemName", "AmbrixController_" + std::to_string(contrId)}});
    }
};

// The value of one key in the path of each instance, in order.
inline std::vector<std::string> keyValues(const CIMInstanceList& instances, const std::string& key) {
    std::vector<std::string> values;
    for (const CIMInstance& instance : instances) values.push_back(orv::test::keyText(instance.getObjectPath(), key));
    return values;
}
using orv::test::expectProperties;
using orv::test::failureOf;

}  // namespace disktest
