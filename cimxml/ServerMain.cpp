#include "ServerMain.h"

#include "Broker.h"
#include "CimOperations.h"
#include "CimXmlService.h"
#include "HttpServer.h"
#include "PamPasswordCheck.h"
#include "ProviderIndicationControl.h"
#include "ProviderModule.h"
#include "SubscriptionOperations.h"
#include "SubscriptionService.h"
#include "TlsContext.h"

#include <CLI/CLI.hpp>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <mutex>
#include <thread>

namespace orv::cimxml {

namespace {

struct Settings {
    std::string provider;
    std::string providerName;
    std::string schema;
    std::string address = "127.0.0.1";
    int port = 5988;
    std::size_t threads = 8;
    std::size_t maxConnections = kDefaultMaxConnections;
    std::string usersFile;
    std::string auth = "none";
    std::string pamService = kDefaultPamService;
    std::size_t maxRequestBytes = kDefaultMaxRequestBytes;
    std::string hostName = "localhost";
    bool subscribe = true;
    std::size_t keepIndications = 100;
    std::string subscriptionsFile;
    unsigned retryAttempts = 3;
    double retryIntervalSeconds = 20;
    std::size_t deliveryQueue = 1000;
    bool verbose = false;
    // Listeners and limits.
    int httpsPort = -1;
    bool http = true;
    std::string certificateFile;
    std::string keyFile;
    std::size_t maxHeaderBytes = kDefaultMaxHeaderBytes;
    double requestSeconds = 30;
    unsigned busyPollMicroseconds = 200;
};

// Where a self-signed pair is kept when the administrator names none.
std::string defaultTlsFolder() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/orv-cimserver";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/orv-cimserver";
}

// One line per event on standard error, whole lines even when threads race.
LogFunction stderrLog(const std::string& program) {
    auto mutex = std::make_shared<std::mutex>();
    return [mutex, program](const std::string& line) {
        const std::time_t now = std::time(nullptr);
        std::tm parts{};
        localtime_r(&now, &parts);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%H:%M:%S", &parts);
        std::lock_guard lock(*mutex);
        std::cerr << stamp << " " << program << ": " << line << std::endl;
    };
}

// True when every address the name stands for is a loopback one: only
// this machine's own processes can then connect.
bool loopbackOnly(const std::string& address) {
    addrinfo hints{};
    hints.ai_flags = AI_PASSIVE;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(address.c_str(), nullptr, &hints, &found) != 0) return false;
    bool loopback = found != nullptr;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
            loopback = loopback && (ntohl(in->sin_addr.s_addr) >> 24) == 127;
        } else if (entry->ai_family == AF_INET6) {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(entry->ai_addr);
            loopback = loopback && IN6_IS_ADDR_LOOPBACK(&in6->sin6_addr);
        } else {
            loopback = false;
        }
    }
    freeaddrinfo(found);
    return loopback;
}

// Debian answers a PAM service without a file of its own with "other",
// which refuses everybody: say so at start rather than after the first 401.
void warnWithoutPamFile(const std::string& service, const LogFunction& log) {
    struct stat info {};
    if (stat("/etc/pam.d", &info) == 0 && stat(("/etc/pam.d/" + service).c_str(), &info) != 0)
        log("no /etc/pam.d/" + service + ": PAM falls back to its \"other\" service, which may refuse everybody");
}

// Waits for SIGINT or SIGTERM (blocked in every thread, so only this one
// takes them) and stops the server; ends by itself when told to.
class SignalWatcher {
public:
    explicit SignalWatcher(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    }
    void start() {
        thread_ = std::thread([this] {
            const timespec pause{0, 200 * 1000 * 1000};
            while (!finished_) {
                const int signal = sigtimedwait(&signals_, nullptr, &pause);
                if (signal == SIGINT || signal == SIGTERM) {
                    onSignal_(signal);
                    return;
                }
            }
        });
    }
    ~SignalWatcher() { finish(); }
    // Waits for a signal being handled, so that what it stops outlives it.
    void finish() {
        finished_ = true;
        if (thread_.joinable()) thread_.join();
    }

private:
    sigset_t signals_{};
    std::function<void(int)> onSignal_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace

int runServer(int argc, char** argv, const SchemaLoader& loadSchema, const ProgramDefaults& defaults) {
    Settings settings;
    settings.providerName = defaults.providerName;
    settings.schema = defaults.schemaLocation;

    CLI::App app{"A small CIM-XML server that hosts one CMPI provider library.", defaults.programName};
    app.add_option("--provider", settings.provider, "provider library to load (path of the .so)")->required();
    app.add_option("--provider-name", settings.providerName,
                   "prefix of the provider's factories (<name>_Create_InstanceMI ...)")
        ->capture_default_str();
    app.add_option("--schema", settings.schema, "schema folder (MOF files and the registration)")
        ->capture_default_str();
    app.add_option("--address", settings.address, "address to listen on")->capture_default_str();
    app.add_option("--port", settings.port, "port to listen on; 0 picks a free port")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    app.add_option("--threads", settings.threads, "requests served at the same time")
        ->check(CLI::Range(1, 256))
        ->capture_default_str();
    app.add_option("--max-connections", settings.maxConnections,
                   "connections open at the same time, idle ones included; one more is answered 503")
        ->check(CLI::Range(std::size_t{1}, std::size_t{1000}))
        ->capture_default_str();
    app.add_option("--users", settings.usersFile,
                   "file of user:password lines; turns on HTTP Basic authentication");
    app.add_option("--auth", settings.auth,
                   "pam: also accept the system's users through PAM, besides the --users file")
        ->check(CLI::IsMember({"none", "pam"}))
        ->capture_default_str();
    app.add_option("--pam-service", settings.pamService, "PAM service name for --auth pam (/etc/pam.d/NAME)")
        ->capture_default_str();
    app.add_option("--max-request-bytes", settings.maxRequestBytes, "largest request body accepted")
        ->check(CLI::Range(std::size_t{1024}, std::size_t{1} << 30))
        ->capture_default_str();
    app.add_option("--host-name", settings.hostName, "host name written into instance paths")
        ->capture_default_str();
    app.add_option("--keep-indications", settings.keepIndications,
                   "how many delivered indications GET /indications shows")
        ->capture_default_str();
    app.add_flag("--no-indications", [&settings](std::int64_t) { settings.subscribe = false; },
                 "do not subscribe to the provider's indications at start");
    app.add_option("--subscriptions", settings.subscriptionsFile,
                   "file that keeps the clients' indication subscriptions across restarts");
    app.add_option("--delivery-retry-attempts", settings.retryAttempts,
                   "times a listener is retried before an indication is dropped")
        ->check(CLI::Range(0u, 100u))
        ->capture_default_str();
    app.add_option("--delivery-retry-interval", settings.retryIntervalSeconds,
                   "seconds before the first retry; each further retry waits twice as long")
        ->check(CLI::Range(0.01, 3600.0))
        ->capture_default_str();
    app.add_option("--delivery-queue", settings.deliveryQueue,
                   "indications waiting per listener before the oldest are dropped")
        ->check(CLI::Range(std::size_t{1}, std::size_t{1} << 24))
        ->capture_default_str();
    app.add_flag("-v,--verbose", settings.verbose, "log every request");
    app.add_option("--https-port", settings.httpsPort,
                   "also serve HTTPS on this port (CIM-XML's usual is 5989); 0 picks a free port")
        ->check(CLI::Range(0, 65535));
    app.add_flag("--no-http", [&settings](std::int64_t) { settings.http = false; },
                 "serve HTTPS only (needs --https-port)");
    app.add_option("--certificate", settings.certificateFile,
                   "certificate (PEM, chain allowed) for HTTPS; with --private-key. Without both, a self-signed pair "
                   "is made at first start and kept in " + defaultTlsFolder());
    app.add_option("--private-key", settings.keyFile, "private key (PEM) of --certificate");
    app.add_option("--max-header-bytes", settings.maxHeaderBytes,
                   "largest request line and headers accepted; more is answered 431")
        ->check(CLI::Range(std::size_t{1024}, std::size_t{1} << 20))
        ->capture_default_str();
    app.add_option("--request-timeout", settings.requestSeconds,
                   "seconds for a request to arrive and again for its answer to leave; 408 after")
        ->check(CLI::Range(0.1, 3600.0))
        ->capture_default_str();
    app.add_option("--busy-poll-us", settings.busyPollMicroseconds,
                   "microseconds a connection looks for its next request before its thread sleeps, "
                   "while a core is free; 0 sleeps at once")
        ->check(CLI::Range(0u, 100000u))
        ->capture_default_str();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }
    if (!settings.http && settings.httpsPort < 0) {
        std::cerr << "--no-http needs --https-port" << std::endl;
        return 2;
    }
    if (settings.certificateFile.empty() != settings.keyFile.empty()) {
        std::cerr << "--certificate and --private-key go together" << std::endl;
        return 2;
    }

    const LogFunction log = stderrLog(defaults.programName);
    const bool authenticating = !settings.usersFile.empty() || settings.auth == "pam";
    if (!authenticating && !loopbackOnly(settings.address)) {
        std::cerr << defaults.programName << ": refusing to listen on " << settings.address
                  << " without authentication: anyone who can reach it could change the RAID configuration; "
                     "give --users FILE or --auth pam, or listen on a loopback address"
                  << std::endl;
        return 2;
    }
    // Signals are blocked before any thread exists so that every thread
    // inherits the mask and only the watcher receives them.
    std::atomic<HttpServer*> running{nullptr};
    std::atomic<bool> signalled{false};
    SignalWatcher watcher([&](int signal) {
        log(std::string("stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
        signalled = true;
        if (HttpServer* server = running.load()) server->stop();
    });

    try {
        ServerSchema schema = loadSchema(settings.schema);
        addSubscriptionClasses(schema);
        UserTable users = settings.usersFile.empty() ? UserTable{} : UserTable::fromFile(settings.usersFile);

        cmpiserver::Broker broker;
        for (const ClassDecl* decl : schema.classes()) broker.classHierarchy().addClass(decl->name, decl->superClass);
        IndicationLog indications(schema, settings.keepIndications, log);
        // The provider may deliver from its own threads as soon as it is
        // loaded; subscriptions take indications once they are in place.
        std::atomic<SubscriptionService*> subscriptions{nullptr};
        const bool keepRecord = settings.subscribe;
        broker.setIndicationSink([&indications, &subscriptions, keepRecord](const std::string& nameSpace,
                                                                            const cmpiserver::Instance& indication) {
            if (keepRecord) indications.record(nameSpace, indication);
            if (SubscriptionService* service = subscriptions.load()) service->deliver(nameSpace, indication);
        });

        ProviderModule provider(broker, settings.provider, settings.providerName);
        if (settings.subscribe && provider.hasIndicationMI()) {
            for (const auto& nameSpace : schema.namespaces()) {
                ProviderOutcome outcome = provider.subscribeIndications({nameSpace, ""}, "CIM_Indication");
                if (!outcome.ok())
                    log("no indications from " + nameSpace + ": CIM status " + std::to_string(outcome.rc) + " " +
                        outcome.message);
            }
        }

        ProviderIndicationControl control(provider, log);
        SubscriptionSettings subscriptionSettings;
        subscriptionSettings.systemName = settings.hostName;
        subscriptionSettings.subscriptionsFile = settings.subscriptionsFile;
        subscriptionSettings.delivery.retryAttempts = settings.retryAttempts;
        subscriptionSettings.delivery.retryInterval =
            std::chrono::milliseconds(static_cast<long>(settings.retryIntervalSeconds * 1000));
        subscriptionSettings.delivery.queueLimit = settings.deliveryQueue;
        subscriptionSettings.serverRecordActive = settings.subscribe && provider.hasIndicationMI();
        SubscriptionService subscriptionService(schema, control, subscriptionSettings, log);
        subscriptions = &subscriptionService;
        SubscriptionOperations subscriptionOperations(schema, subscriptionService, settings.hostName);

        CimOperations operations(schema, provider, settings.hostName, log);
        operations.setSubscriptions(&subscriptionOperations);
        CimXmlService service(operations, std::move(users), settings.maxRequestBytes, log);
        if (settings.auth == "pam") {
            warnWithoutPamFile(settings.pamService, log);
            service.setPasswordCheck(
                [check = PamPasswordCheck(settings.pamService)](const std::string& user, const std::string& password,
                                                                std::string& reason) {
                    return check.check(user, password, reason);
                });
            log("authenticating the system's users through the PAM service " + settings.pamService);
        }
        HttpLimits limits;
        limits.maxConnections = settings.maxConnections;
        limits.maxHeaderBytes = settings.maxHeaderBytes;
        limits.requestTime = std::chrono::milliseconds(static_cast<long>(settings.requestSeconds * 1000));
        limits.busyPoll = std::chrono::microseconds(settings.busyPollMicroseconds);
        HttpServer server(service, indications, settings.threads, limits, log, settings.verbose);
        std::unique_ptr<TlsContext> tls;
        if (settings.httpsPort >= 0) {
            if (settings.certificateFile.empty()) {
                settings.certificateFile = defaultTlsFolder() + "/server.pem";
                settings.keyFile = defaultTlsFolder() + "/server.key";
            }
            if (makeSelfSignedPairUnlessPresent(settings.certificateFile, settings.keyFile, settings.hostName))
                log("made a self-signed certificate " + settings.certificateFile + " and its key " + settings.keyFile);
            tls = std::make_unique<TlsContext>(settings.certificateFile, settings.keyFile);
        }
        // The plain port first: scripts and tests read the first line.
        if (settings.http) {
            const int port = server.bind(settings.address, settings.port);
            std::cout << defaults.programName << " listening on " << settings.address << ":" << port << std::endl;
        }
        if (tls) {
            const int port = server.bindTls(settings.address, settings.httpsPort, *tls);
            std::cout << defaults.programName << " listening on " << settings.address << ":" << port << " (HTTPS)"
                      << std::endl;
        }

        running = &server;
        watcher.start();
        if (!signalled) server.serve();
        running = nullptr;
        watcher.finish();

        subscriptions = nullptr;
        subscriptionService.stop();
        provider.cleanup();
        log("provider cleaned up, exiting");
        return 0;
    } catch (const std::exception& error) {
        log(error.what());
        return 1;
    }
}

}  // namespace orv::cimxml
