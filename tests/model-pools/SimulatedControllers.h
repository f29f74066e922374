// The provider's framework over the simulated RAID library, with the pools
// tests' request helpers.
#pragma once

#include "PoolsTestSupport.h"
#include "SimulatedProvider.h"
#include "VRLibFacadeIntf.h"

namespace poolstest {

class SimulatedControllers : public raidtest::SimulatedProviderTest {
protected:
    // The topology every test of the fixture starts with.
    virtual std::string topology() const = 0;
    void SetUp() override {
        SimulatedProviderTest::SetUp();
        startProvider(topology());
    }
    orv::raidlib::VRLibFacadeIntf& library() { return *framework->getVRLibFacade(); }
};

}  // namespace poolstest
