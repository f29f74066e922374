// Internal: the C++ objects behind the CMPI handles, the arenas that own
// them, the broker's shared state and the conversions between CMPIValue
// and Value. Not for use outside this library.
#pragma once

#include "Broker.h"
#include "cmpift.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

namespace orv::cmpiserver::detail {

enum class ObjectKind {
    String, DateTime, Array, Enumeration, ObjectPath, Instance, Args, Context, Result,
    SelectExp, Error
};

// "CMPIString", "CMPIInstance"... as providers name object types.
const char* kindName(ObjectKind kind);

struct BrokerCore;
class Arena;

class EncapsulatedObject {
public:
    EncapsulatedObject(ObjectKind kind, BrokerCore& core) : kind_(kind), core_(&core) {}
    // A copy is a new object: it belongs to no arena until placed in one.
    EncapsulatedObject(const EncapsulatedObject& other) : kind_(other.kind_), core_(other.core_) {}
    EncapsulatedObject& operator=(const EncapsulatedObject&) = delete;
    virtual ~EncapsulatedObject() = default;

    ObjectKind kind() const { return kind_; }
    BrokerCore& core() const { return *core_; }

    Arena* arena = nullptr;
    std::uint64_t sequence = 0;
    // The request's own context and result: a provider's release must not
    // free what the server still reads after the call.
    bool pinned = false;

private:
    ObjectKind kind_;
    BrokerCore* core_;
};

// An object together with the face a provider holds: face.hdl points back
// at the object, face.ft at the kind's function table.
template <class Face, class Table, ObjectKind K>
class Faced : public EncapsulatedObject {
public:
    static constexpr ObjectKind Kind = K;
    Faced(BrokerCore& core, Table* table) : EncapsulatedObject(K, core) { bind(table); }
    Faced(const Faced& other) : EncapsulatedObject(other) { bind(other.face.ft); }

    Face face{};

private:
    void bind(Table* table) {
        face.hdl = static_cast<EncapsulatedObject*>(this);
        face.ft = table;
    }
};

// Marker handed out by the memory table's mark().
struct GcMark {
    Arena* arena;
    std::uint64_t sequence;
};

// Owns the objects and memory blocks made during one request, one attached
// thread context, or the broker's lifetime. Locked, because a prepared
// context's arena serves every thread attached with it.
class Arena {
public:
    Arena() = default;
    ~Arena();
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    template <class T, class... Args>
    T* create(Args&&... args) {
        auto object = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = object.get();
        adopt(std::move(object));
        return raw;
    }
    void adopt(std::unique_ptr<EncapsulatedObject> object);
    // Frees one object now; false when this arena does not hold it.
    bool destroy(EncapsulatedObject* object);
    std::size_t objectCount() const;

    GcMark* mark();
    // Frees the objects made since the mark, and the mark itself.
    void releaseSince(GcMark* mark);

    void* allocate(std::size_t size, bool zeroed);
    static void* reallocate(void* block, std::size_t size);
    static void deallocate(void* block);

private:
    struct BlockHeader;
    void forget(BlockHeader* header);
    void remember(BlockHeader* header);

    mutable std::mutex mutex_;
    std::uint64_t nextSequence_ = 1;
    // In order of sequence, which only grows, so that a request's objects
    // are appended and found by binary search; a freed object leaves an
    // empty slot until the slots are compacted.
    std::vector<std::pair<std::uint64_t, std::unique_ptr<EncapsulatedObject>>> objects_;
    std::size_t liveObjects_ = 0;
    std::vector<std::unique_ptr<GcMark>> marks_;
    std::unordered_set<BlockHeader*> blocks_;
};

struct BrokerCore {
    BrokerCore();
    BrokerCore(const BrokerCore&) = delete;
    BrokerCore& operator=(const BrokerCore&) = delete;

    void log(LogRecord record);

    CMPIBroker face{};
    const std::uint64_t id;
    ClassHierarchy hierarchy;

    mutable std::mutex mutex;  // guards the members down to the arenas
    IndicationSink sink;
    ThreadFigures figures;
    std::vector<LogRecord> logRecords;

    Arena longLived;  // clones and prepared contexts outlive requests
    Arena fallback;   // for threads neither in a request nor attached
};

BrokerCore* coreOf(const CMPIBroker* mb);

// Which arena this thread's new objects go to. Brokers are told apart by
// id, so a binding left behind by a destroyed broker is never followed.
struct ThreadBinding {
    std::uint64_t brokerId = 0;
    Arena* arena = nullptr;
};
ThreadBinding& threadBinding();
Arena& currentArena(BrokerCore& core);

// ---- Status helpers ---------------------------------------------------------

inline CMPIStatus statusOf(CMPIrc code) { return CMPIStatus{code, nullptr}; }
inline void setStatus(CMPIStatus* rc, CMPIrc code) {
    if (rc) *rc = statusOf(code);
}

// Finds the object behind a face; null for a missing face, a null handle
// or a handle of another kind.
template <class T, class Face>
T* objectOf(const Face* face) {
    if (!face || !face->hdl) return nullptr;
    auto* base = static_cast<EncapsulatedObject*>(const_cast<void*>(static_cast<const void*>(face->hdl)));
    return base->kind() == T::Kind ? static_cast<T*>(base) : nullptr;
}

// Like objectOf, but tells a missing handle from one of the wrong kind.
template <class T, class Face>
CMPIrc lookup(const Face* face, T*& out) {
    out = nullptr;
    if (!face || !face->hdl) return CMPI_RC_ERR_INVALID_HANDLE;
    out = objectOf<T>(face);
    return out ? CMPI_RC_OK : CMPI_RC_ERR_TYPE_MISMATCH;
}

CMPIStatus releaseObject(EncapsulatedObject* object);

template <class T, class Face>
CMPIStatus releaseFace(Face* face) {
    T* object = objectOf<T>(face);
    return object ? releaseObject(object) : statusOf(CMPI_RC_ERR_INVALID_HANDLE);
}

// Clones live until released or until the broker goes; a provider that
// forgets to release one does not leak past the broker.
template <class T, class Face>
Face* cloneFace(const Face* face, CMPIStatus* rc) {
    T* object = objectOf<T>(face);
    if (!object) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE);
        return nullptr;
    }
    T* copy = object->core().longLived.template create<T>(*object);
    setStatus(rc, CMPI_RC_OK);
    return &copy->face;
}

// ---- Values -------------------------------------------------------------

// The type a stored value gets: chars are kept as strings.
CMPIType storedType(CMPIType type);
// Reads what a provider handed over; a null value pointer or a null object
// pointer gives a null value of the type. The value is made in its place,
// not assigned: providers hand over a few values for every instance.
struct ReadValue {
    CMPIrc rc = CMPI_RC_OK;
    Value value;
};
ReadValue readValue(const CMPIValue* value, CMPIType type);
// Hands a value out, making the CMPI objects it needs in the current arena.
CMPIData makeData(BrokerCore& core, const Value& value, CMPIValueState extraState = CMPI_goodValue);
CMPIData missingData();
// How key values are handed out: every integer as CMPI_sint64.
Value keyView(const Value& key);

// Shared by instances, object paths, args and contexts: named values with
// lookup by name or position.
CMPIData namedData(BrokerCore& core, const std::vector<NamedValue>& list, const char* name,
                   CMPIStatus* rc, bool asKey = false);
CMPIData namedDataAt(BrokerCore& core, const std::vector<NamedValue>& list, CMPICount index,
                     CMPIString** name, CMPIStatus* rc, bool asKey = false);

CMPIString* newStringObject(BrokerCore& core, std::string text);
CMPIString* newStringWithoutChars(BrokerCore& core);

// ---- The objects --------------------------------------------------------

class StringObject : public Faced<CMPIString, CMPIStringFT, ObjectKind::String> {
public:
    StringObject(BrokerCore& core, std::string value);
    std::string text;
    bool withoutChars = false;  // getCharPtr answers NULL, as some servers' strings do
    static CMPIStringFT table;
};

class DateTimeObject : public Faced<CMPIDateTime, CMPIDateTimeFT, ObjectKind::DateTime> {
public:
    DateTimeObject(BrokerCore& core, std::string cimText);
    std::string text;
    static CMPIDateTimeFT table;
};

class ArrayObject : public Faced<CMPIArray, CMPIArrayFT, ObjectKind::Array> {
public:
    ArrayObject(BrokerCore& core, CMPIType elementType, std::vector<Value> elements);
    CMPIType elementType;
    std::vector<Value> elements;
    static CMPIArrayFT table;
};

class EnumerationObject
    : public Faced<CMPIEnumeration, CMPIEnumerationFT, ObjectKind::Enumeration> {
public:
    EnumerationObject(BrokerCore& core, std::vector<Value> items);
    EnumerationObject(const EnumerationObject& other);
    std::vector<Value> items;
    std::atomic<std::size_t> cursor{0};
    static CMPIEnumerationFT table;
};

// A reference value read from a path object shares the object's path
// instead of copying it: association instances hand over two paths each,
// and a provider seldom changes a path after setting it. A change to a
// shared path copies it first, so values read earlier keep what they read.
class ObjectPathObject : public Faced<CMPIObjectPath, CMPIObjectPathFT, ObjectKind::ObjectPath> {
public:
    ObjectPathObject(BrokerCore& core, ObjectPath value);
    ObjectPathObject(const ObjectPathObject& other) = default;

    const ObjectPath& path() const { return *path_; }
    ObjectPath& changePath();
    std::shared_ptr<const ObjectPath> sharedPath() const { return path_; }

    static CMPIObjectPathFT table;

private:
    std::shared_ptr<ObjectPath> path_;
};

class InstanceObject : public Faced<CMPIInstance, CMPIInstanceFT, ObjectKind::Instance> {
public:
    InstanceObject(BrokerCore& core, Instance value);
    Instance instance;
    std::optional<std::vector<std::string>> filter;  // lower-case names

    // The property of that name, found by a hash of its case-folded name
    // first: a provider sets a few dozen properties one by one, and
    // comparing each new name with every earlier one costs more than the
    // rest of setting it.
    NamedValue* findProperty(std::string_view name, std::uint32_t nameHash);
    void appendProperty(std::string name, std::uint32_t nameHash, Value value);
    // After properties were taken away.
    void forgetNameHashes() { nameHashes_.clear(); }
    static std::uint32_t nameHash(std::string_view name);

    static CMPIInstanceFT table;

private:
    // One per property while in step with the properties; made again when not.
    std::vector<std::uint32_t> nameHashes_;
};

class ArgsObject : public Faced<CMPIArgs, CMPIArgsFT, ObjectKind::Args> {
public:
    ArgsObject(BrokerCore& core, ArgumentList value);
    ArgumentList args;
    static CMPIArgsFT table;
};

class ContextObject : public Faced<CMPIContext, CMPIContextFT, ObjectKind::Context> {
public:
    ContextObject(BrokerCore& core, std::vector<NamedValue> entries);
    ContextObject(const ContextObject& other);

    std::vector<NamedValue> entriesCopy() const;
    void setEntry(const std::string& name, Value value);

    mutable std::mutex mutex;
    std::vector<NamedValue> entries;
    // Only contexts made by prepareAttachThread have one: the objects made
    // by threads attached with this context.
    std::unique_ptr<Arena> threadArena;
    int attachments = 0;  // guarded by the broker's mutex
    static CMPIContextFT table;
};

class ResultObject : public Faced<CMPIResult, CMPIResultFT, ObjectKind::Result> {
public:
    explicit ResultObject(BrokerCore& core);
    ResultObject(const ResultObject& other);

    template <class F>
    CMPIStatus record(F&& add) {
        std::lock_guard lock(mutex);
        if (collected.doneCount > 0) ++collected.returnsAfterDone;
        add(collected);
        return statusOf(CMPI_RC_OK);
    }

    mutable std::mutex mutex;
    CollectedResult collected;
    InstanceConsumer instanceConsumer;  // instead of collecting instances
    PathConsumer pathConsumer;          // instead of collecting object paths
    static CMPIResultFT table;
};

class SelectExpObject : public Faced<CMPISelectExp, CMPISelectExpFT, ObjectKind::SelectExp> {
public:
    SelectExpObject(BrokerCore& core, std::string query, std::string language);
    std::string query;
    std::string language;
    static CMPISelectExpFT table;
};

class ErrorObject : public Faced<CMPIError, CMPIErrorFT, ObjectKind::Error> {
public:
    explicit ErrorObject(BrokerCore& core);
    ErrorRecord record;
    CMPIErrorType errorType = UnknownErrorType;
    std::string otherErrorType;
    std::string probableCauseDescription;
    std::vector<std::string> recommendedActions;
    std::string errorSource;
    CMPIErrorSrcFormat errorSourceFormat = CMPIErrSrcUnknown;
    std::string otherErrorSourceFormat;
    std::string statusCodeDescription;
    std::vector<std::string> messageArguments;
    static CMPIErrorFT table;
};

// Reads an instance handed over by a provider (used by results, indication
// delivery and values that embed instances).
CMPIrc readInstanceObject(const CMPIInstance* face, Instance& out);
CMPIrc readObjectPathObject(const CMPIObjectPath* face, ObjectPath& out);

}  // namespace orv::cmpiserver::detail
