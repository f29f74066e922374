// The RAID library facade alone, as the plugins call it: reads of the object
// cache filled from the simulated library at start. No CMPI, no framework.
#include "BenchmarkSetup.h"
#include "Logger.h"
#include "VRLibFacadeIntf.h"

#include <iostream>
#include <memory>

namespace {

using orv::raidlib::PropertyContainer;

orv::raidlib::VRLibFacadeIntf& facade() { return *orv::raidlib::getVRLibFacade(); }

// The keys of the last cached volume: where a search through the cache goes
// furthest.
PropertyContainer lastVolumeKeys() {
    std::vector<PropertyContainer> volumes;
    if (facade().getStorageClass("volumes", volumes) != 0 || volumes.empty())
        throw std::runtime_error("the cache holds no volume");
    PropertyContainer keys;
    for (const auto& key : volumes.back().keyProperties()) keys.CopyProperty(*key, true);
    return keys;
}

void registerBenchmarks(const orv::bench::Options& options) {
    orv::bench::addBenchmark(options, "getStorageClass/physicalDisks", [](benchmark::State& state) {
        std::size_t count = 0;
        for (auto _ : state) {
            std::vector<PropertyContainer> disks;
            if (facade().getStorageClass("physicalDisks", disks) != 0) {
                state.SkipWithError("getStorageClass failed");
                break;
            }
            count = disks.size();
            benchmark::DoNotOptimize(disks.data());
        }
        state.counters["objects"] = static_cast<double>(count);
    });

    const PropertyContainer keys = lastVolumeKeys();
    orv::bench::addBenchmark(options, "getObjectInstance/volumes", [keys](benchmark::State& state) {
        for (auto _ : state) {
            PropertyContainer volume;
            if (facade().getObjectInstance("volumes", keys, volume) != 0) {
                state.SkipWithError("getObjectInstance failed");
                break;
            }
            benchmark::DoNotOptimize(volume.nonKeyProperties().data());
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const orv::bench::Options options = orv::bench::takeOptions(argc, argv);
        auto installation = std::make_unique<orv::test::TestInstallation>();
        orv::bench::prepareInstallation(*installation, options);
        LogInitialize("SMIS", "SMIS");
        if (const uint32_t status = facade().initialize("SMIS"); status != 0)
            throw std::runtime_error("the facade did not start: status " + std::to_string(status));
        registerBenchmarks(options);
        const int status = orv::bench::runBenchmarks(argc, argv, options);
        facade().terminate();
        LogTerminate();
        return status;
    } catch (const std::exception& error) {
        std::cerr << "raidlib_benchmarks: " << error.what() << "\n";
        return 1;
    }
}
