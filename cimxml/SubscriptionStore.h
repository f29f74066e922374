// The indication filters, listener destinations and subscriptions that
// clients created, and the file that keeps them across restarts. The file
// is replaced whole on every change (written beside it, flushed to disk,
// then renamed over it), so a crash in the middle of a write leaves the
// previous state readable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orv::cimxml {

// The four keys the filter and destination classes share.
struct ElementKeys {
    std::string systemCreationClassName;
    std::string systemName;
    std::string creationClassName;
    std::string name;
};

struct FilterRecord {
    std::string nameSpace;  // the interop namespace it was created in
    ElementKeys keys;
    std::string query;
    std::string queryLanguage;
    std::vector<std::string> sourceNamespaces;  // empty: every namespace served
    std::string elementName;
};

struct DestinationRecord {
    std::string nameSpace;
    ElementKeys keys;
    std::string destination;
    std::uint16_t persistenceType = 2;  // Permanent
    std::string elementName;
};

struct SubscriptionRecord {
    std::string nameSpace;
    // The filter and destination it joins, by namespace and keys.
    std::string filterNamespace;
    ElementKeys filter;
    std::string handlerNamespace;
    ElementKeys handler;
    std::uint16_t subscriptionState = 2;  // Enabled
    std::string startTime;                // CIM datetime of creation
};

struct SubscriptionState {
    std::vector<FilterRecord> filters;
    std::vector<DestinationRecord> destinations;
    std::vector<SubscriptionRecord> subscriptions;
};

class SubscriptionFile {
public:
    // An empty path keeps nothing: the state lives as long as the process.
    explicit SubscriptionFile(std::string path) : path_(std::move(path)) {}

    // The saved state, or an empty one when there is no file yet. Throws
    // std::runtime_error for a file that cannot be read as a saved state,
    // rather than starting empty and overwriting it on the next change.
    SubscriptionState load() const;
    // Throws std::runtime_error when the state cannot be written; the
    // previous file then stays as it was.
    void save(const SubscriptionState& state) const;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Two records name the same element when all four keys agree; class names
// compare without case, names exactly.
bool sameElement(const ElementKeys& a, const ElementKeys& b);

}  // namespace orv::cimxml
