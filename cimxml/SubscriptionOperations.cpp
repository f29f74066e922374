#include "SubscriptionOperations.h"

#include "CimError.h"
#include "ValueConversion.h"
#include "XmlResponse.h"

#include <algorithm>

namespace orv::cimxml {

using cmpiserver::equalsIgnoreCase;
using cmpiserver::Instance;
using cmpiserver::NamedValue;
using cmpiserver::ObjectPath;
using cmpiserver::Value;

namespace {

constexpr const char* kFilterClass = "CIM_IndicationFilter";
constexpr const char* kDestinationBase = "CIM_ListenerDestination";
constexpr const char* kDestinationClass = "CIM_ListenerDestinationCIMXML";
constexpr const char* kSubscriptionClass = "CIM_IndicationSubscription";

TypeDecl type(CMPIType t, std::string referenceClass = {}) { return TypeDecl{t, std::move(referenceClass)}; }
constexpr CMPIType kStringArray = static_cast<CMPIType>(CMPI_string | CMPI_ARRAY);

std::vector<PropertyDecl> elementKeyDecls() {
    return {{"SystemCreationClassName", type(CMPI_string), true},
            {"SystemName", type(CMPI_string), true},
            {"CreationClassName", type(CMPI_string), true},
            {"Name", type(CMPI_string), true}};
}

std::string text(const Instance& instance, const char* name) {
    const Value* v = instance.property(name);
    return v && !v->isNull() && !v->isArray() ? v->asString() : std::string();
}

std::string keyText(const ObjectPath& path, const char* name) {
    const Value* v = path.key(name);
    return v && !v->isNull() && !v->isArray() && v->elementType() == CMPI_string ? v->asString() : std::string();
}

ElementKeys keysOf(const ObjectPath& path) {
    return ElementKeys{keyText(path, "SystemCreationClassName"), keyText(path, "SystemName"),
                       keyText(path, "CreationClassName"), keyText(path, "Name")};
}

ElementKeys keysOf(const Instance& instance) {
    ElementKeys keys{text(instance, "SystemCreationClassName"), text(instance, "SystemName"),
                     text(instance, "CreationClassName"), text(instance, "Name")};
    return keys;
}

std::vector<NamedValue> keyValues(const ElementKeys& k) {
    return {{"SystemCreationClassName", Value::string(k.systemCreationClassName)},
            {"SystemName", Value::string(k.systemName)},
            {"CreationClassName", Value::string(k.creationClassName)},
            {"Name", Value::string(k.name)}};
}

ObjectPath elementPath(const std::string& nameSpace, const ElementKeys& k) {
    return ObjectPath{"", nameSpace, k.creationClassName, keyValues(k)};
}

Instance withKeys(ObjectPath path) {
    Instance out;
    out.properties = path.keys;
    out.path = std::move(path);
    return out;
}

Instance filterInstance(const FilterRecord& f) {
    Instance out = withKeys(elementPath(f.nameSpace, f.keys));
    std::vector<Value> sources;
    for (const auto& ns : f.sourceNamespaces) sources.push_back(Value::string(ns));
    out.properties.push_back({"Query", Value::string(f.query)});
    out.properties.push_back({"QueryLanguage", Value::string(f.queryLanguage)});
    out.properties.push_back({"SourceNamespaces", f.sourceNamespaces.empty() ? Value::null(kStringArray)
                                                                            : Value::array(CMPI_string, sources)});
    out.properties.push_back({"SourceNamespace", f.sourceNamespaces.size() == 1 ? Value::string(f.sourceNamespaces[0])
                                                                               : Value::null(CMPI_string)});
    out.properties.push_back({"IndividualSubscriptionSupported", Value::boolean(true)});
    if (!f.elementName.empty()) out.properties.push_back({"ElementName", Value::string(f.elementName)});
    return out;
}

Instance destinationInstance(const DestinationRecord& d) {
    Instance out = withKeys(elementPath(d.nameSpace, d.keys));
    out.properties.push_back({"Destination", Value::string(d.destination)});
    out.properties.push_back({"PersistenceType", Value::unsignedInteger(CMPI_uint16, d.persistenceType)});
    out.properties.push_back({"Protocol", Value::unsignedInteger(CMPI_uint16, 2)});
    if (!d.elementName.empty()) out.properties.push_back({"ElementName", Value::string(d.elementName)});
    return out;
}

ObjectPath subscriptionPath(const SubscriptionRecord& s) {
    return ObjectPath{"", s.nameSpace, kSubscriptionClass,
                      {{"Filter", Value::reference(elementPath(s.filterNamespace, s.filter))},
                       {"Handler", Value::reference(elementPath(s.handlerNamespace, s.handler))}}};
}

Instance subscriptionInstance(const SubscriptionRecord& s) {
    Instance out = withKeys(subscriptionPath(s));
    out.properties.push_back({"SubscriptionState", Value::unsignedInteger(CMPI_uint16, s.subscriptionState)});
    out.properties.push_back({"OnFatalErrorPolicy", Value::unsignedInteger(CMPI_uint16, 2)});  // Ignore
    if (!s.startTime.empty()) out.properties.push_back({"SubscriptionStartTime", Value::dateTime(s.startTime)});
    return out;
}

// A subscription named by its two references; a reference without a
// namespace is in the subscription's own.
SubscriptionRecord subscriptionKeys(const std::string& nameSpace, const ObjectPath& path, const Instance* instance) {
    auto reference = [&](const char* name) -> ObjectPath {
        const Value* v = instance ? instance->property(name) : path.key(name);
        if (!v || v->isNull() || v->isArray() || v->elementType() != CMPI_ref)
            throw CimError(kCimErrInvalidParameter, std::string("the subscription's ") + name + " reference is missing");
        return v->asReference();
    };
    const ObjectPath filter = reference("Filter");
    const ObjectPath handler = reference("Handler");
    SubscriptionRecord out;
    out.nameSpace = nameSpace;
    out.filterNamespace = filter.nameSpace.empty() ? nameSpace : filter.nameSpace;
    out.filter = keysOf(filter);
    out.handlerNamespace = handler.nameSpace.empty() ? nameSpace : handler.nameSpace;
    out.handler = keysOf(handler);
    return out;
}

}  // namespace

const std::vector<std::string>& subscriptionNamespaces() {
    static const std::vector<std::string> names{"root/PG_InterOp", "root/interop"};
    return names;
}

void addSubscriptionClasses(ServerSchema& schema) {
    ClassDecl filter{kFilterClass, "CIM_ManagedElement", false, false, false, elementKeyDecls(), {}};
    filter.properties.push_back({"SourceNamespace", type(CMPI_string), false});
    filter.properties.push_back({"SourceNamespaces", type(kStringArray), false});
    filter.properties.push_back({"IndividualSubscriptionSupported", type(CMPI_boolean), false});
    filter.properties.push_back({"Query", type(CMPI_string), false});
    filter.properties.push_back({"QueryLanguage", type(CMPI_string), false});

    ClassDecl destination{kDestinationBase, "CIM_ManagedElement", false, false, true, elementKeyDecls(), {}};
    destination.properties.push_back({"PersistenceType", type(CMPI_uint16), false});
    destination.properties.push_back({"OtherPersistenceType", type(CMPI_string), false});
    destination.properties.push_back({"Destination", type(CMPI_string), false});
    destination.properties.push_back({"Protocol", type(CMPI_uint16), false});
    destination.properties.push_back({"OtherProtocol", type(CMPI_string), false});
    ClassDecl cimxml{kDestinationClass, kDestinationBase, false, false, false, {}, {}};

    ClassDecl subscription{kSubscriptionClass, "", true, false, false, {}, {}};
    subscription.properties = {
        {"Filter", type(CMPI_ref, kFilterClass), true},
        {"Handler", type(CMPI_ref, kDestinationBase), true},
        {"OnFatalErrorPolicy", type(CMPI_uint16), false},
        {"SubscriptionState", type(CMPI_uint16), false},
        {"SubscriptionStartTime", type(CMPI_dateTime), false},
        {"SubscriptionDuration", type(CMPI_uint64), false},
    };
    for (ClassDecl* decl : {&filter, &destination, &cimxml, &subscription}) schema.addClass(*decl);
    for (const auto& nameSpace : subscriptionNamespaces()) {
        schema.addNamespace(nameSpace);
        for (const char* name : {kFilterClass, kDestinationBase, kDestinationClass, kSubscriptionClass})
            schema.registerServerClass(nameSpace, name);
    }
}

// ---- one request ---------------------------------------------------------------------

class SubscriptionOperations::Call {
    using Names = std::optional<std::vector<std::string>>;

public:
    Call(SubscriptionOperations& owner, const XmlRequest& request, const std::string& nameSpace)
        : owner_(owner), schema_(owner.schema_), request_(request), nameSpace_(nameSpace),
          converter_(owner.schema_, nameSpace), writer_(owner.schema_, owner.hostName_) {}

    std::string run() {
        writer_.begin(request_.messageId, request_.methodName, true);
        const std::string& name = request_.methodName;
        if (name == "EnumerateInstances" || name == "EnumerateInstanceNames")
            enumerate(name == "EnumerateInstanceNames");
        else if (name == "GetInstance")
            get();
        else if (name == "CreateInstance")
            create();
        else if (name == "DeleteInstance")
            remove();
        else if (name == "ModifyInstance")
            modify();
        else
            throw CimError(kCimErrNotSupported, name + " is not supported on the subscription classes");
        return writer_.end();
    }

private:
    const NamedXmlValue& param(const char* name, XmlValue::Kind kind, const char* what) const {
        const NamedXmlValue* p = request_.parameter(name);
        if (!p || p->value.kind != kind) throw CimError(kCimErrInvalidParameter, std::string(name) + " must be " + what);
        return *p;
    }

    Names propertyList() const {
        const NamedXmlValue* p = request_.parameter("PropertyList");
        if (!p || p->value.kind == XmlValue::Kind::Null) return std::nullopt;
        if (p->value.kind == XmlValue::Kind::Array) return p->value.texts;
        return std::vector<std::string>{p->value.text};
    }

    std::vector<Instance> instancesOf(const std::string& className) const {
        const SubscriptionState state = owner_.service_.snapshot();
        std::vector<Instance> out;
        auto wanted = [&](const std::string& nameSpace, const std::string& cls) {
            return equalsIgnoreCase(nameSpace, nameSpace_) && schema_.isA(cls, className);
        };
        for (const auto& f : state.filters)
            if (wanted(f.nameSpace, kFilterClass)) out.push_back(filterInstance(f));
        for (const auto& d : state.destinations) {
            const std::string cls = schema_.find(d.keys.creationClassName) ? d.keys.creationClassName : kDestinationClass;
            if (wanted(d.nameSpace, cls)) out.push_back(destinationInstance(d));
        }
        for (const auto& s : state.subscriptions)
            if (wanted(s.nameSpace, kSubscriptionClass)) out.push_back(subscriptionInstance(s));
        return out;
    }

    void enumerate(bool namesOnly) {
        const auto& p = param("ClassName", XmlValue::Kind::ClassName, "a CLASSNAME");
        const Names properties = namesOnly ? Names{} : propertyList();
        writer_.openReturnValue();
        for (const auto& instance : instancesOf(p.value.text)) {
            if (namesOnly)
                writer_.instanceName(instance.path);
            else
                writer_.namedInstance(instance, properties, false);
        }
        writer_.closeReturnValue();
    }

    // The stored instance a path names; the keys the path leaves out match anything.
    Instance find(const ObjectPath& path) const {
        const bool isSubscription = schema_.isA(path.className, kSubscriptionClass);
        const SubscriptionRecord wantedSubscription =
            isSubscription ? subscriptionKeys(nameSpace_, path, nullptr) : SubscriptionRecord{};
        const ElementKeys keys = keysOf(path);
        for (const auto& candidate : instancesOf(path.className)) {
            if (isSubscription) {
                const SubscriptionRecord s = subscriptionKeys(nameSpace_, candidate.path, nullptr);
                if (equalsIgnoreCase(s.filterNamespace, wantedSubscription.filterNamespace) &&
                    equalsIgnoreCase(s.handlerNamespace, wantedSubscription.handlerNamespace) &&
                    s.filter.name == wantedSubscription.filter.name && s.handler.name == wantedSubscription.handler.name)
                    return candidate;
            } else if (keysOf(candidate.path).name == keys.name) {
                return candidate;
            }
        }
        throw CimError(kCimErrNotFound, "no instance of " + path.className + " has these keys");
    }

    ObjectPath instanceName() const {
        const auto& p = param("InstanceName", XmlValue::Kind::InstanceName, "an INSTANCENAME");
        ObjectPath path = converter_.path(p.value.paths.front());
        path.nameSpace = nameSpace_;
        path.className = schema_.find(path.className)->name;
        return path;
    }

    void get() {
        const ObjectPath path = instanceName();
        const Instance found = find(path);
        writer_.openReturnValue();
        writer_.instance(found, propertyList(), false);
        writer_.closeReturnValue();
    }

    void create() {
        const auto& p = param("NewInstance", XmlValue::Kind::Instance, "an INSTANCE");
        const Instance instance = converter_.instance(*p.value.instance);
        const std::string& cls = instance.path.className;
        ObjectPath created;
        if (schema_.isA(cls, kFilterClass)) {
            created = elementPath(nameSpace_, owner_.service_.createFilter(filterFrom(instance)).keys);
        } else if (schema_.isA(cls, kDestinationBase)) {
            created = elementPath(nameSpace_, owner_.service_.createDestination(destinationFrom(instance)).keys);
        } else {
            SubscriptionRecord s = subscriptionKeys(nameSpace_, instance.path, &instance);
            if (const Value* state = instance.property("SubscriptionState"); state && !state->isNull())
                s.subscriptionState = static_cast<std::uint16_t>(state->asUnsigned());
            created = subscriptionPath(owner_.service_.createSubscription(std::move(s)));
        }
        writer_.openReturnValue();
        writer_.instanceName(created);
        writer_.closeReturnValue();
    }

    FilterRecord filterFrom(const Instance& instance) const {
        FilterRecord f;
        f.nameSpace = nameSpace_;
        f.keys = keysOf(instance);
        checkCreationClass(f.keys, instance.path.className);
        f.query = text(instance, "Query");
        f.queryLanguage = text(instance, "QueryLanguage");
        if (f.query.empty()) throw CimError(kCimErrInvalidParameter, "the filter has no Query");
        if (f.queryLanguage.empty()) throw CimError(kCimErrInvalidParameter, "the filter has no QueryLanguage");
        if (const Value* list = instance.property("SourceNamespaces"); list && !list->isNull())
            for (const auto& v : list->elements())
                if (!v.isNull()) f.sourceNamespaces.push_back(v.asString());
        const std::string single = text(instance, "SourceNamespace");
        if (!single.empty() && std::none_of(f.sourceNamespaces.begin(), f.sourceNamespaces.end(),
                                            [&](const std::string& ns) { return equalsIgnoreCase(ns, single); }))
            f.sourceNamespaces.push_back(single);
        for (auto& ns : f.sourceNamespaces)
            if (auto served = schema_.servedNamespace(ns)) ns = *served;
        f.elementName = text(instance, "ElementName");
        return f;
    }

    DestinationRecord destinationFrom(const Instance& instance) const {
        DestinationRecord d;
        d.nameSpace = nameSpace_;
        d.keys = keysOf(instance);
        if (equalsIgnoreCase(instance.path.className, kDestinationBase))
            throw CimError(kCimErrNotSupported, std::string(kDestinationBase) + " is abstract; create a " +
                                                    kDestinationClass);
        checkCreationClass(d.keys, instance.path.className);
        d.destination = text(instance, "Destination");
        if (const Value* v = instance.property("PersistenceType"); v && !v->isNull())
            d.persistenceType = static_cast<std::uint16_t>(v->asUnsigned());
        if (const Value* v = instance.property("Protocol"); v && !v->isNull() && v->asUnsigned() != 2)
            throw CimError(kCimErrNotSupported, "only the CIM-XML protocol (2) is supported for listeners");
        d.elementName = text(instance, "ElementName");
        return d;
    }

    static void checkCreationClass(ElementKeys& keys, const std::string& className) {
        if (keys.creationClassName.empty()) keys.creationClassName = className;
        if (!equalsIgnoreCase(keys.creationClassName, className))
            throw CimError(kCimErrInvalidParameter,
                           "CreationClassName " + keys.creationClassName + " does not name the class " + className);
    }

    void remove() {
        const ObjectPath path = instanceName();
        const Instance found = find(path);
        if (schema_.isA(path.className, kSubscriptionClass))
            owner_.service_.deleteSubscription(subscriptionKeys(nameSpace_, found.path, nullptr));
        else if (schema_.isA(found.path.className, kFilterClass))
            owner_.service_.deleteFilter(nameSpace_, keysOf(found.path));
        else
            owner_.service_.deleteDestination(nameSpace_, keysOf(found.path));
    }

    // A client enables and disables a subscription through its
    // SubscriptionState. Everything else stays as created: a filter or a
    // destination that is to change is deleted and created anew, so that no
    // subscription ever runs on half of a change. A client may send back the
    // whole instance it read: properties it leaves as they are pass.
    void modify() {
        const auto& p = param("ModifiedInstance", XmlValue::Kind::NamedInstance, "a VALUE.NAMEDINSTANCE");
        ObjectPath path = converter_.path(p.value.paths.front());
        path.nameSpace = nameSpace_;
        path.className = schema_.find(path.className)->name;
        if (!schema_.isA(path.className, kSubscriptionClass))
            throw CimError(kCimErrNotSupported, "instances of " + path.className +
                                                    " cannot be modified; delete and create it again");
        const Instance current = find(path);
        const Instance modified = converter_.instance(*p.value.instance);
        if (!schema_.isA(modified.path.className, path.className))
            throw CimError(kCimErrInvalidParameter, "the modified instance is not one of " + path.className);
        const Names properties = propertyList();
        std::optional<std::uint16_t> state;
        for (const auto& property : modified.properties) {
            if (properties && std::none_of(properties->begin(), properties->end(), [&](const std::string& n) {
                    return equalsIgnoreCase(n, property.name);
                }))
                continue;
            const PropertyDecl* decl = schema_.property(modified.path.className, property.name)->decl;
            if (decl->isKey) continue;
            if (equalsIgnoreCase(property.name, "SubscriptionState")) {
                if (property.value.isNull())
                    throw CimError(kCimErrInvalidParameter, "SubscriptionState cannot be made NULL");
                state = static_cast<std::uint16_t>(property.value.asUnsigned());
                continue;
            }
            const Value* now = current.property(property.name);
            if (now ? !(*now == property.value) : !property.value.isNull())
                throw CimError(kCimErrNotSupported,
                               "only SubscriptionState of a subscription can be modified, not " + decl->name);
        }
        if (state) owner_.service_.setSubscriptionState(subscriptionKeys(nameSpace_, current.path, nullptr), *state);
    }

    SubscriptionOperations& owner_;
    const ServerSchema& schema_;
    const XmlRequest& request_;
    const std::string nameSpace_;
    ValueConverter converter_;
    ResponseWriter writer_;
};

bool SubscriptionOperations::handles(const XmlRequest& request, const std::string& nameSpace) const {
    if (!request.intrinsic) return false;
    const char* parameter = nullptr;
    for (const auto& [method, name] : {std::pair{"EnumerateInstances", "ClassName"},
                                       {"EnumerateInstanceNames", "ClassName"},
                                       {"GetInstance", "InstanceName"},
                                       {"DeleteInstance", "InstanceName"},
                                       {"CreateInstance", "NewInstance"},
                                       {"ModifyInstance", "ModifiedInstance"}})
        if (request.methodName == method) parameter = name;
    if (!parameter) return false;
    const NamedXmlValue* p = request.parameter(parameter);
    if (!p) return false;
    std::string className;
    if (p->value.kind == XmlValue::Kind::ClassName)
        className = p->value.text;
    else if (!p->value.paths.empty())
        className = p->value.paths.front().className;
    else if (p->value.instance)
        className = p->value.instance->className;
    return !className.empty() && schema_.isServerClass(nameSpace, className);
}

std::string SubscriptionOperations::answer(const XmlRequest& request, const std::string& nameSpace) {
    try {
        Call call(*this, request, nameSpace);
        return call.run();
    } catch (const CimError& error) {
        return errorDocument(schema_, request.messageId, request.methodName, true, error.code(), error.what());
    } catch (const std::exception& error) {
        return errorDocument(schema_, request.messageId, request.methodName, true, kCimErrFailed, error.what());
    }
}

}  // namespace orv::cimxml
