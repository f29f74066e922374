// The server's side of indication subscriptions: the filters, listener
// destinations and subscriptions that clients create in the interop
// namespaces, kept in a file across restarts; telling the provider which
// filters are active (activateFilter and deActivateFilter per filter,
// enableIndications with the first active filter and disableIndications
// after the last, as a CMPI server does); and routing each indication the
// provider delivers to the queues of the destinations whose filters select it.
#pragma once

#include "IndicationQuery.h"
#include "ListenerQueue.h"
#include "ServerSchema.h"
#include "SubscriptionStore.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orv::cimxml {

using LogFunction = std::function<void(const std::string& line)>;

// What the provider is told. The real one calls the provider's indication
// functions; tests record the calls.
class IndicationControl {
public:
    virtual ~IndicationControl() = default;
    virtual void activateFilter(const std::string& nameSpace, const std::string& query,
                                const std::string& language, const std::string& className, bool first) = 0;
    virtual void deActivateFilter(const std::string& nameSpace, const std::string& query,
                                  const std::string& language, const std::string& className, bool last) = 0;
    virtual void enableIndications(const std::string& nameSpace) = 0;
    virtual void disableIndications(const std::string& nameSpace) = 0;
};

struct SubscriptionSettings {
    std::string systemName = "localhost";  // SystemName the server fills in
    std::string subscriptionsFile;         // empty: nothing kept across restarts
    DeliverySettings delivery;
    // The server already holds one activation of its own (its record of
    // delivered indications), so the provider is enabled without clients.
    bool serverRecordActive = false;
};

class SubscriptionService {
public:
    // Reads the subscriptions file and activates what it holds. Throws
    // std::runtime_error for an unreadable file.
    SubscriptionService(const ServerSchema& schema, IndicationControl& control, SubscriptionSettings settings,
                        LogFunction log = {});
    ~SubscriptionService();
    SubscriptionService(const SubscriptionService&) = delete;
    SubscriptionService& operator=(const SubscriptionService&) = delete;

    // Each throws CimError and changes nothing when refused. The record
    // comes back with the keys the server filled in.
    FilterRecord createFilter(FilterRecord filter);
    DestinationRecord createDestination(DestinationRecord destination);
    SubscriptionRecord createSubscription(SubscriptionRecord subscription);
    void deleteFilter(const std::string& nameSpace, const ElementKeys& keys);
    void deleteDestination(const std::string& nameSpace, const ElementKeys& keys);
    void deleteSubscription(const SubscriptionRecord& which);
    // Enables (2) or disables (4) a subscription: a disabled one delivers
    // nothing and no longer counts as a use of its filter by the provider.
    void setSubscriptionState(const SubscriptionRecord& which, std::uint16_t state);

    SubscriptionState snapshot() const;

    // Called for every indication the provider delivers, on its thread.
    void deliver(const std::string& nameSpace, const cmpiserver::Instance& indication);

    // Stops every destination's thread; later indications are ignored.
    void stop();

private:
    struct Activation;
    struct ProviderCall;

    void checkFilter(const FilterRecord& filter) const;
    // Filters, destinations and subscriptions by their keys; nullptr when absent.
    const FilterRecord* findFilterUnlocked(const std::string& nameSpace, const ElementKeys& keys) const;
    const DestinationRecord* findDestinationUnlocked(const std::string& nameSpace, const ElementKeys& keys) const;
    std::vector<SubscriptionRecord>::const_iterator findSubscriptionUnlocked(const SubscriptionRecord& which) const;
    void saveUnlocked(const SubscriptionState& candidate);
    template <class Record>
    void addElementUnlocked(std::vector<Record> SubscriptionState::*list, Record& record, const char* className,
                            const std::string& noun);
    std::shared_ptr<ListenerQueue> openQueue(const DestinationRecord& destination);
    // Activation bookkeeping for a subscription that starts or ends; the
    // provider calls are queued for runProviderCalls.
    void startUnlocked(const SubscriptionRecord& subscription);
    void endUnlocked(const SubscriptionRecord& subscription);
    void runProviderCalls();
    std::vector<std::string> sourceNamespaces(const FilterRecord& filter) const;

    const ServerSchema& schema_;
    IndicationControl& control_;
    const SubscriptionSettings settings_;
    LogFunction log_;
    SubscriptionFile file_;
    const std::string runId_;

    mutable std::mutex mutex_;
    SubscriptionState state_;
    std::map<std::string, std::shared_ptr<ListenerQueue>> queues_;       // by destination identity
    std::map<std::string, std::shared_ptr<const Activation>> active_;    // by subscription identity
    std::map<std::string, int> filterUse_;                               // active subscriptions per filter
    std::map<std::string, int> classActivations_;                        // per namespace and class
    int providerActivations_ = 0;
    std::deque<ProviderCall> pendingCalls_;
    bool runningCalls_ = false;
    bool stopped_ = false;
    int generatedNames_ = 0;
};

}  // namespace orv::cimxml
