#include "CimOperations.h"

#include "CimError.h"
#include "SubscriptionOperations.h"
#include "ValueConversion.h"
#include "XmlResponse.h"

#include <algorithm>
#include <exception>
#include <set>

namespace orv::cimxml {

using cmpiserver::equalsIgnoreCase;
using cmpiserver::toLower;

namespace {

using Names = std::optional<std::vector<std::string>>;

// Provider status codes are CIM status codes; an empty message gets a
// readable one so that a client never sees a bare number.
[[noreturn]] void raise(const ProviderOutcome& outcome, const std::string& what) {
    std::string message = outcome.message;
    if (message.empty()) message = what + " failed with CIM status " + std::to_string(outcome.rc);
    throw CimError(outcome.rc, message);
}

// Consumers run with the provider's code on the stack, so nothing may be
// thrown through them: the first failure to write is kept and raised once
// the provider has returned.
class HeldFailure {
public:
    template <class Write>
    void run(Write&& write) {
        if (failure_) return;
        try {
            write();
        } catch (...) {
            failure_ = std::current_exception();
        }
    }
    void raise() const {
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    std::exception_ptr failure_;
};

bool admitted(const Names& list, const std::string& name) {
    if (!list) return true;
    return std::any_of(list->begin(), list->end(), [&](const std::string& n) { return equalsIgnoreCase(n, name); });
}

}  // namespace

// One request on its way: parameters read on demand, the response written
// as the operation goes.
class CimOperations::Call {
public:
    Call(CimOperations& owner, const XmlRequest& request, const cmpiserver::Principal& principal,
         const std::string& nameSpace, AnswerStream* stream)
        : owner_(owner), schema_(owner.schema_), request_(request),
          context_{nameSpace, principal}, converter_(owner.schema_, nameSpace),
          writer_(owner.schema_, owner.hostName_) {
        writer_.sendBlocksTo(stream);
    }

    std::string run();

private:
    // ---- parameters ----
    void accept(std::initializer_list<const char*> names) const;
    const NamedXmlValue* param(const char* name) const { return request_.parameter(name); }
    bool flag(const char* name, bool fallback) const;
    std::optional<std::string> text(const char* name) const;
    std::optional<std::string> classNameParam(const char* name) const;
    std::string visibleClass(const char* name) const;
    Names propertyList() const;
    ObjectPath instanceNameParam(const char* name) const;

    // ---- routing helpers ----
    void checkVisible(const std::string& className, int code) const;
    std::vector<std::string> associations(const std::string& source, const Names& assocFilter,
                                          const std::optional<std::string>& role,
                                          const std::optional<std::string>& resultClass,
                                          const std::optional<std::string>& resultRole) const;
    template <class Each>
    void fanOut(const std::vector<std::string>& targets, const char* what, Each&& each);
    template <class Ask>
    void answerAssociated(const std::vector<std::string>& associations,
                          const std::optional<std::string>& resultClass, const Names& properties,
                          bool classOrigin, Ask&& ask);
    void fillPath(ObjectPath& path) const;

    // ---- operations ----
    void enumerateInstances(bool namesOnly);
    void getInstance();
    void createInstance();
    void modifyInstance();
    void deleteInstance();
    void associators(bool namesOnly);
    void references(bool namesOnly);
    void enumerateClasses(bool namesOnly);
    void getClass();
    void invokeMethod();

    CimOperations& owner_;
    const ServerSchema& schema_;
    const XmlRequest& request_;
    CallContext context_;
    ValueConverter converter_;
    ResponseWriter writer_;
};

// ---- parameters ---------------------------------------------------------------

void CimOperations::Call::accept(std::initializer_list<const char*> names) const {
    for (const auto& p : request_.parameters) {
        const bool known = std::any_of(names.begin(), names.end(),
                                       [&](const char* n) { return equalsIgnoreCase(n, p.name); });
        if (!known)
            throw CimError(kCimErrInvalidParameter,
                           request_.methodName + " has no parameter " + p.name);
    }
}

bool CimOperations::Call::flag(const char* name, bool fallback) const {
    const NamedXmlValue* p = param(name);
    if (!p || p->value.kind == XmlValue::Kind::Null) return fallback;
    if (p->value.kind != XmlValue::Kind::Scalar)
        throw CimError(kCimErrInvalidParameter, std::string(name) + " must be TRUE or FALSE");
    return parseScalar(p->value.text, CMPI_boolean, name).asBoolean();
}

std::optional<std::string> CimOperations::Call::text(const char* name) const {
    const NamedXmlValue* p = param(name);
    if (!p || p->value.kind == XmlValue::Kind::Null) return std::nullopt;
    if (p->value.kind != XmlValue::Kind::Scalar)
        throw CimError(kCimErrInvalidParameter, std::string(name) + " must be a string");
    return p->value.text;
}

std::optional<std::string> CimOperations::Call::classNameParam(const char* name) const {
    const NamedXmlValue* p = param(name);
    if (!p || p->value.kind == XmlValue::Kind::Null) return std::nullopt;
    if (p->value.kind != XmlValue::Kind::ClassName)
        throw CimError(kCimErrInvalidParameter, std::string(name) + " must be a CLASSNAME");
    return p->value.text;
}

void CimOperations::Call::checkVisible(const std::string& className, int code) const {
    if (!schema_.isVisible(context_.nameSpace, className))
        throw CimError(code, "the class " + className + " does not exist in the namespace " +
                                 context_.nameSpace);
}

std::string CimOperations::Call::visibleClass(const char* name) const {
    const auto className = classNameParam(name);
    if (!className) throw CimError(kCimErrInvalidParameter, std::string(name) + " is required");
    checkVisible(*className, kCimErrInvalidClass);
    return schema_.find(*className)->name;
}

Names CimOperations::Call::propertyList() const {
    const NamedXmlValue* p = param("PropertyList");
    if (!p || p->value.kind == XmlValue::Kind::Null) return std::nullopt;
    if (p->value.kind == XmlValue::Kind::Array) return p->value.texts;
    if (p->value.kind == XmlValue::Kind::Scalar) return std::vector<std::string>{p->value.text};
    throw CimError(kCimErrInvalidParameter, "PropertyList must be an array of property names");
}

ObjectPath CimOperations::Call::instanceNameParam(const char* name) const {
    const NamedXmlValue* p = param(name);
    if (!p || p->value.kind == XmlValue::Kind::Null)
        throw CimError(kCimErrInvalidParameter, std::string(name) + " is required");
    if (p->value.kind == XmlValue::Kind::ClassName)
        throw CimError(kCimErrNotSupported, "operations on classes are not supported, " + std::string(name) +
                                                " must name an instance");
    if (p->value.kind != XmlValue::Kind::InstanceName && p->value.kind != XmlValue::Kind::Reference)
        throw CimError(kCimErrInvalidParameter, std::string(name) + " must be an INSTANCENAME");
    const XmlPath& xml = p->value.paths.front();
    checkVisible(xml.className, kCimErrInvalidClass);
    ObjectPath path = converter_.path(xml);
    path.nameSpace = context_.nameSpace;
    path.className = schema_.find(xml.className)->name;
    return path;
}

// ---- routing helpers --------------------------------------------------------------

// The provider's association classes in this namespace that can link an
// object of class `source` under the given filters. A CIM server asks the
// provider once per association class, naming it.
std::vector<std::string> CimOperations::Call::associations(
    const std::string& source, const Names& assocFilter, const std::optional<std::string>& role,
    const std::optional<std::string>& resultClass, const std::optional<std::string>& resultRole) const {
    std::vector<std::string> out;
    for (const AssociationRoute* route : schema_.associationsFrom(context_.nameSpace, source)) {
        const std::string& name = route->decl->name;
        if (assocFilter && !std::any_of(assocFilter->begin(), assocFilter->end(),
                                        [&](const std::string& f) { return route->isA(f); }))
            continue;
        // Every route from the source already reaches it at some end;
        // only the role and result filters need the ends looked at again.
        if (!role && !resultClass && !resultRole) {
            out.push_back(name);
            continue;
        }
        const auto& ends = route->ends;
        bool linked = ends.empty();
        for (const auto& near : ends) {
            if (role && !equalsIgnoreCase(near.role, *role)) continue;
            if (!schema_.mayMeet(source, near.referenceClass)) continue;
            if (!resultClass && !resultRole) {
                linked = true;
                break;
            }
            for (const auto& far : ends) {
                if (&far == &near) continue;
                if (resultRole && !equalsIgnoreCase(far.role, *resultRole)) continue;
                if (resultClass && !schema_.mayMeet(far.referenceClass, *resultClass)) continue;
                linked = true;
            }
            if (linked) break;
        }
        if (linked) out.push_back(name);
    }
    return out;
}

// Calls the provider once per target class. A failure of one target is
// logged and skipped when others answered, so that one class that cannot
// answer does not hide the rest of a base-class request; when every target
// fails, the first failure is the answer.
template <class Each>
void CimOperations::Call::fanOut(const std::vector<std::string>& targets, const char* what, Each&& each) {
    std::optional<ProviderOutcome> firstFailure;
    std::size_t failures = 0;
    for (const auto& target : targets) {
        ProviderOutcome outcome = each(target);
        if (outcome.ok()) continue;
        ++failures;
        if (owner_.log_)
            owner_.log_(std::string(what) + " on " + target + " failed: CIM status " +
                        std::to_string(outcome.rc) + " " + outcome.message);
        if (!firstFailure) firstFailure = std::move(outcome);
    }
    if (firstFailure && failures == targets.size()) raise(*firstFailure, what);
}

void CimOperations::Call::fillPath(ObjectPath& path) const {
    if (path.nameSpace.empty()) path.nameSpace = context_.nameSpace;
}

// Asks the provider once per association class and answers every object it
// returns once, however many associations lead to it; with resultClass,
// objects of a known class outside it are dropped. Objects are written as
// they arrive; only one without a namespace is copied, to fill it in.
template <class Ask>
void CimOperations::Call::answerAssociated(const std::vector<std::string>& associations,
                                           const std::optional<std::string>& resultClass,
                                           const Names& properties, bool classOrigin, Ask&& ask) {
    std::set<std::string> seen;
    auto fresh = [&](const ObjectPath& p) {
        if (resultClass && schema_.find(p.className) && !schema_.isA(p.className, *resultClass)) return false;
        return seen.insert(toLower(p.toString())).second;
    };
    HeldFailure failure;
    // One object is written once; one without a namespace is copied to fill it in.
    const auto writeOnce = [&](const auto& given, auto&& pathOf, auto&& write) {
        failure.run([&] {
            if (!pathOf(given).nameSpace.empty()) {
                if (fresh(pathOf(given))) write(given);
                return;
            }
            auto filled = given;
            fillPath(pathOf(filled));
            if (fresh(pathOf(filled))) write(filled);
        });
    };
    const cmpiserver::PathConsumer writeName = [&](const ObjectPath& given) {
        writeOnce(given, [](auto& path) -> auto& { return path; },
                  [&](const ObjectPath& path) { writer_.objectPath(path); });
    };
    const cmpiserver::InstanceConsumer writeInstance = [&](const Instance& given) {
        writeOnce(given, [](auto& instance) -> auto& { return instance.path; },
                  [&](const Instance& instance) { writer_.objectWithPath(instance, properties, classOrigin); });
    };
    writer_.openReturnValue();
    fanOut(associations, request_.methodName.c_str(), [&](const std::string& association) {
        ProviderOutcome outcome = ask(association, writeName, writeInstance);
        failure.raise();
        return outcome;
    });
    writer_.closeReturnValue();
}

// ---- operations ------------------------------------------------------------------

void CimOperations::Call::enumerateInstances(bool namesOnly) {
    if (namesOnly)
        accept({"ClassName"});
    else
        accept({"ClassName", "LocalOnly", "DeepInheritance", "IncludeQualifiers", "IncludeClassOrigin",
                "PropertyList"});
    const std::string className = visibleClass("ClassName");
    const bool deep = namesOnly || flag("DeepInheritance", true);
    const bool classOrigin = !namesOnly && flag("IncludeClassOrigin", false);
    Names properties = namesOnly ? Names{} : propertyList();
    if (!deep) {
        // Without deep inheritance only the requested class's properties come back.
        std::vector<std::string> own;
        for (const auto& p : schema_.effectiveProperties(className))
            if (admitted(properties, p.decl->name)) own.push_back(p.decl->name);
        properties = own;
    }
    const auto targets = schema_.providerClassesFor(context_.nameSpace, className);
    // Instances are written as the provider returns them, without a copy;
    // when every target fails the answer is only the error, written afresh.
    writer_.openReturnValue();
    HeldFailure failure;
    const cmpiserver::InstanceConsumer writeInstance = [&](const Instance& instance) {
        failure.run([&] { writer_.namedInstance(instance, properties, classOrigin); });
    };
    const cmpiserver::PathConsumer writeName = [&](const ObjectPath& path) {
        failure.run([&] { writer_.instanceName(path); });
    };
    fanOut(targets, request_.methodName.c_str(), [&](const std::string& target) {
        const ObjectPath classPath{"", context_.nameSpace, target, {}};
        ProviderOutcome outcome =
            namesOnly ? owner_.provider_.enumerateInstanceNames(context_, classPath, writeName)
                      : owner_.provider_.enumerateInstances(context_, classPath, properties, writeInstance);
        failure.raise();
        return outcome;
    });
    writer_.closeReturnValue();
}

void CimOperations::Call::getInstance() {
    accept({"InstanceName", "LocalOnly", "IncludeQualifiers", "IncludeClassOrigin", "PropertyList"});
    const Names properties = propertyList();
    const bool classOrigin = flag("IncludeClassOrigin", false);
    const NamedXmlValue* p = param("InstanceName");
    if (!p || p->value.kind != XmlValue::Kind::InstanceName)
        throw CimError(kCimErrInvalidParameter, "InstanceName must be an INSTANCENAME");
    const XmlPath& xml = p->value.paths.front();
    checkVisible(xml.className, kCimErrInvalidClass);
    // Named by a base class, the instance is looked for in every provider
    // class derived from it, its keys typed as each of them declares.
    std::vector<std::string> targets;
    if (schema_.isProviderClass(context_.nameSpace, xml.className))
        targets.push_back(schema_.find(xml.className)->name);
    else
        targets = schema_.providerClassesFor(context_.nameSpace, xml.className);
    std::optional<ProviderOutcome> failure;
    std::optional<CimError> refusedKeys;
    for (const auto& target : targets) {
        XmlPath targetXml = xml;
        targetXml.className = target;
        ObjectPath targetPath;
        try {
            targetPath = converter_.path(targetXml);
        } catch (const CimError& error) {
            if (targets.size() == 1) throw;
            if (!refusedKeys) refusedKeys = error;
            continue;
        }
        targetPath.nameSpace = context_.nameSpace;
        ProviderOutcome outcome = owner_.provider_.getInstance(context_, targetPath, properties);
        if (outcome.ok() && !outcome.collected.instances.empty()) {
            Instance found = outcome.collected.instances.front();
            fillPath(found.path);
            writer_.openReturnValue();
            writer_.instance(found, properties, classOrigin);
            writer_.closeReturnValue();
            return;
        }
        if (!outcome.ok() && (!failure || failure->rc == CMPI_RC_ERR_NOT_FOUND)) failure = std::move(outcome);
    }
    if (failure) raise(*failure, "GetInstance");
    if (refusedKeys) throw *refusedKeys;
    throw CimError(kCimErrNotFound, "no instance of " + xml.className + " has these keys");
}

void CimOperations::Call::createInstance() {
    accept({"NewInstance"});
    const NamedXmlValue* p = param("NewInstance");
    if (!p || p->value.kind != XmlValue::Kind::Instance)
        throw CimError(kCimErrInvalidParameter, "NewInstance must be an INSTANCE");
    checkVisible(p->value.instance->className, kCimErrInvalidClass);
    Instance instance = converter_.instance(*p->value.instance);
    ProviderOutcome outcome = owner_.provider_.createInstance(context_, instance.path, instance);
    if (!outcome.ok()) raise(outcome, "CreateInstance");
    ObjectPath created = outcome.collected.objectPaths.empty() ? instance.path
                                                               : outcome.collected.objectPaths.front();
    writer_.openReturnValue();
    writer_.instanceName(created);
    writer_.closeReturnValue();
}

void CimOperations::Call::modifyInstance() {
    accept({"ModifiedInstance", "IncludeQualifiers", "PropertyList"});
    const NamedXmlValue* p = param("ModifiedInstance");
    if (!p || p->value.kind != XmlValue::Kind::NamedInstance)
        throw CimError(kCimErrInvalidParameter, "ModifiedInstance must be a VALUE.NAMEDINSTANCE");
    const XmlPath& xmlPath = p->value.paths.front();
    checkVisible(xmlPath.className, kCimErrInvalidClass);
    ObjectPath path = converter_.path(xmlPath);
    path.className = schema_.find(xmlPath.className)->name;
    Instance instance = converter_.instance(*p->value.instance);
    instance.path = path;
    // The provider is always told which properties to change. Without a
    // property list every property the client sent may change; clients such
    // as wbemcli send back the whole instance they read, so only the
    // properties whose values differ from the current instance are named,
    // lest read-only properties merely echoed back make the provider refuse.
    std::vector<std::string> names;
    if (auto list = propertyList()) {
        names = *list;
    } else {
        ProviderOutcome now = owner_.provider_.getInstance(context_, path, std::nullopt);
        const Instance* current =
            now.ok() && !now.collected.instances.empty() ? &now.collected.instances.front() : nullptr;
        for (const auto& prop : instance.properties) {
            const auto decl = schema_.property(path.className, prop.name);
            if (decl && decl->decl->isKey) continue;
            const Value* old = current ? current->property(prop.name) : nullptr;
            if (old && *old == prop.value) continue;
            names.push_back(prop.name);
        }
    }
    ProviderOutcome outcome = owner_.provider_.modifyInstance(context_, path, instance, names);
    if (!outcome.ok()) raise(outcome, "ModifyInstance");
}

void CimOperations::Call::deleteInstance() {
    accept({"InstanceName"});
    const ObjectPath path = instanceNameParam("InstanceName");
    ProviderOutcome outcome = owner_.provider_.deleteInstance(context_, path);
    if (!outcome.ok()) raise(outcome, "DeleteInstance");
}

void CimOperations::Call::associators(bool namesOnly) {
    if (namesOnly)
        accept({"ObjectName", "AssocClass", "ResultClass", "Role", "ResultRole"});
    else
        accept({"ObjectName", "AssocClass", "ResultClass", "Role", "ResultRole", "IncludeQualifiers",
                "IncludeClassOrigin", "PropertyList"});
    const ObjectPath path = instanceNameParam("ObjectName");
    const auto assocClass = classNameParam("AssocClass");
    const auto resultClass = classNameParam("ResultClass");
    const auto role = text("Role");
    const auto resultRole = text("ResultRole");
    const Names properties = namesOnly ? Names{} : propertyList();
    const bool classOrigin = !namesOnly && flag("IncludeClassOrigin", false);
    if (assocClass) checkVisible(*assocClass, kCimErrInvalidParameter);
    if (resultClass) checkVisible(*resultClass, kCimErrInvalidParameter);

    const auto targets = associations(path.className, assocClass ? Names(std::vector<std::string>{*assocClass}) : Names{},
                                      role, resultClass, resultRole);
    answerAssociated(targets, resultClass, properties, classOrigin,
                     [&](const std::string& association, const auto& writeName, const auto& writeInstance) {
                         return namesOnly ? owner_.provider_.associatorNames(context_, path, association,
                                                                             resultClass, role, resultRole,
                                                                             writeName)
                                          : owner_.provider_.associators(context_, path, association,
                                                                         resultClass, role, resultRole,
                                                                         properties, writeInstance);
                     });
}

void CimOperations::Call::references(bool namesOnly) {
    if (namesOnly)
        accept({"ObjectName", "ResultClass", "Role"});
    else
        accept({"ObjectName", "ResultClass", "Role", "IncludeQualifiers", "IncludeClassOrigin", "PropertyList"});
    const ObjectPath path = instanceNameParam("ObjectName");
    const auto resultClass = classNameParam("ResultClass");
    const auto role = text("Role");
    const Names properties = namesOnly ? Names{} : propertyList();
    const bool classOrigin = !namesOnly && flag("IncludeClassOrigin", false);
    if (resultClass) checkVisible(*resultClass, kCimErrInvalidParameter);

    const auto targets = associations(path.className, resultClass ? Names(std::vector<std::string>{*resultClass}) : Names{}, role,
                                      std::nullopt, std::nullopt);
    // The association class goes to the provider as the result class: that
    // is how it learns which association is meant.
    answerAssociated(targets, std::nullopt, properties, classOrigin,
                     [&](const std::string& association, const auto& writeName, const auto& writeInstance) {
                         return namesOnly ? owner_.provider_.referenceNames(context_, path, association, role,
                                                                            writeName)
                                          : owner_.provider_.references(context_, path, association, role,
                                                                        properties, writeInstance);
                     });
}

void CimOperations::Call::enumerateClasses(bool namesOnly) {
    if (namesOnly)
        accept({"ClassName", "DeepInheritance"});
    else
        accept({"ClassName", "DeepInheritance", "LocalOnly", "IncludeQualifiers", "IncludeClassOrigin"});
    const auto className = classNameParam("ClassName");
    if (className) checkVisible(*className, kCimErrInvalidClass);
    const bool deep = flag("DeepInheritance", false);
    ClassOptions options;
    options.localOnly = flag("LocalOnly", true);
    options.includeQualifiers = flag("IncludeQualifiers", true);
    options.includeClassOrigin = flag("IncludeClassOrigin", false);
    writer_.openReturnValue();
    for (const ClassDecl* decl : schema_.classes()) {
        if (!schema_.isVisible(context_.nameSpace, decl->name)) continue;
        bool wanted;
        if (className)
            wanted = !equalsIgnoreCase(decl->name, *className) &&
                     (deep ? schema_.isA(decl->name, *className) : equalsIgnoreCase(decl->superClass, *className));
        else
            wanted = deep || decl->superClass.empty() || !schema_.isVisible(context_.nameSpace, decl->superClass);
        if (!wanted) continue;
        if (namesOnly)
            writer_.className(decl->name);
        else
            writer_.classDecl(*decl, options);
    }
    writer_.closeReturnValue();
}

void CimOperations::Call::getClass() {
    accept({"ClassName", "LocalOnly", "IncludeQualifiers", "IncludeClassOrigin", "PropertyList"});
    const auto className = classNameParam("ClassName");
    if (!className) throw CimError(kCimErrInvalidParameter, "ClassName is required");
    checkVisible(*className, kCimErrNotFound);
    ClassOptions options;
    options.localOnly = flag("LocalOnly", true);
    options.includeQualifiers = flag("IncludeQualifiers", true);
    options.includeClassOrigin = flag("IncludeClassOrigin", false);
    options.propertyList = propertyList();
    writer_.openReturnValue();
    writer_.classDecl(*schema_.find(*className), options);
    writer_.closeReturnValue();
}

void CimOperations::Call::invokeMethod() {
    const XmlPath& target = request_.target;
    checkVisible(target.className, kCimErrInvalidClass);
    const auto method = schema_.method(target.className, request_.methodName);
    if (!method)
        throw CimError(kCimErrMethodNotFound,
                       "the class " + target.className + " has no method " + request_.methodName);
    ObjectPath path;
    if (request_.targetIsClass) {
        path = ObjectPath{"", context_.nameSpace, schema_.find(target.className)->name, {}};
    } else {
        path = converter_.path(target);
        path.nameSpace = context_.nameSpace;
        path.className = schema_.find(target.className)->name;
    }
    cmpiserver::ArgumentList in;
    for (const auto& p : request_.parameters) {
        const ParameterDecl* decl = method->decl->parameter(p.name);
        if (!decl || !decl->in)
            throw CimError(kCimErrInvalidParameter,
                           request_.methodName + " has no input parameter " + p.name);
        cmpiserver::setNamed(in, decl->name, converter_.value(p.value, decl->type, "parameter " + decl->name));
    }
    ProviderOutcome outcome = owner_.provider_.invokeMethod(context_, path, method->decl->name, in);
    if (!outcome.ok()) raise(outcome, request_.methodName);
    Value returned = outcome.collected.data.empty() ? Value::null(method->decl->returnType)
                                                    : outcome.collected.data.front();
    for (auto& arg : outcome.outArgs)
        if (arg.value.elementType() == CMPI_ref && !arg.value.isArray() && !arg.value.isNull() &&
            arg.value.asReference().nameSpace.empty()) {
            ObjectPath ref = arg.value.asReference();
            fillPath(ref);
            arg.value = Value::reference(std::move(ref));
        }
    writer_.methodResult(returned, outcome.outArgs);
}

std::string CimOperations::Call::run() {
    const std::string& name = request_.methodName;
    writer_.begin(request_.messageId, name, request_.intrinsic);
    if (!request_.intrinsic) {
        invokeMethod();
        return writer_.end();
    }
    struct Entry {
        const char* name;
        void (Call::*handler)(bool);
        bool flag;
    };
    static const Entry table[] = {
        {"EnumerateInstances", &Call::enumerateInstances, false},
        {"EnumerateInstanceNames", &Call::enumerateInstances, true},
        {"Associators", &Call::associators, false},
        {"AssociatorNames", &Call::associators, true},
        {"References", &Call::references, false},
        {"ReferenceNames", &Call::references, true},
        {"EnumerateClasses", &Call::enumerateClasses, false},
        {"EnumerateClassNames", &Call::enumerateClasses, true},
    };
    for (const auto& entry : table)
        if (name == entry.name) {
            (this->*entry.handler)(entry.flag);
            return writer_.end();
        }
    if (name == "GetInstance") getInstance();
    else if (name == "CreateInstance") createInstance();
    else if (name == "ModifyInstance") modifyInstance();
    else if (name == "DeleteInstance") deleteInstance();
    else if (name == "GetClass") getClass();
    else throw CimError(kCimErrNotSupported, "the operation " + name + " is not supported");
    return writer_.end();
}

// ---- CimOperations ---------------------------------------------------------------

CimOperations::CimOperations(const ServerSchema& schema, ProviderModule& provider, std::string hostName,
                             LogFunction log)
    : schema_(schema), provider_(provider), hostName_(std::move(hostName)), log_(std::move(log)) {}

std::string CimOperations::answer(const XmlRequest& request, const cmpiserver::Principal& principal,
                                  AnswerStream* stream) {
    try {
        const auto nameSpace = schema_.servedNamespace(request.nameSpace);
        if (!nameSpace)
            throw CimError(kCimErrInvalidNamespace, "the namespace " + request.nameSpace + " is not served here");
        if (subscriptions_ && subscriptions_->handles(request, *nameSpace))
            return subscriptions_->answer(request, *nameSpace);
        Call call(*this, request, principal, *nameSpace, stream);
        return call.run();
    } catch (const CimError& error) {
        return failed(request, error.code(), error.what(), stream);
    } catch (const AnswerAbandoned& error) {
        if (log_) log_("the answer to " + request.methodName + " failed after it started: " + error.what());
        return {};
    } catch (const std::exception& error) {
        if (log_ && !(stream && stream->started())) log_(request.methodName + " failed: " + error.what());
        return failed(request, kCimErrFailed, error.what(), stream);
    }
}

// Part of an answer that has left cannot be called back: the client is
// told in its stead, and the log says so, since the client may show only
// a broken transfer.
std::string CimOperations::failed(const XmlRequest& request, int code, const std::string& description,
                                  AnswerStream* stream) {
    if (!stream || !stream->started())
        return errorDocument(schema_, request.messageId, request.methodName, request.intrinsic, code, description);
    if (log_)
        log_("the answer to " + request.methodName + " failed after it started: CIM status " +
             std::to_string(code) + " " + description);
    stream->fail(code, description);
    return {};
}

}  // namespace orv::cimxml
