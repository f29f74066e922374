// Arenas, thread bindings and value conversion shared by every object kind.
#include "Objects.h"

#include <algorithm>

#include <cstdlib>
#include <cstring>

namespace orv::cmpiserver::detail {

const char* kindName(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::String: return "CMPIString";
    case ObjectKind::DateTime: return "CMPIDateTime";
    case ObjectKind::Array: return "CMPIArray";
    case ObjectKind::Enumeration: return "CMPIEnumeration";
    case ObjectKind::ObjectPath: return "CMPIObjectPath";
    case ObjectKind::Instance: return "CMPIInstance";
    case ObjectKind::Args: return "CMPIArgs";
    case ObjectKind::Context: return "CMPIContext";
    case ObjectKind::Result: return "CMPIResult";
    case ObjectKind::SelectExp: return "CMPISelectExp";
    case ObjectKind::Error: return "CMPIError";
    }
    return "unknown";
}

// ---- Arena ------------------------------------------------------------------

// Each block carries its arena in front of the caller's memory; sixteen
// bytes keep the caller's part aligned for any type.
struct alignas(16) Arena::BlockHeader {
    Arena* arena;
};

Arena::~Arena() {
    // Objects go first and outside the lock: a context's destructor frees
    // its own arena, which never reaches back into this one.
    decltype(objects_) objects;
    std::unordered_set<BlockHeader*> blocks;
    {
        std::lock_guard lock(mutex_);
        objects.swap(objects_);
        blocks.swap(blocks_);
    }
    objects.clear();
    for (BlockHeader* header : blocks) std::free(header);
}

void Arena::adopt(std::unique_ptr<EncapsulatedObject> object) {
    std::lock_guard lock(mutex_);
    object->arena = this;
    object->sequence = nextSequence_++;
    objects_.emplace_back(object->sequence, std::move(object));
    ++liveObjects_;
}

bool Arena::destroy(EncapsulatedObject* object) {
    std::unique_ptr<EncapsulatedObject> owned;
    {
        std::lock_guard lock(mutex_);
        const auto found = std::lower_bound(objects_.begin(), objects_.end(), object->sequence,
                                            [](const auto& entry, std::uint64_t s) { return entry.first < s; });
        if (found == objects_.end() || found->first != object->sequence || found->second.get() != object)
            return false;
        owned = std::move(found->second);
        --liveObjects_;
        // Long-lived arenas see many clones made and released: keep the
        // empty slots fewer than the objects.
        if (objects_.size() > 64 && liveObjects_ < objects_.size() / 2)
            objects_.erase(std::remove_if(objects_.begin(), objects_.end(),
                                          [](const auto& entry) { return !entry.second; }),
                           objects_.end());
    }
    return true;
}

std::size_t Arena::objectCount() const {
    std::lock_guard lock(mutex_);
    return liveObjects_;
}

GcMark* Arena::mark() {
    std::lock_guard lock(mutex_);
    marks_.push_back(std::make_unique<GcMark>(GcMark{this, nextSequence_}));
    return marks_.back().get();
}

void Arena::releaseSince(GcMark* mark) {
    decltype(objects_) released;
    {
        std::lock_guard lock(mutex_);
        const auto first = std::lower_bound(objects_.begin(), objects_.end(), mark->sequence,
                                            [](const auto& entry, std::uint64_t s) { return entry.first < s; });
        released.assign(std::make_move_iterator(first), std::make_move_iterator(objects_.end()));
        objects_.erase(first, objects_.end());
        for (const auto& entry : released)
            if (entry.second) --liveObjects_;
        for (auto it = marks_.begin(); it != marks_.end(); ++it) {
            if (it->get() == mark) {
                marks_.erase(it);
                break;
            }
        }
    }
}

void* Arena::allocate(std::size_t size, bool zeroed) {
    const std::size_t total = sizeof(BlockHeader) + size;
    auto* header = static_cast<BlockHeader*>(zeroed ? std::calloc(1, total) : std::malloc(total));
    if (!header) return nullptr;
    header->arena = this;
    remember(header);
    return header + 1;
}

void* Arena::reallocate(void* block, std::size_t size) {
    auto* header = static_cast<BlockHeader*>(block) - 1;
    Arena* owner = header->arena;
    owner->forget(header);
    auto* grown = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + size));
    if (!grown) {
        owner->remember(header);
        return nullptr;
    }
    owner->remember(grown);
    return grown + 1;
}

void Arena::deallocate(void* block) {
    auto* header = static_cast<BlockHeader*>(block) - 1;
    header->arena->forget(header);
    std::free(header);
}

void Arena::forget(BlockHeader* header) {
    std::lock_guard lock(mutex_);
    blocks_.erase(header);
}

void Arena::remember(BlockHeader* header) {
    std::lock_guard lock(mutex_);
    blocks_.insert(header);
}

// ---- Thread binding -------------------------------------------------------

ThreadBinding& threadBinding() {
    thread_local ThreadBinding binding;
    return binding;
}

Arena& currentArena(BrokerCore& core) {
    const ThreadBinding& binding = threadBinding();
    if (binding.brokerId == core.id && binding.arena) return *binding.arena;
    return core.fallback;
}

BrokerCore* coreOf(const CMPIBroker* mb) {
    return mb && mb->hdl ? static_cast<BrokerCore*>(mb->hdl) : nullptr;
}

CMPIStatus releaseObject(EncapsulatedObject* object) {
    if (object->pinned) return statusOf(CMPI_RC_OK);
    if (object->arena && object->arena->destroy(object)) return statusOf(CMPI_RC_OK);
    return statusOf(CMPI_RC_ERR_INVALID_HANDLE);
}

CMPIString* newStringObject(BrokerCore& core, std::string text) {
    return &currentArena(core).create<StringObject>(core, std::move(text))->face;
}

CMPIString* newStringWithoutChars(BrokerCore& core) {
    StringObject* string = currentArena(core).create<StringObject>(core, std::string());
    string->withoutChars = true;
    return &string->face;
}

// ---- Values -----------------------------------------------------------------

CMPIType storedType(CMPIType type) {
    const bool array = (type & CMPI_ARRAY) != 0;
    CMPIType element = static_cast<CMPIType>(type & ~CMPI_ARRAY);
    if (element == CMPI_chars) element = CMPI_string;
    return static_cast<CMPIType>(array ? (element | CMPI_ARRAY) : element);
}

namespace {

bool isSupportedElement(CMPIType type) {
    switch (type) {
    case CMPI_boolean: case CMPI_char16: case CMPI_real32: case CMPI_real64:
    case CMPI_uint8: case CMPI_uint16: case CMPI_uint32: case CMPI_uint64:
    case CMPI_sint8: case CMPI_sint16: case CMPI_sint32: case CMPI_sint64:
    case CMPI_string: case CMPI_chars: case CMPI_dateTime: case CMPI_ref: case CMPI_instance:
        return true;
    default:
        return false;
    }
}

bool isKnownUnsupported(CMPIType type) {
    switch (type) {
    case CMPI_args: case CMPI_class: case CMPI_filter: case CMPI_enumeration: case CMPI_ptr:
    case CMPI_charsptr:
        return true;
    default:
        return false;
    }
}

// True when the value's object pointer is null, which stands for a null value.
bool isNullObject(const CMPIValue& value, CMPIType type) {
    if (type & CMPI_ARRAY) return value.array == nullptr;
    switch (type) {
    case CMPI_string: return value.string == nullptr;
    case CMPI_chars: return value.chars == nullptr;
    case CMPI_dateTime: return value.dateTime == nullptr;
    case CMPI_ref: return value.ref == nullptr;
    case CMPI_instance: return value.inst == nullptr;
    default: return false;
    }
}

ReadValue readScalar(const CMPIValue& value, CMPIType type) {
    switch (type) {
    case CMPI_boolean: return {CMPI_RC_OK, Value::boolean(value.boolean != 0)};
    case CMPI_char16: return {CMPI_RC_OK, Value::char16(value.char16)};
    case CMPI_real32: return {CMPI_RC_OK, Value::real(type, value.real32)};
    case CMPI_real64: return {CMPI_RC_OK, Value::real(type, value.real64)};
    case CMPI_uint8: return {CMPI_RC_OK, Value::unsignedInteger(type, value.uint8)};
    case CMPI_uint16: return {CMPI_RC_OK, Value::unsignedInteger(type, value.uint16)};
    case CMPI_uint32: return {CMPI_RC_OK, Value::unsignedInteger(type, value.uint32)};
    case CMPI_uint64: return {CMPI_RC_OK, Value::unsignedInteger(type, value.uint64)};
    case CMPI_sint8: return {CMPI_RC_OK, Value::signedInteger(type, value.sint8)};
    case CMPI_sint16: return {CMPI_RC_OK, Value::signedInteger(type, value.sint16)};
    case CMPI_sint32: return {CMPI_RC_OK, Value::signedInteger(type, value.sint32)};
    case CMPI_sint64: return {CMPI_RC_OK, Value::signedInteger(type, value.sint64)};
    case CMPI_chars: return {CMPI_RC_OK, Value::string(value.chars)};
    case CMPI_string: {
        StringObject* string = nullptr;
        if (CMPIrc rc = lookup(value.string, string); rc != CMPI_RC_OK) return {rc, Value()};
        return {CMPI_RC_OK, string->withoutChars ? Value::stringWithoutChars() : Value::string(string->text)};
    }
    case CMPI_dateTime: {
        DateTimeObject* dateTime = nullptr;
        if (CMPIrc rc = lookup(value.dateTime, dateTime); rc != CMPI_RC_OK) return {rc, Value()};
        return {CMPI_RC_OK, Value::dateTime(dateTime->text)};
    }
    case CMPI_ref: {
        ObjectPathObject* path = nullptr;
        if (CMPIrc rc = lookup(value.ref, path); rc != CMPI_RC_OK) return {rc, Value()};
        return {CMPI_RC_OK, Value::reference(path->sharedPath())};
    }
    case CMPI_instance: {
        Instance instance;
        if (CMPIrc rc = readInstanceObject(value.inst, instance); rc != CMPI_RC_OK) return {rc, Value()};
        return {CMPI_RC_OK, Value::instance(std::move(instance))};
    }
    default:
        return {CMPI_RC_ERR_INVALID_DATA_TYPE, Value()};
    }
}

}  // namespace

ReadValue readValue(const CMPIValue* value, CMPIType type) {
    const CMPIType element = static_cast<CMPIType>(type & ~CMPI_ARRAY);
    if (!isSupportedElement(element))
        return {isKnownUnsupported(element) ? CMPI_RC_ERR_NOT_SUPPORTED : CMPI_RC_ERR_INVALID_DATA_TYPE, Value()};
    const CMPIType stored = storedType(type);
    // For CMPI_chars, OpenPegasus and SFCB take the value pointer itself as
    // the C string (CMSetProperty(inst, "Name", "text", CMPI_chars)), not its
    // chars member; behave the same so providers tested here work there.
    CMPIValue charsValue{};
    if (type == CMPI_chars) {
        charsValue.chars = value ? const_cast<char*>(reinterpret_cast<const char*>(value)) : nullptr;
        value = &charsValue;
    }
    if (!value || isNullObject(*value, type)) return {CMPI_RC_OK, Value::null(stored)};
    if (!(type & CMPI_ARRAY)) return readScalar(*value, element);

    ArrayObject* array = nullptr;
    if (CMPIrc rc = lookup(value->array, array); rc != CMPI_RC_OK) return {rc, Value()};
    if (array->elementType != storedType(element)) return {CMPI_RC_ERR_TYPE_MISMATCH, Value()};
    return {CMPI_RC_OK, Value::array(array->elementType, array->elements)};
}

CMPIData missingData() {
    CMPIData data{};
    data.type = CMPI_null;
    data.state = CMPI_nullValue | CMPI_notFound;
    return data;
}

CMPIData makeData(BrokerCore& core, const Value& value, CMPIValueState extraState) {
    CMPIData data{};
    data.type = value.type();
    data.state = extraState;
    if (value.isNull()) {
        data.state |= CMPI_nullValue;
        return data;
    }
    Arena& arena = currentArena(core);
    if (value.isArray()) {
        data.value.array =
            &arena.create<ArrayObject>(core, value.elementType(), value.elements())->face;
        return data;
    }
    switch (value.type()) {
    case CMPI_boolean: data.value.boolean = value.asBoolean() ? 1 : 0; break;
    case CMPI_char16: data.value.char16 = static_cast<CMPIChar16>(value.asUnsigned()); break;
    case CMPI_real32: data.value.real32 = static_cast<CMPIReal32>(value.asReal()); break;
    case CMPI_real64: data.value.real64 = value.asReal(); break;
    case CMPI_uint8: data.value.uint8 = static_cast<CMPIUint8>(value.asUnsigned()); break;
    case CMPI_uint16: data.value.uint16 = static_cast<CMPIUint16>(value.asUnsigned()); break;
    case CMPI_uint32: data.value.uint32 = static_cast<CMPIUint32>(value.asUnsigned()); break;
    case CMPI_uint64: data.value.uint64 = value.asUnsigned(); break;
    case CMPI_sint8: data.value.sint8 = static_cast<CMPISint8>(value.asSigned()); break;
    case CMPI_sint16: data.value.sint16 = static_cast<CMPISint16>(value.asSigned()); break;
    case CMPI_sint32: data.value.sint32 = static_cast<CMPISint32>(value.asSigned()); break;
    case CMPI_sint64: data.value.sint64 = value.asSigned(); break;
    case CMPI_string:
        data.value.string = value.isStringWithoutChars() ? newStringWithoutChars(core)
                                                         : newStringObject(core, value.asString());
        break;
    case CMPI_dateTime:
        data.value.dateTime = &arena.create<DateTimeObject>(core, value.asString())->face;
        break;
    case CMPI_ref:
        data.value.ref = &arena.create<ObjectPathObject>(core, value.asReference())->face;
        break;
    case CMPI_instance:
        data.value.inst = &arena.create<InstanceObject>(core, value.asInstance())->face;
        break;
    default:
        data.state |= CMPI_badValue;
        break;
    }
    return data;
}

Value keyView(const Value& key) {
    if (key.isNull() || key.isArray()) return key;
    switch (key.type()) {
    case CMPI_uint8: case CMPI_uint16: case CMPI_uint32: case CMPI_uint64:
        return Value::signedInteger(CMPI_sint64, static_cast<std::int64_t>(key.asUnsigned()));
    case CMPI_sint8: case CMPI_sint16: case CMPI_sint32:
        return Value::signedInteger(CMPI_sint64, key.asSigned());
    default:
        return key;
    }
}

CMPIData namedData(BrokerCore& core, const std::vector<NamedValue>& list, const char* name,
                   CMPIStatus* rc, bool asKey) {
    if (!name) {
        setStatus(rc, CMPI_RC_ERR_INVALID_PARAMETER);
        return missingData();
    }
    const Value* value = findNamed(list, name);
    if (!value) {
        setStatus(rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
        return missingData();
    }
    setStatus(rc, CMPI_RC_OK);
    return asKey ? makeData(core, keyView(*value), CMPI_keyValue) : makeData(core, *value);
}

CMPIData namedDataAt(BrokerCore& core, const std::vector<NamedValue>& list, CMPICount index,
                     CMPIString** name, CMPIStatus* rc, bool asKey) {
    if (name) *name = nullptr;
    if (index >= list.size()) {
        setStatus(rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
        return missingData();
    }
    const NamedValue& entry = list[index];
    if (name) *name = newStringObject(core, entry.name);
    setStatus(rc, CMPI_RC_OK);
    return asKey ? makeData(core, keyView(entry.value), CMPI_keyValue) : makeData(core, entry.value);
}

}  // namespace orv::cmpiserver::detail
