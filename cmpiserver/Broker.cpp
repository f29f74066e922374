// The broker's own tables (server services and object factories) and the
// C++ side of the server: Broker, RequestScope and the readers.
#include "Broker.h"

#include "DateTimeText.h"
#include "Objects.h"

#include <atomic>
#include <cstdarg>
#include <stdexcept>

namespace orv::cmpiserver {

namespace detail {

extern CMPIBrokerExtFT extendedTable;
extern CMPIBrokerMemFT memoryTable;

namespace {

constexpr int kVersion = CMPIVersion200;

std::uint64_t nextBrokerId() {
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

// ---- Threads and indications ----------------------------------------------

CMPIContext* prepareAttachThread(const CMPIBroker* mb, const CMPIContext* ctx) {
    BrokerCore* core = coreOf(mb);
    ContextObject* context = objectOf<ContextObject>(ctx);
    if (!core || !context) return nullptr;
    ContextObject* prepared = core->longLived.create<ContextObject>(*context);
    prepared->threadArena = std::make_unique<Arena>();
    std::lock_guard lock(core->mutex);
    ++core->figures.prepared;
    return &prepared->face;
}

CMPIStatus attachThread(const CMPIBroker* mb, const CMPIContext* ctx) {
    BrokerCore* core = coreOf(mb);
    ContextObject* context = objectOf<ContextObject>(ctx);
    if (!core || !context) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    {
        std::lock_guard lock(core->mutex);
        ++context->attachments;
        ++core->figures.attached;
    }
    threadBinding() = ThreadBinding{
        core->id, context->threadArena ? context->threadArena.get() : &core->fallback};
    return statusOf(CMPI_RC_OK);
}

// Detaching frees the prepared context once no thread is attached with it.
CMPIStatus detachThread(const CMPIBroker* mb, const CMPIContext* ctx) {
    BrokerCore* core = coreOf(mb);
    ContextObject* context = objectOf<ContextObject>(ctx);
    if (!core || !context) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    bool unused = false;
    {
        std::lock_guard lock(core->mutex);
        ++core->figures.detached;
        if (context->attachments > 0) --context->attachments;
        unused = context->attachments == 0 && context->threadArena;
    }
    ThreadBinding& binding = threadBinding();
    if (binding.brokerId == core->id &&
        (binding.arena == context->threadArena.get() || binding.arena == &core->fallback))
        binding = ThreadBinding{};
    if (unused) releaseObject(context);
    return statusOf(CMPI_RC_OK);
}

CMPIStatus deliverIndication(const CMPIBroker* mb, const CMPIContext* ctx, const char* ns,
                             const CMPIInstance* ind) {
    BrokerCore* core = coreOf(mb);
    if (!core || !objectOf<ContextObject>(ctx)) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    if (!ns) return statusOf(CMPI_RC_ERR_INVALID_PARAMETER);
    Instance indication;
    if (CMPIrc rc = readInstanceObject(ind, indication); rc != CMPI_RC_OK)
        return statusOf(rc == CMPI_RC_ERR_TYPE_MISMATCH ? CMPI_RC_ERR_INVALID_HANDLE : rc);
    IndicationSink sink;
    {
        std::lock_guard lock(core->mutex);
        sink = core->sink;
        ++(sink ? core->figures.indicationsDelivered : core->figures.indicationsDropped);
    }
    // Called outside the lock: a sink may take its time or call back in.
    if (sink) sink(ns, indication);
    return statusOf(CMPI_RC_OK);
}

// ---- Up-calls ---------------------------------------------------------------
// This server routes no requests between providers; it answers every
// up-call as unsupported.

template <class R>
R unsupported(CMPIStatus* rc) {
    setStatus(rc, CMPI_RC_ERR_NOT_SUPPORTED);
    return R{};
}

CMPIEnumeration* upEnumerateInstanceNames(const CMPIBroker*, const CMPIContext*,
                                          const CMPIObjectPath*, CMPIStatus* rc) {
    return unsupported<CMPIEnumeration*>(rc);
}
CMPIInstance* upGetInstance(const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*,
                            const char**, CMPIStatus* rc) {
    return unsupported<CMPIInstance*>(rc);
}
CMPIObjectPath* upCreateInstance(const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*,
                                 const CMPIInstance*, CMPIStatus* rc) {
    return unsupported<CMPIObjectPath*>(rc);
}
CMPIStatus upModifyInstance(const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*,
                            const CMPIInstance*, const char**) {
    return statusOf(CMPI_RC_ERR_NOT_SUPPORTED);
}
CMPIStatus upDeleteInstance(const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*) {
    return statusOf(CMPI_RC_ERR_NOT_SUPPORTED);
}
CMPIEnumeration* upExecQuery(const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*,
                             const char*, const char*, CMPIStatus* rc) {
    return unsupported<CMPIEnumeration*>(rc);
}
CMPIEnumeration* upEnumerateInstances(const CMPIBroker*, const CMPIContext*,
                                      const CMPIObjectPath*, const char**, CMPIStatus* rc) {
    return unsupported<CMPIEnumeration*>(rc);
}
CMPIEnumeration* upAssociators(const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*,
                               const char*, const char*, const char*, const char*, const char**,
                               CMPIStatus* rc) {
    return unsupported<CMPIEnumeration*>(rc);
}
CMPIEnumeration* upAssociatorNames(const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*,
                                   const char*, const char*, const char*, const char*,
                                   CMPIStatus* rc) {
    return unsupported<CMPIEnumeration*>(rc);
}
CMPIEnumeration* upReferences(const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*,
                              const char*, const char*, const char**, CMPIStatus* rc) {
    return unsupported<CMPIEnumeration*>(rc);
}
CMPIEnumeration* upReferenceNames(const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*,
                                  const char*, const char*, CMPIStatus* rc) {
    return unsupported<CMPIEnumeration*>(rc);
}
CMPIData upInvokeMethod(const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*,
                        const char*, const CMPIArgs*, CMPIArgs*, CMPIStatus* rc) {
    setStatus(rc, CMPI_RC_ERR_NOT_SUPPORTED);
    return missingData();
}
CMPIStatus upSetProperty(const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*,
                         const char*, const CMPIValue*, CMPIType) {
    return statusOf(CMPI_RC_ERR_NOT_SUPPORTED);
}
CMPIData upGetProperty(const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*,
                       const char*, CMPIStatus* rc) {
    setStatus(rc, CMPI_RC_ERR_NOT_SUPPORTED);
    return missingData();
}

// ---- Factories --------------------------------------------------------------

// Runs a factory for a valid broker, or answers CMPI_RC_ERR_INVALID_HANDLE.
template <class F>
auto withCore(const CMPIBroker* mb, CMPIStatus* rc, F&& make) -> decltype(make(*coreOf(mb))) {
    BrokerCore* core = coreOf(mb);
    if (!core) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return nullptr;
    }
    setStatus(rc, CMPI_RC_OK);
    return make(*core);
}

CMPIInstance* newInstance(const CMPIBroker* mb, const CMPIObjectPath* op, CMPIStatus* rc) {
    return withCore(mb, rc, [&](BrokerCore& core) -> CMPIInstance* {
        ObjectPathObject* path = nullptr;
        if (lookup(op, path) != CMPI_RC_OK) {
            setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
            return nullptr;
        }
        // Copied straight into the instance: a provider makes one per instance it returns.
        return &currentArena(core).create<InstanceObject>(core, Instance{path->path(), {}})->face;
    });
}

CMPIObjectPath* newObjectPath(const CMPIBroker* mb, const char* ns, const char* cn,
                              CMPIStatus* rc) {
    return withCore(mb, rc, [&](BrokerCore& core) {
        ObjectPath path{std::string(), ns ? std::string(ns) : std::string(), cn ? std::string(cn) : std::string(), {}};
        return &currentArena(core).create<ObjectPathObject>(core, std::move(path))->face;
    });
}

CMPIArgs* newArgs(const CMPIBroker* mb, CMPIStatus* rc) {
    return withCore(mb, rc, [](BrokerCore& core) {
        return &currentArena(core).create<ArgsObject>(core, ArgumentList{})->face;
    });
}

CMPIString* newString(const CMPIBroker* mb, const char* data, CMPIStatus* rc) {
    return withCore(mb, rc, [data](BrokerCore& core) {
        return newStringObject(core, data ? data : "");
    });
}

CMPIArray* newArray(const CMPIBroker* mb, CMPICount max, CMPIType type, CMPIStatus* rc) {
    return withCore(mb, rc, [&](BrokerCore& core) -> CMPIArray* {
        const CMPIType element = storedType(static_cast<CMPIType>(type & ~CMPI_ARRAY));
        if (CMPIrc check = readValue(nullptr, element).rc; check != CMPI_RC_OK) {
            setStatus(rc, check);
            return nullptr;
        }
        std::vector<Value> elements(max, Value::null(element));
        return &currentArena(core).create<ArrayObject>(core, element, std::move(elements))->face;
    });
}

CMPIDateTime* makeDateTime(BrokerCore& core, std::string text) {
    return &currentArena(core).create<DateTimeObject>(core, std::move(text))->face;
}

CMPIDateTime* newDateTime(const CMPIBroker* mb, CMPIStatus* rc) {
    return withCore(mb, rc, [](BrokerCore& core) { return makeDateTime(core, datetime::now()); });
}

CMPIDateTime* newDateTimeFromBinary(const CMPIBroker* mb, CMPIUint64 binTime,
                                    CMPIBoolean interval, CMPIStatus* rc) {
    return withCore(mb, rc, [&](BrokerCore& core) {
        return makeDateTime(core, datetime::fromMicroseconds(binTime, interval != 0));
    });
}

CMPIDateTime* newDateTimeFromChars(const CMPIBroker* mb, const char* text, CMPIStatus* rc) {
    return withCore(mb, rc, [&](BrokerCore& core) -> CMPIDateTime* {
        if (!text || !datetime::isValid(text)) {
            setStatus(rc, CMPI_RC_ERR_INVALID_PARAMETER);
            return nullptr;
        }
        return makeDateTime(core, text);
    });
}

CMPISelectExp* newSelectExp(const CMPIBroker* mb, const char* query, const char* lang,
                            CMPIArray** projection, CMPIStatus* rc) {
    if (projection) *projection = nullptr;
    return withCore(mb, rc, [&](BrokerCore& core) -> CMPISelectExp* {
        if (!query || !lang) {
            setStatus(rc, CMPI_RC_ERR_INVALID_PARAMETER);
            return nullptr;
        }
        return &currentArena(core).create<SelectExpObject>(core, query, lang)->face;
    });
}

CMPIBoolean classPathIsA(const CMPIBroker* mb, const CMPIObjectPath* op, const char* type,
                         CMPIStatus* rc) {
    BrokerCore* core = coreOf(mb);
    ObjectPathObject* path = objectOf<ObjectPathObject>(op);
    if (!core || !path) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return 0;
    }
    if (!type) {
        setStatus(rc, CMPI_RC_ERR_INVALID_PARAMETER);
        return 0;
    }
    setStatus(rc, CMPI_RC_OK);
    return core->hierarchy.isA(path->path().className, type) ? 1 : 0;
}

// Every encapsulated object starts with its handle; that is all these
// debugging helpers need to find the object.
EncapsulatedObject* anyObject(const void* object) {
    if (!object) return nullptr;
    void* handle = *static_cast<void* const*>(object);
    return static_cast<EncapsulatedObject*>(handle);
}

std::string describe(EncapsulatedObject& object) {
    switch (object.kind()) {
    case ObjectKind::String: return static_cast<StringObject&>(object).text;
    case ObjectKind::DateTime: return static_cast<DateTimeObject&>(object).text;
    case ObjectKind::ObjectPath: return static_cast<ObjectPathObject&>(object).path().toString();
    case ObjectKind::Instance:
        return Value::instance(static_cast<InstanceObject&>(object).instance).toString();
    case ObjectKind::Array: {
        auto& array = static_cast<ArrayObject&>(object);
        return Value::array(array.elementType, array.elements).toString();
    }
    default: return kindName(object.kind());
    }
}

CMPIString* toString(const CMPIBroker* mb, const void* object, CMPIStatus* rc) {
    return withCore(mb, rc, [&](BrokerCore& core) -> CMPIString* {
        EncapsulatedObject* target = anyObject(object);
        if (!target) {
            setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
            return nullptr;
        }
        return newStringObject(core, describe(*target));
    });
}

CMPIBoolean isOfType(const CMPIBroker* mb, const void* object, const char* type, CMPIStatus* rc) {
    EncapsulatedObject* target = anyObject(object);
    if (!coreOf(mb) || !target) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return 0;
    }
    if (!type) {
        setStatus(rc, CMPI_RC_ERR_INVALID_PARAMETER);
        return 0;
    }
    setStatus(rc, CMPI_RC_OK);
    return std::string(kindName(target->kind())) == type ? 1 : 0;
}

CMPIString* getType(const CMPIBroker* mb, const void* object, CMPIStatus* rc) {
    return withCore(mb, rc, [&](BrokerCore& core) -> CMPIString* {
        EncapsulatedObject* target = anyObject(object);
        if (!target) {
            setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
            return nullptr;
        }
        return newStringObject(core, kindName(target->kind()));
    });
}

// Message inserts come as (type, value) pairs and replace $0..$9 in the
// default text; this server has no message catalogues to translate from.
std::string formatMessage(const char* defMsg, CMPICount count, va_list args) {
    std::vector<std::string> inserts;
    for (CMPICount i = 0; i < count && i < 10; ++i) {
        const int type = va_arg(args, int);
        switch (type) {
        case CMPI_chars: {
            const char* text = va_arg(args, const char*);
            inserts.push_back(text ? text : "");
            break;
        }
        case CMPI_string: {
            auto* string = objectOf<StringObject>(va_arg(args, CMPIString*));
            inserts.push_back(string ? string->text : "");
            break;
        }
        case CMPI_boolean: inserts.push_back(va_arg(args, int) ? "true" : "false"); break;
        case CMPI_sint8: case CMPI_sint16: case CMPI_sint32:
            inserts.push_back(std::to_string(va_arg(args, int)));
            break;
        case CMPI_uint8: case CMPI_uint16: case CMPI_uint32:
            inserts.push_back(std::to_string(va_arg(args, unsigned)));
            break;
        case CMPI_sint64: inserts.push_back(std::to_string(va_arg(args, long long))); break;
        case CMPI_uint64:
            inserts.push_back(std::to_string(va_arg(args, unsigned long long)));
            break;
        case CMPI_real32: case CMPI_real64:
            inserts.push_back(std::to_string(va_arg(args, double)));
            break;
        default:
            // An unknown insert type leaves the rest of the list unreadable.
            i = count;
            break;
        }
    }
    std::string text;
    for (const char* c = defMsg ? defMsg : ""; *c; ++c) {
        if (c[0] == '$' && c[1] >= '0' && c[1] <= '9') {
            const std::size_t index = static_cast<std::size_t>(c[1] - '0');
            if (index < inserts.size()) {
                text += inserts[index];
                ++c;
                continue;
            }
        }
        text += *c;
    }
    return text;
}

CMPIString* getMessage(const CMPIBroker* mb, const char*, const char* defMsg, CMPIStatus* rc,
                       CMPICount count, ...) {
    va_list args;
    va_start(args, count);
    std::string text = formatMessage(defMsg, count, args);
    va_end(args);
    return withCore(mb, rc, [&](BrokerCore& core) { return newStringObject(core, text); });
}

CMPIString* getMessage2(const CMPIBroker* mb, const char*, const CMPIMsgFileHandle,
                        const char* defMsg, CMPIStatus* rc, CMPICount count, ...) {
    va_list args;
    va_start(args, count);
    std::string text = formatMessage(defMsg, count, args);
    va_end(args);
    return withCore(mb, rc, [&](BrokerCore& core) { return newStringObject(core, text); });
}

CMPIStatus openMessageFile(const CMPIBroker* mb, const char* msgFile, CMPIMsgFileHandle* handle) {
    BrokerCore* core = coreOf(mb);
    if (!core) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    if (!msgFile || !handle) return statusOf(CMPI_RC_ERR_INVALID_PARAMETER);
    *handle = core;  // any non-null token: every file falls back to default texts
    return statusOf(CMPI_RC_OK);
}

CMPIStatus closeMessageFile(const CMPIBroker* mb, const CMPIMsgFileHandle) {
    return statusOf(coreOf(mb) ? CMPI_RC_OK : CMPI_RC_ERR_INVALID_HANDLE);
}

CMPIStatus writeLog(const CMPIBroker* mb, bool isTrace, int level, const char* component,
                    const char* text, const CMPIString* string) {
    BrokerCore* core = coreOf(mb);
    if (!core) return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
    std::string line;
    if (text) {
        line = text;
    } else if (auto* object = objectOf<StringObject>(string)) {
        line = object->text;
    }
    core->log(LogRecord{isTrace, level, component ? component : "", line});
    return statusOf(CMPI_RC_OK);
}

CMPIStatus logMessage(const CMPIBroker* mb, int severity, const char* id, const char* text,
                      const CMPIString* string) {
    return writeLog(mb, false, severity, id, text, string);
}

CMPIStatus trace(const CMPIBroker* mb, int level, const char* component, const char* text,
                 const CMPIString* string) {
    return writeLog(mb, true, level, component, text, string);
}

CMPIError* newCMPIError(const CMPIBroker* mb, const char* owner, const char* msgID,
                        const char* msg, const CMPIErrorSeverity sev,
                        const CMPIErrorProbableCause pc, const CMPIrc cimStatusCode,
                        CMPIStatus* rc) {
    return withCore(mb, rc, [&](BrokerCore& core) {
        ErrorObject* error = currentArena(core).create<ErrorObject>(core);
        error->record = ErrorRecord{owner ? owner : "", msgID ? msgID : "", msg ? msg : "", sev,
                                    pc, cimStatusCode};
        return &error->face;
    });
}

CMPIBrokerFT brokerTable = {
    CMPI_MB_Class_0 | CMPI_MB_Supports_IndicationMI | CMPI_MB_Supports_MemEnhancements |
        CMPI_MB_Supports_Extended_Error,
    CMPIVersion200,
    "orv-cmpiserver",
    prepareAttachThread,
    attachThread,
    detachThread,
    deliverIndication,
    upEnumerateInstanceNames,
    upGetInstance,
    upCreateInstance,
    upModifyInstance,
    upDeleteInstance,
    upExecQuery,
    upEnumerateInstances,
    upAssociators,
    upAssociatorNames,
    upReferences,
    upReferenceNames,
    upInvokeMethod,
    upSetProperty,
    upGetProperty,
};

CMPIBrokerEncFT encapsulatedTable = {
    kVersion,
    newInstance,
    newObjectPath,
    newArgs,
    newString,
    newArray,
    newDateTime,
    newDateTimeFromBinary,
    newDateTimeFromChars,
    newSelectExp,
    classPathIsA,
    toString,
    isOfType,
    getType,
    getMessage,
    logMessage,
    trace,
    newCMPIError,
    openMessageFile,
    closeMessageFile,
    getMessage2,
};

}  // namespace

BrokerCore::BrokerCore() : id(nextBrokerId()) {
    face.hdl = this;
    face.bft = &brokerTable;
    face.eft = &encapsulatedTable;
    face.xft = &extendedTable;
    face.mft = &memoryTable;
}

void BrokerCore::log(LogRecord record) {
    std::lock_guard lock(mutex);
    logRecords.push_back(std::move(record));
}

}  // namespace detail

using namespace detail;

// ---- Broker ---------------------------------------------------------------

Broker::Broker() : core_(std::make_unique<BrokerCore>()) {}
Broker::~Broker() = default;

const CMPIBroker* Broker::cmpi() const { return &core_->face; }
ClassHierarchy& Broker::classHierarchy() { return core_->hierarchy; }

void Broker::setIndicationSink(IndicationSink sink) {
    std::lock_guard lock(core_->mutex);
    core_->sink = std::move(sink);
}

ThreadFigures Broker::threadFigures() const {
    std::lock_guard lock(core_->mutex);
    return core_->figures;
}

std::vector<LogRecord> Broker::logRecords() const {
    std::lock_guard lock(core_->mutex);
    return core_->logRecords;
}

std::size_t Broker::longLivedObjectCount() const {
    return core_->longLived.objectCount() + core_->fallback.objectCount();
}

CMPIObjectPath* Broker::newObjectPath(const ObjectPath& path) {
    return &currentArena(*core_).create<ObjectPathObject>(*core_, path)->face;
}

CMPIInstance* Broker::newInstance(const Instance& instance) {
    return &currentArena(*core_).create<InstanceObject>(*core_, instance)->face;
}

CMPIArgs* Broker::newArgs(const ArgumentList& arguments) {
    return &currentArena(*core_).create<ArgsObject>(*core_, arguments)->face;
}

CMPISelectExp* Broker::newSelectExp(const std::string& query, const std::string& language) {
    return &currentArena(*core_).create<SelectExpObject>(*core_, query, language)->face;
}

CMPIEnumeration* Broker::newEnumeration(std::vector<Value> items) {
    return &currentArena(*core_).create<EnumerationObject>(*core_, std::move(items))->face;
}

// ---- RequestScope ---------------------------------------------------------

RequestScope::RequestScope(Broker& broker, const std::string& nameSpace,
                           const Principal& principal, CMPIFlags flags)
    : core_(*broker.core_), arena_(std::make_unique<Arena>()) {
    ThreadBinding& binding = threadBinding();
    previousBroker_ = binding.brokerId;
    previousArena_ = binding.arena;
    binding = ThreadBinding{core_.id, arena_.get()};

    std::vector<NamedValue> entries{{CMPIInitNameSpace, Value::string(nameSpace)}};
    if (principal.form == Principal::Form::Named) {
        entries.push_back({CMPIPrincipal, Value::string(principal.name)});
    } else if (principal.form == Principal::Form::WithoutChars) {
        entries.push_back({CMPIPrincipal, Value::stringWithoutChars()});
    }
    entries.push_back({CMPIInvocationFlags, Value::unsignedInteger(CMPI_uint32, flags)});
    context_ = arena_->create<ContextObject>(core_, std::move(entries));
    context_->pinned = true;
    result_ = arena_->create<ResultObject>(core_);
    result_->pinned = true;
}

RequestScope::~RequestScope() {
    threadBinding() = ThreadBinding{previousBroker_, previousArena_};
    arena_.reset();
}

const CMPIContext* RequestScope::context() const { return &context_->face; }
const CMPIResult* RequestScope::result() const { return &result_->face; }

CollectedResult RequestScope::collected() const {
    std::lock_guard lock(result_->mutex);
    return result_->collected;
}

CollectedResult RequestScope::takeCollected() {
    std::lock_guard lock(result_->mutex);
    return std::move(result_->collected);
}

void RequestScope::consumeInstances(InstanceConsumer consumer) {
    std::lock_guard lock(result_->mutex);
    result_->instanceConsumer = std::move(consumer);
}

void RequestScope::consumePaths(PathConsumer consumer) {
    std::lock_guard lock(result_->mutex);
    result_->pathConsumer = std::move(consumer);
}

std::size_t RequestScope::objectCount() const { return arena_->objectCount(); }

// ---- Readers --------------------------------------------------------------

namespace {

[[noreturn]] void rejectHandle(const char* what, CMPIrc rc) {
    throw std::invalid_argument(std::string("cannot read ") + what + ": CMPI rc " +
                                std::to_string(rc));
}

}  // namespace

ObjectPath readObjectPath(const CMPIObjectPath* path) {
    ObjectPath out;
    if (CMPIrc rc = readObjectPathObject(path, out); rc != CMPI_RC_OK) rejectHandle("object path", rc);
    return out;
}

Instance readInstance(const CMPIInstance* instance) {
    Instance out;
    if (CMPIrc rc = readInstanceObject(instance, out); rc != CMPI_RC_OK) rejectHandle("instance", rc);
    return out;
}

ArgumentList readArgs(const CMPIArgs* args) {
    ArgsObject* object = nullptr;
    if (CMPIrc rc = lookup(args, object); rc != CMPI_RC_OK) rejectHandle("args", rc);
    return object->args;
}

std::string readString(const CMPIString* string) {
    StringObject* object = nullptr;
    if (CMPIrc rc = lookup(string, object); rc != CMPI_RC_OK) rejectHandle("string", rc);
    return object->text;
}

std::optional<std::vector<std::string>> readPropertyFilter(const CMPIInstance* instance) {
    InstanceObject* object = nullptr;
    if (CMPIrc rc = lookup(instance, object); rc != CMPI_RC_OK) rejectHandle("instance", rc);
    return object->filter;
}

std::string readMessage(const CMPIStatus& status) {
    return status.msg ? readString(status.msg) : std::string();
}

Value readData(const CMPIData& data) {
    if (data.state & CMPI_nullValue) return Value::null(data.type);
    ReadValue read = readValue(&data.value, data.type);
    if (read.rc != CMPI_RC_OK) rejectHandle("data", read.rc);
    return std::move(read.value);
}

}  // namespace orv::cmpiserver
