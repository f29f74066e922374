#include "SubscriptionService.h"

#include "CimError.h"
#include "DateTimeText.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>

namespace orv::cimxml {

using cmpiserver::equalsIgnoreCase;
using cmpiserver::Instance;
using cmpiserver::toLower;

// What a started subscription needs on the delivery path, fixed when it
// starts so that delivery reads it without the service's lock.
struct SubscriptionService::Activation {
    IndicationQuery query;
    std::vector<std::string> namespaces;  // lower case; the filter's sources
    std::string filterName;
    std::shared_ptr<ListenerQueue> queue;
};

struct SubscriptionService::ProviderCall {
    enum class Kind { Activate, Deactivate, Enable, Disable };
    Kind kind;
    std::string nameSpace;
    std::string query;
    std::string language;
    std::string className;
    bool flag = false;
};

namespace {

std::string identity(const std::string& nameSpace, const ElementKeys& k) {
    return toLower(nameSpace) + "|" + toLower(k.systemCreationClassName) + "|" + k.systemName + "|" +
           toLower(k.creationClassName) + "|" + k.name;
}

std::string identity(const SubscriptionRecord& s) {
    return identity(s.filterNamespace, s.filter) + "||" + identity(s.handlerNamespace, s.handler);
}

// A key the client left out matches any value.
bool keysMatch(const ElementKeys& record, const ElementKeys& given) {
    auto fits = [](const std::string& mine, const std::string& asked, bool ignoreCase) {
        return asked.empty() || (ignoreCase ? equalsIgnoreCase(mine, asked) : mine == asked);
    };
    return fits(record.name, given.name, false) && fits(record.systemName, given.systemName, true) &&
           fits(record.creationClassName, given.creationClassName, true) &&
           fits(record.systemCreationClassName, given.systemCreationClassName, true);
}

void fillKeys(ElementKeys& keys, const std::string& systemName, const std::string& className,
              const std::string& generatedName) {
    if (keys.systemCreationClassName.empty()) keys.systemCreationClassName = "CIM_ComputerSystem";
    if (keys.systemName.empty()) keys.systemName = systemName;
    if (keys.creationClassName.empty()) keys.creationClassName = className;
    if (keys.name.empty()) keys.name = generatedName;
}

std::string runIdentity(const std::string& systemName) {
    return systemName + ":" + std::to_string(::getpid()) + ":" + std::to_string(std::time(nullptr));
}

}  // namespace

SubscriptionService::SubscriptionService(const ServerSchema& schema, IndicationControl& control,
                                         SubscriptionSettings settings, LogFunction log)
    : schema_(schema), control_(control), settings_(std::move(settings)), log_(std::move(log)),
      file_(settings_.subscriptionsFile), runId_(runIdentity(settings_.systemName)) {
    providerActivations_ = settings_.serverRecordActive ? 1 : 0;
    SubscriptionState saved = file_.load();
    {
        std::lock_guard lock(mutex_);
        state_ = std::move(saved);
        for (const auto& d : state_.destinations) queues_[identity(d.nameSpace, d.keys)] = openQueue(d);
        for (const auto& s : state_.subscriptions) startUnlocked(s);
    }
    if (log_ && !file_.path().empty())
        log_("subscriptions from " + file_.path() + ": " + std::to_string(state_.filters.size()) + " filter(s), " +
             std::to_string(state_.destinations.size()) + " destination(s), " +
             std::to_string(state_.subscriptions.size()) + " subscription(s)");
    runProviderCalls();
}

SubscriptionService::~SubscriptionService() { stop(); }

void SubscriptionService::stop() {
    std::map<std::string, std::shared_ptr<ListenerQueue>> queues;
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        queues.swap(queues_);
        active_.clear();
    }
    for (auto& [id, queue] : queues) queue->stop();
}

std::shared_ptr<ListenerQueue> SubscriptionService::openQueue(const DestinationRecord& destination) {
    return std::make_shared<ListenerQueue>(schema_, destination.keys.name, *parseListenerUrl(destination.destination),
                                           runId_ + ":" + destination.keys.name, settings_.delivery, log_);
}

std::vector<std::string> SubscriptionService::sourceNamespaces(const FilterRecord& filter) const {
    if (filter.sourceNamespaces.empty()) return schema_.namespaces();
    return filter.sourceNamespaces;
}

// ---- checks ----------------------------------------------------------------------------

void SubscriptionService::checkFilter(const FilterRecord& filter) const {
    const IndicationQuery query = IndicationQuery::parse(filter.query, filter.queryLanguage);
    const ClassDecl* from = schema_.find(query.fromClass());
    if (!from || !(from->isIndication || schema_.isA(from->name, "CIM_Indication")))
        throw CimError(kCimErrInvalidParameter,
                       "the query selects from " + query.fromClass() + ", which is not an indication class known here");
    for (const auto& nameSpace : filter.sourceNamespaces)
        if (!schema_.servedNamespace(nameSpace))
            throw CimError(kCimErrInvalidParameter, "the source namespace " + nameSpace + " is not served here");
}

const FilterRecord* SubscriptionService::findFilterUnlocked(const std::string& nameSpace,
                                                            const ElementKeys& keys) const {
    for (const auto& f : state_.filters)
        if (equalsIgnoreCase(f.nameSpace, nameSpace) && keysMatch(f.keys, keys)) return &f;
    return nullptr;
}

const DestinationRecord* SubscriptionService::findDestinationUnlocked(const std::string& nameSpace,
                                                                      const ElementKeys& keys) const {
    for (const auto& d : state_.destinations)
        if (equalsIgnoreCase(d.nameSpace, nameSpace) && keysMatch(d.keys, keys)) return &d;
    return nullptr;
}

void SubscriptionService::saveUnlocked(const SubscriptionState& candidate) {
    try {
        file_.save(candidate);
    } catch (const std::exception& error) {
        if (log_) log_(error.what());
        throw CimError(kCimErrFailed, std::string("the change cannot be kept: ") + error.what());
    }
    state_ = candidate;
}

// ---- changes ---------------------------------------------------------------------------

// Fills in the keys the client left out, refuses a second element with the
// same keys, and keeps the new one, on disk first.
template <class Record>
void SubscriptionService::addElementUnlocked(std::vector<Record> SubscriptionState::*list, Record& record,
                                             const char* className, const std::string& noun) {
    std::string generated = "orv-" + noun + "-" + std::to_string(++generatedNames_) + "-" +
                            std::to_string(std::time(nullptr));
    std::replace(generated.begin(), generated.end(), ' ', '-');
    fillKeys(record.keys, settings_.systemName, className, generated);
    for (const auto& existing : state_.*list)
        if (equalsIgnoreCase(existing.nameSpace, record.nameSpace) && sameElement(existing.keys, record.keys))
            throw CimError(kCimErrAlreadyExists, "the " + noun + " " + record.keys.name + " exists already");
    SubscriptionState candidate = state_;
    (candidate.*list).push_back(record);
    saveUnlocked(candidate);
}

FilterRecord SubscriptionService::createFilter(FilterRecord filter) {
    checkFilter(filter);
    {
        std::lock_guard lock(mutex_);
        addElementUnlocked(&SubscriptionState::filters, filter, "CIM_IndicationFilter", "filter");
    }
    if (log_) log_("filter " + filter.keys.name + " created: " + filter.query);
    return filter;
}

DestinationRecord SubscriptionService::createDestination(DestinationRecord destination) {
    if (!parseListenerUrl(destination.destination))
        throw CimError(kCimErrInvalidParameter,
                       "the Destination '" + destination.destination + "' is not an http:// or https:// URL");
    if (destination.persistenceType < 1 || destination.persistenceType > 3)
        throw CimError(kCimErrInvalidParameter,
                       "PersistenceType " + std::to_string(destination.persistenceType) + " is not 1, 2 or 3");
    {
        std::lock_guard lock(mutex_);
        addElementUnlocked(&SubscriptionState::destinations, destination, "CIM_ListenerDestinationCIMXML",
                           "listener destination");
        if (!stopped_) queues_[identity(destination.nameSpace, destination.keys)] = openQueue(destination);
    }
    if (log_) log_("listener destination " + destination.keys.name + " created: " + destination.destination);
    return destination;
}

namespace {

void checkSubscriptionState(std::uint16_t state) {
    if (state != 2 && state != 4)
        throw CimError(kCimErrNotSupported, "SubscriptionState " + std::to_string(state) +
                                                " is not supported; use 2 (Enabled) or 4 (Disabled)");
}

}  // namespace

SubscriptionRecord SubscriptionService::createSubscription(SubscriptionRecord subscription) {
    checkSubscriptionState(subscription.subscriptionState);
    {
        std::lock_guard lock(mutex_);
        const FilterRecord* filter = findFilterUnlocked(subscription.filterNamespace, subscription.filter);
        if (!filter)
            throw CimError(kCimErrInvalidParameter, "the filter " + subscription.filter.name + " does not exist in " +
                                                        subscription.filterNamespace);
        const DestinationRecord* handler = findDestinationUnlocked(subscription.handlerNamespace, subscription.handler);
        if (!handler)
            throw CimError(kCimErrInvalidParameter, "the listener destination " + subscription.handler.name +
                                                        " does not exist in " + subscription.handlerNamespace);
        subscription.filterNamespace = filter->nameSpace;
        subscription.filter = filter->keys;
        subscription.handlerNamespace = handler->nameSpace;
        subscription.handler = handler->keys;
        if (subscription.startTime.empty()) subscription.startTime = cmpiserver::datetime::now();
        for (const auto& s : state_.subscriptions)
            if (identity(s) == identity(subscription))
                throw CimError(kCimErrAlreadyExists, "a subscription of " + handler->keys.name + " to " +
                                                         filter->keys.name + " exists already");
        SubscriptionState candidate = state_;
        candidate.subscriptions.push_back(subscription);
        saveUnlocked(candidate);
        startUnlocked(subscription);
    }
    if (log_)
        log_("subscription created: filter " + subscription.filter.name + " to destination " +
             subscription.handler.name);
    runProviderCalls();
    return subscription;
}

void SubscriptionService::deleteFilter(const std::string& nameSpace, const ElementKeys& keys) {
    {
        std::lock_guard lock(mutex_);
        const FilterRecord* filter = findFilterUnlocked(nameSpace, keys);
        if (!filter) throw CimError(kCimErrNotFound, "no filter " + keys.name + " in " + nameSpace);
        for (const auto& s : state_.subscriptions)
            if (equalsIgnoreCase(s.filterNamespace, filter->nameSpace) && sameElement(s.filter, filter->keys))
                throw CimError(kCimErrFailed, "the filter " + filter->keys.name +
                                                  " is used by a subscription; delete the subscription first");
        SubscriptionState candidate = state_;
        candidate.filters.erase(candidate.filters.begin() + (filter - state_.filters.data()));
        saveUnlocked(candidate);
    }
    if (log_) log_("filter " + keys.name + " deleted");
}

void SubscriptionService::deleteDestination(const std::string& nameSpace, const ElementKeys& keys) {
    std::shared_ptr<ListenerQueue> queue;
    {
        std::lock_guard lock(mutex_);
        const DestinationRecord* handler = findDestinationUnlocked(nameSpace, keys);
        if (!handler) throw CimError(kCimErrNotFound, "no listener destination " + keys.name + " in " + nameSpace);
        for (const auto& s : state_.subscriptions)
            if (equalsIgnoreCase(s.handlerNamespace, handler->nameSpace) && sameElement(s.handler, handler->keys))
                throw CimError(kCimErrFailed, "the listener destination " + handler->keys.name +
                                                  " is used by a subscription; delete the subscription first");
        const std::string id = identity(handler->nameSpace, handler->keys);
        SubscriptionState candidate = state_;
        candidate.destinations.erase(candidate.destinations.begin() + (handler - state_.destinations.data()));
        saveUnlocked(candidate);
        if (auto it = queues_.find(id); it != queues_.end()) {
            queue = it->second;
            queues_.erase(it);
        }
    }
    if (queue) queue->stop();
    if (log_) log_("listener destination " + keys.name + " deleted");
}

std::vector<SubscriptionRecord>::const_iterator
SubscriptionService::findSubscriptionUnlocked(const SubscriptionRecord& which) const {
    auto found = std::find_if(state_.subscriptions.begin(), state_.subscriptions.end(), [&](const auto& s) {
        return equalsIgnoreCase(s.filterNamespace, which.filterNamespace) && keysMatch(s.filter, which.filter) &&
               equalsIgnoreCase(s.handlerNamespace, which.handlerNamespace) && keysMatch(s.handler, which.handler);
    });
    if (found == state_.subscriptions.end())
        throw CimError(kCimErrNotFound, "no subscription of " + which.handler.name + " to " + which.filter.name);
    return found;
}

void SubscriptionService::deleteSubscription(const SubscriptionRecord& which) {
    {
        std::lock_guard lock(mutex_);
        const auto found = findSubscriptionUnlocked(which);
        const SubscriptionRecord ended = *found;
        SubscriptionState candidate = state_;
        candidate.subscriptions.erase(candidate.subscriptions.begin() + (found - state_.subscriptions.begin()));
        saveUnlocked(candidate);
        endUnlocked(ended);
    }
    if (log_) log_("subscription deleted: filter " + which.filter.name + " to destination " + which.handler.name);
    runProviderCalls();
}

void SubscriptionService::setSubscriptionState(const SubscriptionRecord& which, std::uint16_t state) {
    checkSubscriptionState(state);
    {
        std::lock_guard lock(mutex_);
        const auto found = findSubscriptionUnlocked(which);
        if (found->subscriptionState == state) return;
        SubscriptionRecord changed = *found;
        changed.subscriptionState = state;
        SubscriptionState candidate = state_;
        candidate.subscriptions[found - state_.subscriptions.begin()] = changed;
        saveUnlocked(candidate);
        if (state == 2)
            startUnlocked(changed);
        else
            endUnlocked(changed);
    }
    if (log_)
        log_(std::string("subscription ") + (state == 2 ? "enabled" : "disabled") + ": filter " + which.filter.name +
             " to destination " + which.handler.name);
    runProviderCalls();
}

SubscriptionState SubscriptionService::snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

// ---- the provider ----------------------------------------------------------------------

// The provider hears of a filter once, when its first subscription starts,
// in each source namespace where it raises indications the filter can
// select; it is enabled with its first activation and disabled after its
// last, as CMPI servers do.
void SubscriptionService::startUnlocked(const SubscriptionRecord& subscription) {
    if (stopped_ || subscription.subscriptionState != 2) return;
    const FilterRecord* filter = findFilterUnlocked(subscription.filterNamespace, subscription.filter);
    const DestinationRecord* handler = findDestinationUnlocked(subscription.handlerNamespace, subscription.handler);
    if (!filter || !handler) return;
    std::shared_ptr<const Activation> activation;
    try {
        auto made = std::make_shared<Activation>(
            Activation{IndicationQuery::parse(filter->query, filter->queryLanguage), {}, filter->keys.name,
                       queues_[identity(handler->nameSpace, handler->keys)]});
        for (const auto& ns : filter->sourceNamespaces) made->namespaces.push_back(toLower(ns));
        activation = made;
    } catch (const std::exception& error) {
        if (log_) log_("the filter " + filter->keys.name + " cannot be used: " + error.what());
        return;
    }
    active_[identity(subscription)] = activation;
    if (++filterUse_[identity(filter->nameSpace, filter->keys)] != 1) return;
    const std::string& fromClass = activation->query.fromClass();
    for (const auto& ns : sourceNamespaces(*filter)) {
        const auto served = schema_.indicationClasses(ns);
        const bool raises = std::any_of(served.begin(), served.end(), [&](const std::string& c) {
            return schema_.isA(c, fromClass) || schema_.isA(fromClass, c);
        });
        if (!raises) continue;
        const bool first = ++classActivations_[toLower(ns) + "|" + toLower(fromClass)] == 1;
        pendingCalls_.push_back(
            ProviderCall{ProviderCall::Kind::Activate, ns, filter->query, filter->queryLanguage, fromClass, first});
        if (++providerActivations_ == 1)
            pendingCalls_.push_back(ProviderCall{ProviderCall::Kind::Enable, ns, {}, {}, {}, false});
    }
}

void SubscriptionService::endUnlocked(const SubscriptionRecord& subscription) {
    if (active_.erase(identity(subscription)) == 0) return;
    const FilterRecord* filter = findFilterUnlocked(subscription.filterNamespace, subscription.filter);
    if (!filter || --filterUse_[identity(filter->nameSpace, filter->keys)] != 0) return;
    std::string fromClass;
    try {
        fromClass = IndicationQuery::parse(filter->query, filter->queryLanguage).fromClass();
    } catch (const std::exception&) {
        return;
    }
    for (const auto& ns : sourceNamespaces(*filter)) {
        auto count = classActivations_.find(toLower(ns) + "|" + toLower(fromClass));
        if (count == classActivations_.end() || count->second == 0) continue;
        const bool last = --count->second == 0;
        pendingCalls_.push_back(
            ProviderCall{ProviderCall::Kind::Deactivate, ns, filter->query, filter->queryLanguage, fromClass, last});
        if (--providerActivations_ == 0)
            pendingCalls_.push_back(ProviderCall{ProviderCall::Kind::Disable, ns, {}, {}, {}, false});
    }
}

// The provider is called without the service's lock (it may be delivering
// an indication into deliver() at that moment), yet in the order the
// changes were made: whichever request thread finds calls waiting runs
// them all, one after the other.
void SubscriptionService::runProviderCalls() {
    std::unique_lock lock(mutex_);
    if (runningCalls_) return;
    runningCalls_ = true;
    while (!pendingCalls_.empty()) {
        ProviderCall call = std::move(pendingCalls_.front());
        pendingCalls_.pop_front();
        lock.unlock();
        switch (call.kind) {
        case ProviderCall::Kind::Activate:
            control_.activateFilter(call.nameSpace, call.query, call.language, call.className, call.flag);
            break;
        case ProviderCall::Kind::Deactivate:
            control_.deActivateFilter(call.nameSpace, call.query, call.language, call.className, call.flag);
            break;
        case ProviderCall::Kind::Enable: control_.enableIndications(call.nameSpace); break;
        case ProviderCall::Kind::Disable: control_.disableIndications(call.nameSpace); break;
        }
        lock.lock();
    }
    runningCalls_ = false;
}

// ---- delivery --------------------------------------------------------------------------

void SubscriptionService::deliver(const std::string& nameSpace, const Instance& indication) {
    std::vector<std::shared_ptr<const Activation>> active;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, activation] : active_) active.push_back(activation);
    }
    const std::string ns = toLower(nameSpace);
    const ClassIsA isA = [this](std::string_view c, std::string_view ancestor) { return schema_.isA(c, ancestor); };
    for (const auto& a : active) {
        if (!a->namespaces.empty() && std::find(a->namespaces.begin(), a->namespaces.end(), ns) == a->namespaces.end())
            continue;
        if (!a->queue || !a->query.matches(indication, isA)) continue;
        Instance copy = indication;
        cmpiserver::setNamed(copy.properties, "IndicationFilterName", cmpiserver::Value::string(a->filterName));
        a->queue->push(std::move(copy));
    }
}

}  // namespace orv::cimxml
