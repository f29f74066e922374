// Subscriptions as clients make them, without sockets: the CIM-XML answers
// (checked against DMTF's DTD), what the provider is told, the refusals of
// bad input, and the file that keeps them across restarts.
#include "CimError.h"
#include "DtdValidation.h"
#include "FixtureSchema.h"
#include "SubscriptionOperations.h"
#include "TestInstallation.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

namespace orv::cimxml::test {
namespace {

const std::string kInterop = "root/interop";

struct RecordingProvider : IndicationControl {
    std::vector<std::string> calls;
    void activateFilter(const std::string& ns, const std::string&, const std::string&, const std::string& cls,
                        bool first) override {
        calls.push_back("activateFilter " + cls + " in " + ns + (first ? " first" : ""));
    }
    void deActivateFilter(const std::string& ns, const std::string&, const std::string&, const std::string& cls,
                          bool last) override {
        calls.push_back("deActivateFilter " + cls + " in " + ns + (last ? " last" : ""));
    }
    void enableIndications(const std::string&) override { calls.push_back("enableIndications"); }
    void disableIndications(const std::string&) override { calls.push_back("disableIndications"); }
};

std::string prop(const std::string& name, const std::string& value, const char* type = "string") {
    return "<PROPERTY NAME=\"" + name + "\" TYPE=\"" + type + "\"><VALUE>" + value + "</VALUE></PROPERTY>";
}

std::string reference(const std::string& name, const std::string& className, const std::string& keyName) {
    return "<PROPERTY.REFERENCE NAME=\"" + name + "\"><VALUE.REFERENCE><INSTANCENAME CLASSNAME=\"" + className +
           "\">" + stringKey("Name", keyName) + "</INSTANCENAME></VALUE.REFERENCE></PROPERTY.REFERENCE>";
}

std::string newInstance(const std::string& className, const std::string& properties) {
    return "<IPARAMVALUE NAME=\"NewInstance\"><INSTANCE CLASSNAME=\"" + className + "\">" + properties +
           "</INSTANCE></IPARAMVALUE>";
}

std::string filter(const std::string& name, const std::string& query, const std::string& more = {}) {
    return newInstance("CIM_IndicationFilter", prop("Name", name) + prop("Query", query) +
                                                   prop("QueryLanguage", "WQL") + more);
}

std::string destination(const std::string& name, const std::string& url) {
    return newInstance("CIM_ListenerDestinationCIMXML", prop("Name", name) + prop("Destination", url));
}

std::string subscription(const std::string& filterName, const std::string& destinationName) {
    return newInstance("CIM_IndicationSubscription",
                       reference("Filter", "CIM_IndicationFilter", filterName) +
                           reference("Handler", "CIM_ListenerDestinationCIMXML", destinationName));
}

const std::string kSubscriptionKeys =
    "<KEYBINDING NAME=\"Filter\"><VALUE.REFERENCE><INSTANCENAME CLASSNAME=\"CIM_IndicationFilter\">" +
    stringKey("Name", "alerts") + "</INSTANCENAME></VALUE.REFERENCE></KEYBINDING>" +
    "<KEYBINDING NAME=\"Handler\"><VALUE.REFERENCE><INSTANCENAME CLASSNAME=\"CIM_ListenerDestinationCIMXML\">" +
    stringKey("Name", "me") + "</INSTANCENAME></VALUE.REFERENCE></KEYBINDING>";

// ModifyInstance of the subscription of "me" to "alerts".
std::string modifiedSubscription(const std::string& properties) {
    return "<IPARAMVALUE NAME=\"ModifiedInstance\"><VALUE.NAMEDINSTANCE><INSTANCENAME "
           "CLASSNAME=\"CIM_IndicationSubscription\">" + kSubscriptionKeys +
           "</INSTANCENAME><INSTANCE CLASSNAME=\"CIM_IndicationSubscription\">" + properties +
           "</INSTANCE></VALUE.NAMEDINSTANCE></IPARAMVALUE>";
}

const auto fileText = orv::test::TestInstallation::readFile;

class SubscriptionTest : public ::testing::Test {
protected:
    SubscriptionTest() : schema_(fixtureSchema()) {
        addSubscriptionClasses(schema_);
        file_ = "/tmp/orv-subscriptions-test-" + std::to_string(getpid()) + ".json";
        std::remove(file_.c_str());
        start();
    }
    ~SubscriptionTest() override {
        operations_.reset();
        service_.reset();
        std::remove(file_.c_str());
        std::remove((file_ + ".new").c_str());
    }

    void start() {
        operations_.reset();
        service_.reset();
        provider_.calls.clear();
        SubscriptionSettings settings;
        settings.subscriptionsFile = file_;
        settings.delivery.retryAttempts = 0;
        service_ = std::make_unique<SubscriptionService>(schema_, provider_, settings);
        operations_ = std::make_unique<SubscriptionOperations>(schema_, *service_, "localhost");
    }

    // Every answer must be valid CIM-XML.
    Response call(const std::string& method, const std::string& params, const std::string& ns = kInterop) {
        const std::string body = operations_->answer(parseRequest(intrinsicBody(method, ns, params)), ns);
        expectValidCimXml(body);
        return Response(body);
    }

    // Instance names in the answer, not those inside references.
    std::size_t count(const char* className, const std::string& ns = kInterop) {
        const Response names = call("EnumerateInstanceNames", classNameParam("ClassName", className), ns);
        std::size_t n = 0;
        for (const auto* e : names.all("INSTANCENAME"))
            n += std::string(e->Parent()->ToElement()->Name()) == "IRETURNVALUE";
        return n;
    }

    ServerSchema schema_;
    RecordingProvider provider_;
    std::string file_;
    std::unique_ptr<SubscriptionService> service_;
    std::unique_ptr<SubscriptionOperations> operations_;
};

TEST_F(SubscriptionTest, SubscriptionsTellTheProviderAsACimServerDoesAndOutliveRestarts) {
    const std::vector<std::string> started{"activateFilter CIM_AlertIndication in root/orv/Ambrix/smi_14 first",
                                           "enableIndications"};
    const std::vector<std::string> ended{"deActivateFilter CIM_AlertIndication in root/orv/Ambrix/smi_14 last",
                                         "disableIndications"};
    EXPECT_EQ(call("CreateInstance", filter("alerts", "SELECT * FROM CIM_AlertIndication WHERE PerceivedSeverity &gt; 4",
                                            prop("SourceNamespace", "root/orv/Ambrix/smi_14")))
                  .errorCode(),
              0);
    EXPECT_EQ(call("CreateInstance", destination("me", "http://localhost:5990/")).errorCode(), 0);
    EXPECT_TRUE(provider_.calls.empty());
    const Response created = call("CreateInstance", subscription("alerts", "me"));
    ASSERT_EQ(created.errorCode(), 0) << created.errorDescription();
    EXPECT_EQ(created.all("KEYBINDING").size(), 10u);  // Filter and Handler, four keys each
    EXPECT_EQ(provider_.calls, started);

    // What the server filled in comes back with the instances.
    const Response filters = call("EnumerateInstances", classNameParam("ClassName", "CIM_IndicationFilter"));
    EXPECT_EQ(filters.property("SystemCreationClassName"), "CIM_ComputerSystem");
    EXPECT_EQ(filters.property("CreationClassName"), "CIM_IndicationFilter");
    EXPECT_EQ(filters.property("SourceNamespaces"), "root/orv/Ambrix/smi_14");
    EXPECT_EQ(call("EnumerateInstances", classNameParam("ClassName", "CIM_ListenerDestination")).property("Destination"),
              "http://localhost:5990/");
    EXPECT_EQ(call("GetInstance", instanceNameParam("InstanceName", "CIM_IndicationFilter", stringKey("Name", "alerts")))
                  .property("Query"),
              "SELECT * FROM CIM_AlertIndication WHERE PerceivedSeverity > 4");
    EXPECT_EQ(call("EnumerateInstances", classNameParam("ClassName", "CIM_IndicationSubscription")).property("SubscriptionState"), "2");
    EXPECT_EQ(count("CIM_IndicationSubscription"), 1u);
    // Another interop namespace holds its own subscriptions.
    EXPECT_EQ(count("CIM_IndicationFilter", "root/PG_InterOp"), 0u);

    // Disabling a subscription ends its use of the filter as deleting it
    // does; enabling it starts it again. Echoed properties pass unchanged.
    provider_.calls.clear();
    EXPECT_EQ(call("ModifyInstance", modifiedSubscription(prop("SubscriptionState", "4", "uint16") +
                                                          prop("OnFatalErrorPolicy", "2", "uint16")))
                  .errorCode(), 0);
    EXPECT_EQ(provider_.calls, ended);
    EXPECT_EQ(call("GetInstance", instanceNameParam("InstanceName", "CIM_IndicationSubscription", kSubscriptionKeys))
                  .property("SubscriptionState"), "4");
    start();  // the state is kept across a restart: nothing is activated
    EXPECT_TRUE(provider_.calls.empty());
    EXPECT_EQ(call("ModifyInstance", modifiedSubscription(prop("SubscriptionState", "2", "uint16"))).errorCode(), 0);
    EXPECT_EQ(provider_.calls, started);
    // A crash while the next change was being written leaves a partial
    // file beside the real one; the provider hears of the kept subscription
    // again.
    std::ofstream(file_ + ".new") << "{\"version\": 1, \"filters\": [{\"namespace\": \"root/int";
    start();
    EXPECT_EQ(count("CIM_IndicationFilter"), 1u);
    EXPECT_EQ(count("CIM_ListenerDestination"), 1u);
    EXPECT_EQ(count("CIM_IndicationSubscription"), 1u);
    EXPECT_EQ(provider_.calls, started);

    provider_.calls.clear();
    EXPECT_EQ(call("DeleteInstance", instanceNameParam("InstanceName", "CIM_IndicationSubscription", kSubscriptionKeys))
                  .errorCode(), 0);
    EXPECT_EQ(provider_.calls, ended);
    EXPECT_EQ(count("CIM_IndicationSubscription"), 0u);
    EXPECT_EQ(call("DeleteInstance", instanceNameParam("InstanceName", "CIM_IndicationFilter", stringKey("Name", "alerts")))
                  .errorCode(), 0);
    EXPECT_EQ(count("CIM_IndicationFilter"), 0u);

    // A file that cannot be read stops the start rather than being replaced.
    std::ofstream(file_) << "{\"version\": 1, \"filt";
    try {
        start();
        ADD_FAILURE() << "started from a damaged file";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("the subscriptions file " + file_ + " cannot be read"),
                  std::string::npos);
    }
    EXPECT_EQ(fileText(file_), "{\"version\": 1, \"filt");
}

TEST_F(SubscriptionTest, BadInputGetsAClearCimErrorAndChangesNothing) {
    ASSERT_EQ(call("CreateInstance", filter("alerts", "SELECT * FROM CIM_AlertIndication")).errorCode(), 0);
    ASSERT_EQ(call("CreateInstance", destination("me", "http://localhost:5990/")).errorCode(), 0);
    ASSERT_EQ(call("CreateInstance", subscription("alerts", "me")).errorCode(), 0);
    // A filter without source namespaces covers every namespace where the provider raises it.
    EXPECT_EQ(provider_.calls.at(0), "activateFilter CIM_AlertIndication in root/orv/Ambrix/smi_14 first");
    const std::string saved = fileText(file_);
    provider_.calls.clear();

    struct Row {
        const char* what;
        std::string method;
        std::string params;
        int code;
        const char* message;
    };
    // How each query is refused is the query tests' to check; one shows it
    // passes through a filter's creation.
    const Row rows[] = {
        {"malformed query", "CreateInstance", filter("f", "SELECT * FROM"), kCimErrInvalidParameter,
         "malformed query: expected a class name after FROM"},
        {"not an indication", "CreateInstance", filter("f", "SELECT * FROM FIX_Disk"), kCimErrInvalidParameter,
         "FIX_Disk, which is not an indication class"},
        {"namespace not served", "CreateInstance",
         filter("f", "SELECT * FROM CIM_AlertIndication", prop("SourceNamespace", "root/cimv2")),
         kCimErrInvalidParameter, "the source namespace root/cimv2 is not served here"},
        {"filter exists", "CreateInstance", filter("alerts", "SELECT * FROM CIM_AlertIndication"),
         kCimErrAlreadyExists, "the filter alerts exists already"},
        {"not http", "CreateInstance", destination("d", "ftp://localhost/"), kCimErrInvalidParameter,
         "the Destination 'ftp://localhost/' is not an http:// or https:// URL"},
        {"no such filter", "CreateInstance", subscription("nothing", "me"), kCimErrInvalidParameter,
         "the filter nothing does not exist in root/interop"},
        {"no such destination", "CreateInstance", subscription("alerts", "nobody"), kCimErrInvalidParameter,
         "the listener destination nobody does not exist"},
        {"filter in use", "DeleteInstance",
         instanceNameParam("InstanceName", "CIM_IndicationFilter", stringKey("Name", "alerts")), kCimErrFailed,
         "is used by a subscription"},
        {"modify a filter", "ModifyInstance",
         "<IPARAMVALUE NAME=\"ModifiedInstance\"><VALUE.NAMEDINSTANCE><INSTANCENAME CLASSNAME=\"CIM_IndicationFilter\">" +
             stringKey("Name", "alerts") + "</INSTANCENAME><INSTANCE CLASSNAME=\"CIM_IndicationFilter\">" +
             prop("Query", "SELECT * FROM CIM_Indication") + "</INSTANCE></VALUE.NAMEDINSTANCE></IPARAMVALUE>",
         kCimErrNotSupported, "cannot be modified; delete and create it again"},
        {"modify more than the state", "ModifyInstance",
         modifiedSubscription(prop("SubscriptionState", "4", "uint16") + prop("OnFatalErrorPolicy", "3", "uint16")),
         kCimErrNotSupported, "only SubscriptionState of a subscription can be modified, not OnFatalErrorPolicy"},
        {"state other than enabled or disabled", "ModifyInstance",
         modifiedSubscription(prop("SubscriptionState", "3", "uint16")), kCimErrNotSupported,
         "use 2 (Enabled) or 4 (Disabled)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const Response r = call(row.method, row.params);
        EXPECT_EQ(r.errorCode(), row.code);
        EXPECT_NE(r.errorDescription().find(row.message), std::string::npos) << r.errorDescription();
    }
    EXPECT_EQ(count("CIM_IndicationFilter"), 1u);
    EXPECT_EQ(count("CIM_ListenerDestination"), 1u);
    EXPECT_EQ(count("CIM_IndicationSubscription"), 1u);
    EXPECT_EQ(fileText(file_), saved);
    EXPECT_TRUE(provider_.calls.empty());
}

}  // namespace
}  // namespace orv::cimxml::test
