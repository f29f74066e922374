#include "ScriptedFramework.h"

#include <mutex>

namespace scripted {

Script& script() {
    static Script instance;
    return instance;
}

namespace {

FrameworkFacade* theFacade = nullptr;

// Requests may come from several threads at once; tests that read the
// calls do so after those threads have ended.
std::mutex callsMutex;

Call& record(const std::string& operation, const CIMObjectPath& path) {
    Script& s = script();
    std::lock_guard lock(callsMutex);
    s.calls.push_back(Call{});
    s.calls.back().operation = operation;
    s.calls.back().path = path;
    if (s.raise) s.raise();
    return s.calls.back();
}

void recordAssociation(const std::string& operation, const CIMObjectPath& path, const std::string& associationClass,
                       const std::string& role, const std::string& resultRole, const std::string& resultClass) {
    Call& call = record(operation, path);
    call.associationClass = associationClass;
    call.role = role;
    call.resultRole = resultRole;
    call.resultClass = resultClass;
}

}  // namespace

}  // namespace scripted

namespace orv::cim::fwf {

using scripted::record;
using scripted::script;

FrameworkFacade::FrameworkFacade() = default;
FrameworkFacade::~FrameworkFacade() = default;

FrameworkFacade* FrameworkFacade::getInstance() {
    if (!script().facadeExists) return nullptr;
    if (scripted::theFacade == nullptr) scripted::theFacade = new FrameworkFacade();
    return scripted::theFacade;
}

void FrameworkFacade::destroyInstance() {
    ++script().destroyCalls;
    delete scripted::theFacade;
    scripted::theFacade = nullptr;
}

bool FrameworkFacade::initialize() { return true; }

bool FrameworkFacade::registerForEvent(DeliverIndicationCallback callback) {
    if (callback == nullptr) return false;
    script().callback = callback;
    return true;
}

void FrameworkFacade::unregisterForEvent() { script().callback = nullptr; }
bool FrameworkFacade::createSubscription() { return true; }
void FrameworkFacade::deleteSubscription() {}
void FrameworkFacade::setSubscription(bool) {}

bool FrameworkFacade::notify(CIMInstance indication) {
    return script().callback != nullptr && script().callback(indication);
}

AbstractProviderPlugin* FrameworkFacade::getPlugIn(const std::string& className) {
    record("getPlugIn", CIMObjectPath()).associationClass = className;
    return script().plugin;
}

void FrameworkFacade::enumerateInstanceNames(CIMObjectPath path, CIMObjectPathList& out) {
    record("enumerateInstanceNames", path);
    out = script().paths;
}

void FrameworkFacade::enumerateInstances(CIMObjectPath path, CIMInstanceList& out) {
    record("enumerateInstances", path);
    out = script().instances;
}

void FrameworkFacade::getCIMInstance(CIMObjectPath path, CIMInstanceList& out) {
    record("getCIMInstance", path);
    out = script().instances;
}

void FrameworkFacade::modifyInstance(CIMObjectPath path, CIMInstance instance,
                                     const PropertyNameList& propertyNames) {
    scripted::Call& call = record("modifyInstance", path);
    call.instance = instance;
    call.propertyNames = propertyNames;
}

void FrameworkFacade::associators(CIMObjectPath path, const std::string& associationClass,
                                  CIMInstanceList& out, const std::string& role,
                                  const std::string& resultRole, const std::string& resultClass) {
    scripted::recordAssociation("associators", path, associationClass, role, resultRole, resultClass);
    out = script().instances;
}

void FrameworkFacade::associatorsNames(CIMObjectPath path, const std::string& associationClass,
                                       CIMObjectPathList& out, const std::string& role,
                                       const std::string& resultRole, const std::string& resultClass) {
    scripted::recordAssociation("associatorsNames", path, associationClass, role, resultRole, resultClass);
    out = script().paths;
}

void FrameworkFacade::references(CIMObjectPath path, const std::string& resultClass,
                                 CIMInstanceList& out, const std::string& role) {
    scripted::recordAssociation("references", path, "", role, "", resultClass);
    out = script().instances;
}

void FrameworkFacade::referencesNames(CIMObjectPath path, const std::string& resultClass,
                                      CIMObjectPathList& out, const std::string& role) {
    scripted::recordAssociation("referencesNames", path, "", role, "", resultClass);
    out = script().paths;
}

uint32_t FrameworkFacade::invokeMethod(CIMObjectPath path, const std::string& methodName,
                                       const CIMArgumentList& in, CIMArgumentList& out) {
    scripted::Call& call = record("invokeMethod", path);
    call.methodName = methodName;
    call.in = in;
    out = script().methodOut;
    return script().methodReturn;
}

orv::raidlib::VRLibFacadeIntf* FrameworkFacade::getVRLibFacade() const { return nullptr; }
JobControlManager* FrameworkFacade::getJobControlManager() const { return nullptr; }

}  // namespace orv::cim::fwf
