// A topology file for the simulated library: JSON of any shape, then, when
// the model takes it, every read the provider makes of the result and a few
// steps of the long-running commands it may start with. A topology it takes
// must give records that fit their layouts: the sanitizers watch the
// fixed-size arrays being filled.
#include "SimModel.h"
#include "VrlRecords.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using orv::vrlsim::SimModel;

namespace {

template <typename Record>
Record zeroed() {
    Record record;
    std::memset(&record, 0, sizeof record);
    return record;
}

void readController(SimModel& model, uint8_t id) {
    auto volumes = zeroed<VrlVolumeList>();
    model.volumeList(id, volumes);
    for (unsigned i = 0; i < volumes.count && i < kVrlMaxVolumesPerController; ++i) {
        auto key = zeroed<VrlVolumeKey>();
        key.contrId = id;
        key.vdIndex = volumes.vdIndexes[i];
        auto volume = zeroed<VrlVolumeRecord>();
        model.volumeProps(key, volume);
    }
    auto allVolumes = zeroed<VrlAllVolumes>();
    model.allVolumeProps(id, allVolumes);
    auto disks = zeroed<VrlPhysDiskList>();
    model.allDiskProps(id, disks);
    for (unsigned i = 0; i < disks.count && i < kVrlMaxDisksPerController; ++i) {
        auto key = zeroed<VrlDiskKey>();
        key.contrId = id;
        key.compPdId = disks.disks[i].compPdId;
        auto disk = zeroed<VrlPhysDiskRecord>();
        model.diskProps(key, disk);
        auto flags = zeroed<VrlDeviceFlagsIn>();
        flags.contrId = id;
        flags.deviceId = key.compPdId;
        flags.deviceType = VrlDeviceType::PhysicalDisk;
        uint32_t answer = 0;
        model.deviceFlags(flags, answer);
    }
    auto enclosures = zeroed<VrlEnclosureList>();
    model.enclosures(id, enclosures);
    auto battery = zeroed<VrlBatteryRecord>();
    model.battery(id, battery);
    auto lrcs = zeroed<VrlLrcStatusOut>();
    model.lrcStatus(id, lrcs);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const nlohmann::json topology =
        nlohmann::json::parse(reinterpret_cast<const char*>(data), reinterpret_cast<const char*>(data) + size, nullptr,
                              false);
    if (topology.is_discarded()) return 0;

    SimModel model;
    const std::string error = model.load(topology);
    if (!error.empty()) return 0;

    auto list = zeroed<VrlControllerList>();
    model.controllerList(list);
    for (unsigned i = 0; i < list.count && i < kVrlMaxControllers; ++i) readController(model, list.contrIds[i]);
    SimModel::Events events;
    for (int step = 0; step < 12 && model.anyCommandRunning(); ++step) model.advanceCommands(events);
    for (unsigned i = 0; i < list.count && i < kVrlMaxControllers; ++i) readController(model, list.contrIds[i]);
    return 0;
}
