// The one object that owns the RAID library: it loads and starts it, keeps
// the object cache filled and current, runs the configuration methods and
// hands the library's events to the observers.
//
// Locking: one recursive facade mutex guards the cache and every library
// call that reads or changes it (the cache operations, the three
// volume-changing methods and the event road). It is never held while
// observers run.
//
// Stop order (terminate): refuse new event registrations and wait for the
// one in progress; empty the cache and mark the facade out of service, so
// that events still arriving are dropped; shut the library down with no lock
// held (it waits for a callback in progress); unload it once the calls in
// flight have returned. The observer list survives for the next start.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "LibraryBinding.h"
#include "ObjectStore.h"
#include "OsServices.h"
#include "VRLEventManager.h"
#include "VRLibFacadeIntf.h"
#include "VrlRecords.h"

namespace orv::raidlib {

// Application name handed to INITIALIZE by the framework.
constexpr const char* kApplicationName = "SMIS";

class VRLibFacade : public VRLibFacadeIntf, public VRLEventManager {
public:
    static VRLibFacade& instance();

    uint32_t initialize(const std::string& applicationName) override;
    uint32_t terminate() override;
    void getStorageClassNames(std::vector<std::string>& names) override;
    uint32_t getStorageClass(const std::string& className, std::vector<PropertyContainer>& objects) override;
    uint32_t getStorageClassOfController(const std::string& className, uint32_t contrId,
                                         std::vector<PropertyContainer>& objects) override;
    uint32_t getObjectInstance(const std::string& className, const PropertyContainer& keys,
                               PropertyContainer& object) override;
    uint32_t deleteObjectInstance(const std::string& className, const PropertyContainer& keys) override;
    uint32_t addObjectInstance(const std::string& className, const PropertyContainer& object) override;
    uint32_t modifyObjectInstance(const std::string& className, const PropertyContainer& keys,
                                  const PropertyContainer& newValues) override;
    uint32_t invokeMethod(const std::string& methodName, const PropertyContainer& in,
                          PropertyContainer& out) override;
    uint32_t AttachObserver(EventObserver* observer) override;
    uint32_t DetachObserver(EventObserver* observer) override;

    // Full fill (every controller) and the fill of one controller. The
    // caller holds the facade mutex once it exists.
    uint32_t initializeCache();
    uint32_t initializeCache(uint32_t contrId);

    // The library's event callback lands here, on the library's thread.
    void handleEvent(const VrlEventRecord& record);

    // The library entry point; "library unusable" while none is loaded.
    uint32_t callLibrary(uint32_t opcode, void* in, void* out) const { return binding_.call(opcode, in, out); }
    // GET_VD_PROPS for one volume into a zeroed record.
    uint32_t readVolume(uint32_t contrId, uint32_t vdIndex, VrlVolumeRecord& volume) const;
    // GET_VD_LIST into `volumes`, whose count then replaces the volume count
    // of a controller record just read: the list, not the record, says how
    // many volumes exist, wherever the controller is read.
    uint32_t applyVolumeList(uint32_t contrId, VrlControllerRecord& controller, VrlVolumeList& volumes) const;

private:
    // Holds the facade mutex for a scope when the mutex exists.
    class Lock {
    public:
        explicit Lock(OsHandle mutex);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        void release();

    private:
        OsHandle mutex_;
    };

    VRLibFacade() = default;

    uint32_t registerEventCallback() override;
    void unregisterEventCallback() override;

    ObjectStore& store() { return VRLibCache::instance().store(); }
    OsHandle mutex() const { return mutex_.load(); }

    // Methods that change the set of volumes keep the cache and observers
    // current themselves.
    uint32_t createVolume(const PropertyContainer& in, PropertyContainer& out);
    uint32_t deleteVolume(const PropertyContainer& in);
    uint32_t activateVolume(const PropertyContainer& in);
    // GET_CONTR_PROPS, then the controller's volumeCount in the cache.
    void refreshCachedVolumeCount(uint32_t contrId);
    // The other configuration changes (spares, clearing, settings) reach the
    // cache through the library's events, which the library sends only while
    // an observer is attached. Without one, the controller's entries are read
    // afresh after such a change, so that the next request sees it; with one,
    // the event road updates the cache and tells the observers what changed.
    static bool changesConfiguration(const std::string& methodName);
    void refreshController(uint32_t contrId);
    // With events registered, a successful change returns once the event
    // road has brought the cache to what was asked (false after a few
    // seconds without it), so that the client's next request sees its change.
    bool awaitEventRoad(const std::string& methodName, const PropertyContainer& in);
    bool eventRoadShows(const std::string& methodName, const PropertyContainer& in);
    std::atomic<bool> eventsRegistered_{false};

    // Event road, run under the facade mutex; each appends the events it
    // derives (for other devices) to `derived`.
    uint32_t addOrDeleteObjectInstance(const VrlEventRecord& record);
    uint32_t refreshObjectInCache(const VrlEventRecord& record, std::vector<std::string>& changeList,
                                  std::vector<PropertyContainer>& derived);
    uint32_t handleControllerRefresh(const VrlEventRecord& record, std::vector<std::string>& changeList,
                                     std::vector<PropertyContainer>& derived);
    uint32_t handleVolumeRefresh(uint32_t contrId, uint32_t vdIndex, std::vector<std::string>& changeList);
    uint32_t handlePdiskRefresh(const VrlEventRecord& record, std::vector<std::string>& changeList,
                                std::vector<PropertyContainer>& derived);
    void recheckVolumesAfterDiskChange(const VrlEventRecord& record, uint32_t oldVdIndex, uint32_t newVdIndex,
                                       std::vector<PropertyContainer>& derived);
    uint32_t restartLibrary();

    LibraryBinding binding_;
    std::atomic<OsHandle> mutex_{nullptr};
    // True from a successful start until terminate empties the cache; events
    // arriving outside that window are dropped.
    std::atomic<bool> inService_{false};
    std::string applicationName_;
};

// The library calls this with one event record at a time.
extern "C" void VrlEventManagerCbk(const VrlEventRecord* record);

}  // namespace orv::raidlib
