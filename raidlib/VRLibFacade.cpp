#include "VRLibFacade.h"

#include <cstring>

#include "Logger.h"

namespace orv::raidlib {

namespace {

constexpr const char* kLibraryName = "VRLib";
constexpr const char* kLibrarySuffix = ".so";
constexpr const char* kEntryPointName = "VrlInvokeMethod";
constexpr size_t kInstallDirSize = 256;  // 255 bytes and the terminator

bool isHardwareClass(const std::string& className) {
    return className == StorageClass::Volumes || className == StorageClass::PhysicalDisks ||
           className == StorageClass::Controllers || className == StorageClass::Enclosures;
}

}  // namespace

VRLibFacadeIntf* getVRLibFacade() { return &VRLibFacade::instance(); }

VRLibFacade& VRLibFacade::instance() {
    // Never deleted: the library's thread may still call in while the
    // process runs its static destructors.
    static VRLibFacade* facade = new VRLibFacade;
    return *facade;
}

VRLibFacade::Lock::Lock(OsHandle mutex) : mutex_(mutex) {
    if (mutex_ != nullptr) OsWaitMutex(mutex_);
}

VRLibFacade::Lock::~Lock() { release(); }

void VRLibFacade::Lock::release() {
    if (mutex_ != nullptr) OsReleaseMutex(mutex_);
    mutex_ = nullptr;
}

uint32_t VRLibFacade::initialize(const std::string& applicationName) {
    LogMessage(4, "__________Initializing Cache___________");
    LogMessage(4, "<version>   : %d.%d.%d.%d", 1, 17, 0, 1);
    LogMessage(4, "<Build Date>: %s", "Mar 17 2010");
    LogMessage(4, "<Cache Name>: %s", "VRLib-Cache");

    char installDir[kInstallDirSize] = {};
    if (OsGetInstallDir(installDir, sizeof installDir) != 0) return VrlStatus::LibraryUnusable;

    char path[kInstallDirSize + 64];
    std::snprintf(path, sizeof path, "%s/bin/%s", installDir, kLibraryName);
    LogMessage(4, "loading %s", path);
    const std::string modulePath = std::string(path) + kLibrarySuffix;
    switch (binding_.load(modulePath, kEntryPointName)) {
    case LibraryBinding::LoadResult::ModuleMissing:
        LogMessage(4, "%s :: Failed to load Vrlib dll", "VRLibFacade::initialize");
        LogMessage(5, "%s", binding_.lastError().c_str());
        return VrlStatus::LibraryUnusable;
    case LibraryBinding::LoadResult::EntryMissing:
        LogMessage(4, "Failed to retrieve function address %s", kEntryPointName);
        return VrlStatus::LibraryUnusable;
    case LibraryBinding::LoadResult::Loaded:
        break;
    }

    applicationName_ = applicationName;
    const char* name = applicationName_.c_str();
    const uint32_t started = callLibrary(VrlOpcode::INITIALIZE, &name, nullptr);
    if (started != VrlStatus::Success && started != VrlStatus::NotFoundOrWrongState)
        return VrlStatus::LibraryUnusable;

    uint32_t version = 0;
    if (callLibrary(VrlOpcode::GET_INTERFACE_VERSION, nullptr, &version) != VrlStatus::Success ||
        version != kVrlInterfaceVersion) {
        // Stopped again so that no event can arrive from a library we do not
        // understand.
        callLibrary(VrlOpcode::SHUTDOWN, nullptr, nullptr);
        return VrlStatus::InterfaceMismatch;
    }

    uint32_t status;
    {
        // On the first start nothing else can reach the facade yet and the
        // mutex does not exist; on a later one it guards against stragglers.
        Lock lock(mutex());
        status = initializeCache();
        inService_ = true;
    }
    if (mutex() == nullptr) mutex_ = OsCreateMutex();
    // Observers that stayed attached over a restart are registered again.
    openRegistration();
    return status;
}

uint32_t VRLibFacade::terminate() {
    closeRegistration();
    {
        Lock lock(mutex());
        if (store().clean() != VrlStatus::Success) LogMessage(2, "ERROR: Failed to clean cache");
        inService_ = false;
    }
    // The library's shutdown waits for a callback in progress, and that
    // callback may be waiting for the facade mutex: stop it with the mutex
    // free. Events that still get through find the facade out of service.
    const uint32_t status = callLibrary(VrlOpcode::SHUTDOWN, nullptr, nullptr);
    if (status != VrlStatus::Success) LogMessage(2, "ERROR: Failed to shutdown clean");
    forgetRegistration();
    if (binding_.loaded() && !binding_.unload())
        LogMessage(2, "%s :: Failed to unload VRLib library.", "VRLibFacade::terminate");
    return status;
}

void VRLibFacade::getStorageClassNames(std::vector<std::string>& names) {
    Lock lock(mutex());
    for (const auto& entry : store().classes()) names.push_back(entry.first);
}

uint32_t VRLibFacade::getStorageClass(const std::string& className, std::vector<PropertyContainer>& objects) {
    Lock lock(mutex());
    if (const ObjectStore::ObjectList* list = store().findClass(className))
        objects.insert(objects.end(), list->begin(), list->end());
    return VrlStatus::Success;
}

uint32_t VRLibFacade::getStorageClassOfController(const std::string& className, uint32_t contrId,
                                                  std::vector<PropertyContainer>& objects) {
    Lock lock(mutex());
    if (const ObjectStore::ObjectList* list = store().findClass(className)) {
        for (const auto& object : *list)
            if (belongsToController(object, contrId)) objects.push_back(object);
    }
    return VrlStatus::Success;
}

uint32_t VRLibFacade::getObjectInstance(const std::string& className, const PropertyContainer& keys,
                                        PropertyContainer& object) {
    Lock lock(mutex());
    const PropertyContainer* found = store().findObject(className, keys);
    if (found == nullptr) return ContainerStatus::NoMatch;
    if (object.empty()) {
        object.shareProperties(*found);
        return VrlStatus::Success;
    }
    for (const auto& property : found->keyProperties()) object.updateProperty(property, true, true);
    for (const auto& property : found->nonKeyProperties()) object.updateProperty(property, false, true);
    return VrlStatus::Success;
}

uint32_t VRLibFacade::deleteObjectInstance(const std::string& className, const PropertyContainer& keys) {
    Lock lock(mutex());
    if (isHardwareClass(className)) return VrlStatus::NotSupported;
    store().deleteObject(className, keys);
    return VrlStatus::Success;
}

uint32_t VRLibFacade::addObjectInstance(const std::string& className, const PropertyContainer& object) {
    Lock lock(mutex());
    if (isHardwareClass(className)) return VrlStatus::NotSupported;
    store().addObject(className, object);
    return VrlStatus::Success;
}

uint32_t VRLibFacade::modifyObjectInstance(const std::string& className, const PropertyContainer& keys,
                                           const PropertyContainer& newValues) {
    Lock lock(mutex());
    if (isHardwareClass(className)) return VrlStatus::NotSupported;
    ObjectStore::ObjectList* list = store().findClass(className);
    if (list == nullptr) return VrlStatus::NotFoundOrWrongState;
    for (PropertyContainer& object : *list) {
        if (matchKeys(object, keys) != ContainerStatus::Success) continue;
        for (const auto& property : newValues.nonKeyProperties()) object.updateProperty(*property, false, true);
    }
    return VrlStatus::Success;
}

uint32_t VRLibFacade::AttachObserver(EventObserver* observer) { return attach(observer); }

uint32_t VRLibFacade::DetachObserver(EventObserver* observer) { return detach(observer); }

uint32_t VRLibFacade::registerEventCallback() {
    VrlRegisterAenIn registration;
    std::memset(&registration, 0, sizeof registration);
    registration.callbackAddress = reinterpret_cast<uintptr_t>(&VrlEventManagerCbk);
    uint32_t answer = 0;
    const uint32_t status = callLibrary(VrlOpcode::REGISTER_AEN, &registration, &answer);
    eventsRegistered_.store(status == VrlStatus::Success, std::memory_order_release);
    return status;
}

void VRLibFacade::unregisterEventCallback() {
    eventsRegistered_.store(false, std::memory_order_release);
    uint32_t area = 0;
    callLibrary(VrlOpcode::UNREGISTER_AEN, &area, &area);
}

}  // namespace orv::raidlib
