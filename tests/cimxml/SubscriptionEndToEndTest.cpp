// Subscribing the standard way with the real wbemcli against the server
// program, indications arriving at the orv-listener program, and the
// subscription kept across a restart of the server.
#include "FixtureSchema.h"
#include "TestInstallation.h"
#include "TextSearch.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fcntl.h>
#include <thread>

namespace orv::cimxml::test {
namespace {

using orv::test::contains;
using orv::test::countOf;
const auto fileText = orv::test::TestInstallation::readFile;

// Waits up to a few seconds for a file to hold `n` times some text.
bool waitForText(const std::string& path, const std::string& part, std::size_t n = 1) {
    for (int i = 0; i < 100; ++i) {
        if (countOf(fileText(path), part) >= n) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// orv-listener in its own process, printing into a file.
class ListenerProcess {
public:
    ListenerProcess() : output_("/tmp/orv-listener-e2e-" + std::to_string(getpid()) + ".out") {
        errors_ = output_ + ".err";
        pid_ = fork();
        if (pid_ == 0) {
            const int out = open(output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = open(errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(out, STDOUT_FILENO);
            dup2(err, STDERR_FILENO);
            execl(ORV_LISTENER, ORV_LISTENER, "--port", "0", static_cast<char*>(nullptr));
            _exit(127);
        }
        if (!waitForText(errors_, "listening on")) throw std::runtime_error("orv-listener did not start");
        const std::string line = fileText(errors_);
        port_ = std::stoi(line.substr(line.rfind(':') + 1));
    }
    ~ListenerProcess() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        std::remove(output_.c_str());
        std::remove(errors_.c_str());
    }
    std::string url() const { return "http://localhost:" + std::to_string(port_) + "/"; }
    const std::string& output() const { return output_; }

private:
    std::string output_, errors_;
    int pid_ = -1;
    int port_ = 0;
};

TEST(SubscriptionEndToEnd, WbemcliSubscribesOrvListenerReceivesAndTheSubscriptionOutlivesARestart) {
    const std::string tag = std::to_string(getpid());
    const std::string trace = "/tmp/orv-subscription-e2e-trace-" + tag;
    const std::string kept = "/tmp/orv-subscription-e2e-" + tag + ".json";
    std::remove(trace.c_str());
    std::remove(kept.c_str());
    const std::vector<std::string> arguments{"--provider", FIXTURE_PROVIDER, "--subscriptions", kept,
                                             "--no-indications"};
    const std::vector<std::pair<std::string, std::string>> environment{{"ORV_FIXTURE_TRACE", trace}};
    ListenerProcess listener;
    auto server = std::make_unique<ServerProcess>(FIXTURE_SERVER, arguments, environment);

    auto wbemcli = [&](const std::string& op, const std::string& ns, const std::string& object,
                       const std::string& values = {}) {
        return runCommand("/usr/bin/wbemcli " + op + " '" + server->url(ns) + ":" + object + "'" +
                          (values.empty() ? "" : " '" + values + "'"));
    };
    // The three instances a client creates to subscribe a listener to alerts
    // from the storage namespace, with the commands the documentation gives.
    // wbemcli sends only the properties named after the path, so the keys are
    // repeated there; the references name the filter and the destination by
    // Name alone.
    const std::string system = "SystemCreationClassName=\"CIM_ComputerSystem\",SystemName=\"localhost\",";
    const std::string references =
        "Filter=CIM_IndicationFilter.Name=\"orv-alerts\",Handler=CIM_ListenerDestinationCIMXML.Name=\"orv-listener\"";
    const std::string subscriptionPath = "CIM_IndicationSubscription." + references;
    for (const auto& [path, values] : std::vector<std::pair<std::string, std::string>>{
             {"CIM_IndicationFilter." + system + "CreationClassName=\"CIM_IndicationFilter\",Name=\"orv-alerts\"",
              "Name=\"orv-alerts\",Query=\"SELECT * FROM CIM_AlertIndication\",QueryLanguage=\"DMTF:CQL\","
              "SourceNamespace=\"root/orv/Ambrix/smi_14\""},
             {"CIM_ListenerDestinationCIMXML." + system +
                  "CreationClassName=\"CIM_ListenerDestinationCIMXML\",Name=\"orv-listener\"",
              "Name=\"orv-listener\",Destination=\"" + listener.url() + "\",PersistenceType=2"},
             {subscriptionPath, references + ",SubscriptionState=2"}}) {
        const CommandResult created = wbemcli("ci", "root/interop", path, values);
        ASSERT_EQ(created.exitStatus, 0) << created.output;
    }
    EXPECT_TRUE(waitForText(trace, "enableIndications")) << fileText(trace);

    const std::string controller = "FIX_Controller.Name=\"ctl0\",Slot=0";
    CommandResult changed = wbemcli("mi", kStorageNs, controller, "ElementName=\"first\"");
    ASSERT_EQ(changed.exitStatus, 0) << changed.output;
    ASSERT_TRUE(waitForText(listener.output(), "CIM_AlertIndication - severity=- FIX_Controller changed: ElementName"))
        << fileText(listener.output()) << server->errorOutput();

    // Killed and started again, the server still delivers.
    server->stop(SIGKILL);
    server = std::make_unique<ServerProcess>(FIXTURE_SERVER, arguments, environment);
    changed = wbemcli("mi", kStorageNs, controller, "ElementName=\"second\"");
    ASSERT_EQ(changed.exitStatus, 0) << changed.output;
    EXPECT_TRUE(waitForText(listener.output(), "FIX_Controller changed", 2)) << server->errorOutput();

    // Unsubscribed, the provider hears so and nothing more arrives.
    CommandResult deleted = wbemcli("di", "root/interop", subscriptionPath);
    ASSERT_EQ(deleted.exitStatus, 0) << deleted.output;
    EXPECT_TRUE(contains(fileText(trace), "deActivateFilter CIM_AlertIndication last=1\ndisableIndications\n"))
        << fileText(trace);
    wbemcli("mi", kStorageNs, controller, "ElementName=\"third\"");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(countOf(fileText(listener.output()), "FIX_Controller changed"), 2u) << fileText(listener.output());

    server.reset();
    std::remove(trace.c_str());
    std::remove(kept.c_str());
}

}  // namespace
}  // namespace orv::cimxml::test
