#include "SubscriptionStore.h"

#include "Value.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace orv::cimxml {

using nlohmann::json;

namespace {

constexpr int kFormatVersion = 1;

json keysJson(const ElementKeys& k) {
    return {{"SystemCreationClassName", k.systemCreationClassName},
            {"SystemName", k.systemName},
            {"CreationClassName", k.creationClassName},
            {"Name", k.name}};
}

ElementKeys keysFrom(const json& j) {
    return ElementKeys{j.at("SystemCreationClassName").get<std::string>(), j.at("SystemName").get<std::string>(),
                       j.at("CreationClassName").get<std::string>(), j.at("Name").get<std::string>()};
}

std::string systemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Writes the whole text and forces it to the disk before returning.
void writeDurably(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) throw std::runtime_error(systemError("cannot create", path));
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string message = systemError("cannot write", path);
            ::close(fd);
            throw std::runtime_error(message);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) {
        const std::string message = systemError("cannot flush", path);
        ::close(fd);
        throw std::runtime_error(message);
    }
    ::close(fd);
}

// The rename itself lives in the directory; flushing it makes the new name
// survive a power cut as well.
void syncDirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool sameElement(const ElementKeys& a, const ElementKeys& b) {
    using cmpiserver::equalsIgnoreCase;
    return a.name == b.name && a.systemName == b.systemName &&
           equalsIgnoreCase(a.creationClassName, b.creationClassName) &&
           equalsIgnoreCase(a.systemCreationClassName, b.systemCreationClassName);
}

SubscriptionState SubscriptionFile::load() const {
    SubscriptionState state;
    if (path_.empty()) return state;
    std::ifstream in(path_);
    if (!in) {
        if (errno == ENOENT) return state;
        throw std::runtime_error(systemError("cannot read", path_));
    }
    try {
        const json doc = json::parse(in);
        if (doc.at("version").get<int>() != kFormatVersion)
            throw std::runtime_error("unknown format version");
        for (const auto& f : doc.at("filters"))
            state.filters.push_back(FilterRecord{f.at("namespace"), keysFrom(f.at("keys")), f.at("Query"),
                                                 f.at("QueryLanguage"),
                                                 f.at("SourceNamespaces").get<std::vector<std::string>>(),
                                                 f.value("ElementName", "")});
        for (const auto& d : doc.at("destinations"))
            state.destinations.push_back(DestinationRecord{d.at("namespace"), keysFrom(d.at("keys")),
                                                           d.at("Destination"), d.at("PersistenceType"),
                                                           d.value("ElementName", "")});
        for (const auto& s : doc.at("subscriptions"))
            state.subscriptions.push_back(SubscriptionRecord{
                s.at("namespace"), s.at("filterNamespace"), keysFrom(s.at("filter")), s.at("handlerNamespace"),
                keysFrom(s.at("handler")), s.at("SubscriptionState"), s.value("SubscriptionStartTime", "")});
    } catch (const std::exception& error) {
        throw std::runtime_error("the subscriptions file " + path_ + " cannot be read: " + error.what());
    }
    return state;
}

void SubscriptionFile::save(const SubscriptionState& state) const {
    if (path_.empty()) return;
    json doc{{"version", kFormatVersion},
             {"filters", json::array()},
             {"destinations", json::array()},
             {"subscriptions", json::array()}};
    for (const auto& f : state.filters)
        doc["filters"].push_back({{"namespace", f.nameSpace},
                                  {"keys", keysJson(f.keys)},
                                  {"Query", f.query},
                                  {"QueryLanguage", f.queryLanguage},
                                  {"SourceNamespaces", f.sourceNamespaces},
                                  {"ElementName", f.elementName}});
    for (const auto& d : state.destinations)
        doc["destinations"].push_back({{"namespace", d.nameSpace},
                                       {"keys", keysJson(d.keys)},
                                       {"Destination", d.destination},
                                       {"PersistenceType", d.persistenceType},
                                       {"ElementName", d.elementName}});
    for (const auto& s : state.subscriptions)
        doc["subscriptions"].push_back({{"namespace", s.nameSpace},
                                        {"filterNamespace", s.filterNamespace},
                                        {"filter", keysJson(s.filter)},
                                        {"handlerNamespace", s.handlerNamespace},
                                        {"handler", keysJson(s.handler)},
                                        {"SubscriptionState", s.subscriptionState},
                                        {"SubscriptionStartTime", s.startTime}});
    const std::string temporary = path_ + ".new";
    writeDurably(temporary, doc.dump(2) + "\n");
    if (std::rename(temporary.c_str(), path_.c_str()) != 0)
        throw std::runtime_error(systemError("cannot replace", path_));
    syncDirectoryOf(path_);
}

}  // namespace orv::cimxml
