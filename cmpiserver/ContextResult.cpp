// Request contexts and results.
#include "Objects.h"

namespace orv::cmpiserver::detail {

namespace {

constexpr int kVersion = CMPIVersion200;

// ---- Context --------------------------------------------------------------

CMPIData contextGetEntry(const CMPIContext* face, const char* name, CMPIStatus* rc) {
    ContextObject* context = objectOf<ContextObject>(face);
    if (!context) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return missingData();
    }
    return namedData(context->core(), context->entriesCopy(), name, rc);
}

CMPIData contextGetEntryAt(const CMPIContext* face, CMPICount index, CMPIString** name,
                           CMPIStatus* rc) {
    ContextObject* context = objectOf<ContextObject>(face);
    if (!context) {
        if (name) *name = nullptr;
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return missingData();
    }
    return namedDataAt(context->core(), context->entriesCopy(), index, name, rc);
}

CMPICount contextGetEntryCount(const CMPIContext* face, CMPIStatus* rc) {
    ContextObject* context = objectOf<ContextObject>(face);
    setStatus(rc, context ? CMPI_RC_OK : CMPI_RC_ERR_INVALID_HANDLE);
    return context ? static_cast<CMPICount>(context->entriesCopy().size()) : 0;
}

CMPIStatus contextAddEntry(const CMPIContext* face, const char* name, const CMPIValue* value,
                           const CMPIType type) {
    ContextObject* context = objectOf<ContextObject>(face);
    if (!context) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    if (!name) return statusOf(CMPI_RC_ERR_INVALID_PARAMETER);
    ReadValue entry = readValue(value, type);
    if (entry.rc != CMPI_RC_OK) return statusOf(entry.rc);
    context->setEntry(name, std::move(entry.value));
    return statusOf(CMPI_RC_OK);
}

// ---- Result ---------------------------------------------------------------

CMPIResult* resultClone(const CMPIResult* face, CMPIStatus* rc) {
    // A result belongs to its request; a copy would collect for nobody.
    setStatus(rc, objectOf<ResultObject>(face) ? CMPI_RC_ERR_NOT_SUPPORTED
                                               : CMPI_RC_ERR_INVALID_HANDLE);
    return nullptr;
}

CMPIStatus resultReturnData(const CMPIResult* face, const CMPIValue* value, const CMPIType type) {
    ResultObject* result = objectOf<ResultObject>(face);
    if (!result) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    ReadValue data = readValue(value, type);
    if (data.rc != CMPI_RC_OK) return statusOf(data.rc);
    return result->record([&](CollectedResult& c) { c.data.push_back(std::move(data.value)); });
}

CMPIStatus resultReturnInstance(const CMPIResult* face, const CMPIInstance* inst) {
    ResultObject* result = objectOf<ResultObject>(face);
    if (!result) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    InstanceObject* object = nullptr;
    if (CMPIrc rc = lookup(inst, object); rc != CMPI_RC_OK) return statusOf(rc);
    // The provider may change or release its instance once this returns:
    // it is consumed now or copied.
    return result->record([&](CollectedResult& c) {
        if (result->instanceConsumer)
            result->instanceConsumer(object->instance);
        else
            c.instances.push_back(object->instance);
    });
}

CMPIStatus resultReturnObjectPath(const CMPIResult* face, const CMPIObjectPath* ref) {
    ResultObject* result = objectOf<ResultObject>(face);
    if (!result) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    ObjectPathObject* object = nullptr;
    if (CMPIrc rc = lookup(ref, object); rc != CMPI_RC_OK) return statusOf(rc);
    return result->record([&](CollectedResult& c) {
        if (result->pathConsumer)
            result->pathConsumer(object->path());
        else
            c.objectPaths.push_back(object->path());
    });
}

CMPIStatus resultReturnDone(const CMPIResult* face) {
    ResultObject* result = objectOf<ResultObject>(face);
    if (!result) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    std::lock_guard lock(result->mutex);
    ++result->collected.doneCount;
    return statusOf(CMPI_RC_OK);
}

CMPIStatus resultReturnError(const CMPIResult* face, const CMPIError* er) {
    ResultObject* result = objectOf<ResultObject>(face);
    if (!result) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    ErrorObject* error = nullptr;
    if (CMPIrc rc = lookup(er, error); rc != CMPI_RC_OK) return statusOf(rc);
    ErrorRecord record = error->record;
    return result->record([&](CollectedResult& c) { c.errors.push_back(std::move(record)); });
}

}  // namespace

ContextObject::ContextObject(BrokerCore& core, std::vector<NamedValue> initial)
    : Faced(core, &table), entries(std::move(initial)) {}

ContextObject::ContextObject(const ContextObject& other)
    : Faced(other), entries(other.entriesCopy()) {}

std::vector<NamedValue> ContextObject::entriesCopy() const {
    std::lock_guard lock(mutex);
    return entries;
}

void ContextObject::setEntry(const std::string& name, Value value) {
    std::lock_guard lock(mutex);
    setNamed(entries, name, std::move(value));
}

ResultObject::ResultObject(BrokerCore& core) : Faced(core, &table) {}

ResultObject::ResultObject(const ResultObject& other) : Faced(other) {
    std::lock_guard lock(other.mutex);
    collected = other.collected;
}

CMPIContextFT ContextObject::table = {
    kVersion,
    releaseFace<ContextObject, CMPIContext>,
    cloneFace<ContextObject, CMPIContext>,
    contextGetEntry,
    contextGetEntryAt,
    contextGetEntryCount,
    contextAddEntry,
};

CMPIResultFT ResultObject::table = {
    kVersion,
    releaseFace<ResultObject, CMPIResult>,
    resultClone,
    resultReturnData,
    resultReturnInstance,
    resultReturnObjectPath,
    resultReturnDone,
    resultReturnError,
};

}  // namespace orv::cmpiserver::detail
