// Requests through the service to the fixture provider, without sockets:
// every operation's answer on the wire (checked against DMTF's DTD),
// routing by class and association, the errors of bad requests, and
// authentication.
#include "DtdValidation.h"
#include "FixtureSchema.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>

namespace orv::cimxml::test {
namespace {

const std::string kControllerKeys = stringKey("Name", "ctl0") + numericKey("Slot", "0");

class ServiceTest : public ::testing::Test {
protected:
    HttpAnswer post(const std::string& method, const std::string& ns, const std::string& params) {
        return service_.handle(exchange(method, ns, intrinsicBody(method, ns, params)));
    }
    static Response valid(const HttpAnswer& answer) {
        EXPECT_EQ(answer.status, 200) << answer.body;
        EXPECT_EQ(answer.header("CIMOperation").value_or(""), "MethodResponse");
        expectValidCimXml(answer.body);
        return Response(answer.body);
    }
    Response call(const std::string& method, const std::string& ns, const std::string& params) {
        return valid(post(method, ns, params));
    }
    Response invoke(const std::string& method, const std::string& keys, const std::string& params) {
        return valid(service_.handle(exchange(method, kStorageNs,
                                              extrinsicBody(method, kStorageNs, "FIX_Controller", keys, params), false,
                                              "FIX_Controller")));
    }

    CimXmlService service_ = FixtureStack::instance().service();
};

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

TEST_F(ServiceTest, EnumerationsTypeTheirValuesAndKeepToThePropertyList) {
    Response names = call("EnumerateInstanceNames", kStorageNs, classNameParam("ClassName", "FIX_Disk"));
    EXPECT_EQ(names.attributes("INSTANCENAME", "CLASSNAME").size(), 3u);
    EXPECT_EQ(sorted(names.attributes("KEYVALUE", "VALUETYPE")), (std::vector<std::string>{"string", "string", "string"}));

    Response instances = call("EnumerateInstances", kStorageNs, classNameParam("ClassName", "FIX_Disk"));
    ASSERT_EQ(instances.all("VALUE.NAMEDINSTANCE").size(), 3u);
    EXPECT_EQ(instances.property("DeviceID", 0), "d0");
    EXPECT_EQ(instances.property("CapacityBytes", 0), "1000000000");
    EXPECT_EQ(instances.property("TemperatureC", 1), "-5");
    EXPECT_EQ(instances.property("LastChecked", 0), "20240102030405.000000+000");

    // Types on the wire come from the values and the class.
    auto types = instances.attributes("PROPERTY", "TYPE");
    EXPECT_NE(std::find(types.begin(), types.end(), "uint64"), types.end());
    EXPECT_NE(std::find(types.begin(), types.end(), "datetime"), types.end());

    Response r = call("EnumerateInstances", kStorageNs,
                      classNameParam("ClassName", "FIX_Controller") +
                          "<IPARAMVALUE NAME=\"PropertyList\"><VALUE.ARRAY><VALUE>CacheSizeMB</VALUE>"
                          "</VALUE.ARRAY></IPARAMVALUE>");
    EXPECT_EQ(r.attributes("PROPERTY", "NAME"), std::vector<std::string>{"CacheSizeMB"});
    EXPECT_EQ(r.property("CacheSizeMB"), "512");
    // The key bindings still name the instance.
    EXPECT_EQ(r.attributes("KEYBINDING", "NAME"), (std::vector<std::string>{"Name", "Slot"}));
}

TEST_F(ServiceTest, BaseClassRequestsReachEveryDerivedProviderClass) {
    Response names = call("EnumerateInstanceNames", kStorageNs, classNameParam("ClassName", "CIM_ManagedElement"));
    EXPECT_EQ(sorted(names.attributes("INSTANCENAME", "CLASSNAME")),
              (std::vector<std::string>{"FIX_Controller", "FIX_Disk", "FIX_Disk", "FIX_Disk", "FIX_Profile"}));
    // Without deep inheritance only the base class's properties come back.
    Response shallow = call("EnumerateInstances", kStorageNs,
                            classNameParam("ClassName", "CIM_ManagedElement") + valueParam("DeepInheritance", "FALSE"));
    for (const auto& name : shallow.attributes("PROPERTY", "NAME")) EXPECT_EQ(name, "ElementName");
    // The interop namespace serves only what is registered there.
    Response interop = call("EnumerateInstanceNames", kInteropNs, classNameParam("ClassName", "CIM_ManagedElement"));
    EXPECT_EQ(interop.attributes("INSTANCENAME", "CLASSNAME"), std::vector<std::string>{"FIX_Profile"});
    // GetInstance by a base class looks in the derived classes.
    Response viaBase = call("GetInstance", kStorageNs,
                            instanceNameParam("InstanceName", "CIM_ManagedElement", stringKey("DeviceID", "d1")));
    EXPECT_EQ(viaBase.attributes("INSTANCE", "CLASSNAME"), std::vector<std::string>{"FIX_Disk"});
    EXPECT_EQ(viaBase.property("TemperatureC"), "-5");
}

TEST_F(ServiceTest, ModifyInstanceNamesTheChangedPropertiesAndSeesTheChange) {
    const char* traceFile = "/tmp/orv-cimxml-service-trace.txt";
    std::remove(traceFile);
    setenv("ORV_FIXTURE_TRACE", traceFile, 1);
    const std::string modified =
        "<IPARAMVALUE NAME=\"ModifiedInstance\"><VALUE.NAMEDINSTANCE><INSTANCENAME CLASSNAME=\"FIX_Controller\">" +
        kControllerKeys + "</INSTANCENAME><INSTANCE CLASSNAME=\"FIX_Controller\">"
        "<PROPERTY NAME=\"Name\" TYPE=\"string\"><VALUE>ctl0</VALUE></PROPERTY>"
        "<PROPERTY NAME=\"ElementName\" TYPE=\"string\"><VALUE>Renamed &amp; ready</VALUE></PROPERTY>"
        "</INSTANCE></VALUE.NAMEDINSTANCE></IPARAMVALUE>";
    Response r = call("ModifyInstance", kStorageNs, modified);
    EXPECT_EQ(r.errorCode(), 0) << r.errorDescription();
    EXPECT_TRUE(r.all("IRETURNVALUE").empty());
    // A PropertyList names what changes, whatever else the instance carries.
    const std::string listed = modified.substr(0, modified.find("Renamed")) + "Ignored" +
                               modified.substr(modified.find(" ready")) +
                               "<IPARAMVALUE NAME=\"PropertyList\"><VALUE.ARRAY><VALUE>CacheSizeMB</VALUE>"
                               "</VALUE.ARRAY></IPARAMVALUE>";
    EXPECT_EQ(call("ModifyInstance", kStorageNs, listed).errorCode(), 0);
    unsetenv("ORV_FIXTURE_TRACE");
    // Without a PropertyList the provider is told the non-key properties sent.
    std::ifstream trace(traceFile);
    std::string line;
    std::getline(trace, line);
    EXPECT_EQ(line, "modify principal= properties=ElementName");
    std::getline(trace, line);
    EXPECT_EQ(line, "modify principal= properties=CacheSizeMB");

    // Class and key names are matched whatever their case.
    Response after = call("GetInstance", kStorageNs,
                          instanceNameParam("InstanceName", "fix_controller",
                                            stringKey("name", "ctl0") + numericKey("SLOT", "0")));
    EXPECT_EQ(after.property("ElementName"), "Renamed & ready");
    EXPECT_EQ(after.property("Online"), "TRUE");

    // A value the class types differently is refused before the provider sees it.
    const std::string wrongType =
        "<IPARAMVALUE NAME=\"ModifiedInstance\"><VALUE.NAMEDINSTANCE><INSTANCENAME CLASSNAME=\"FIX_Controller\">" +
        kControllerKeys + "</INSTANCENAME><INSTANCE CLASSNAME=\"FIX_Controller\">"
        "<PROPERTY NAME=\"CacheSizeMB\" TYPE=\"uint32\"><VALUE>lots</VALUE></PROPERTY>"
        "</INSTANCE></VALUE.NAMEDINSTANCE></IPARAMVALUE>";
    Response refused = call("ModifyInstance", kStorageNs, wrongType);
    EXPECT_EQ(refused.errorCode(), 4);
    EXPECT_NE(refused.errorDescription().find("CacheSizeMB"), std::string::npos);
}

TEST_F(ServiceTest, AssociationsAreWalkedFromEitherEndWithTheirFilters) {
    const std::string controller = instanceNameParam("ObjectName", "FIX_Controller", kControllerKeys);
    Response names = call("AssociatorNames", kStorageNs, controller);
    EXPECT_EQ(names.attributes("INSTANCENAME", "CLASSNAME"), (std::vector<std::string>(3, "FIX_Disk")));
    EXPECT_EQ(names.all("OBJECTPATH").size(), 3u);
    EXPECT_EQ(names.all("HOST").at(0)->GetText(), std::string("testhost"));
    // A base-class result class passes the broker's class test.
    Response byBase = call("Associators", kStorageNs,
                           controller + classNameParam("ResultClass", "CIM_ManagedElement") +
                               classNameParam("AssocClass", "CIM_Component") + valueParam("Role", "GroupComponent") +
                               valueParam("ResultRole", "PartComponent"));
    EXPECT_EQ(byBase.all("VALUE.OBJECTWITHPATH").size(), 3u);
    EXPECT_EQ(byBase.property("DeviceID", 2), "d2");
    EXPECT_TRUE(call("AssociatorNames", kStorageNs, controller + classNameParam("ResultClass", "FIX_Profile"))
                    .all("INSTANCENAME").empty());

    const std::string disk = instanceNameParam("ObjectName", "FIX_Disk", stringKey("DeviceID", "d2"));
    Response refs = call("References", kStorageNs, disk + classNameParam("ResultClass", "CIM_Component"));
    ASSERT_EQ(refs.all("VALUE.OBJECTWITHPATH").size(), 1u);
    EXPECT_EQ(refs.attributes("INSTANCE", "CLASSNAME"), std::vector<std::string>{"FIX_ControllerDisk"});
    // Reference keys travel as VALUE.REFERENCE inside the key bindings.
    EXPECT_EQ(refs.all("VALUE.REFERENCE").size(), 4u);
    Response refNames = call("ReferenceNames", kStorageNs, disk + valueParam("Role", "PartComponent"));
    EXPECT_EQ(refNames.attributes("INSTANCENAME", "CLASSNAME").front(), "FIX_ControllerDisk");
    Response none = call("ReferenceNames", kStorageNs, disk + valueParam("Role", "GroupComponent"));
    EXPECT_EQ(none.errorCode(), 0);
    EXPECT_TRUE(none.all("OBJECTPATH").empty());

    // Each link names the same controller and its own disk, in the key
    // bindings and again in the reference properties, however alike the
    // paths are.
    Response links = call("EnumerateInstances", kStorageNs, classNameParam("ClassName", "FIX_ControllerDisk"));
    std::vector<std::string> keys;
    for (const auto* key : links.all("KEYVALUE")) keys.push_back(key->GetText() ? key->GetText() : "");
    ASSERT_EQ(keys.size(), 3u * 6);
    std::set<std::string> disks;
    for (auto link = keys.begin(); link != keys.end(); link += 6) {
        EXPECT_EQ(std::vector<std::string>(link, link + 6),
                  (std::vector<std::string>{"ctl0", "0", link[2], "ctl0", "0", link[2]}));
        disks.insert(link[2]);
    }
    EXPECT_EQ(disks.size(), 3u);
}

TEST_F(ServiceTest, ClassOperationsAnswerFromTheSchema) {
    Response top = call("EnumerateClassNames", kInteropNs, "");
    EXPECT_EQ(top.attributes("CLASSNAME", "NAME"), std::vector<std::string>{"CIM_ManagedElement"});
    Response deep = call("EnumerateClassNames", kStorageNs,
                         classNameParam("ClassName", "CIM_ManagedElement") + valueParam("DeepInheritance", "TRUE"));
    EXPECT_EQ(sorted(deep.attributes("CLASSNAME", "NAME")),
              (std::vector<std::string>{"FIX_Controller", "FIX_Disk", "FIX_Profile"}));

    Response cls = call("GetClass", kStorageNs,
                        classNameParam("ClassName", "FIX_Controller") + valueParam("LocalOnly", "FALSE") +
                            valueParam("IncludeClassOrigin", "TRUE"));
    ASSERT_EQ(cls.all("CLASS").size(), 1u);
    EXPECT_EQ(cls.attributes("CLASS", "SUPERCLASS"), std::vector<std::string>{"CIM_ManagedElement"});
    const auto origins = cls.attributes("PROPERTY", "CLASSORIGIN");
    EXPECT_NE(std::find(origins.begin(), origins.end(), "CIM_ManagedElement"), origins.end());
    EXPECT_EQ(cls.attributes("PROPERTY.ARRAY", "NAME"), std::vector<std::string>{"PortNumbers"});
    EXPECT_EQ(cls.attributes("PARAMETER.REFERENCE", "REFERENCECLASS"), std::vector<std::string>{"FIX_Disk"});
    EXPECT_EQ(cls.attributes("PARAMETER.ARRAY", "TYPE"), std::vector<std::string>{"uint32"});
    EXPECT_EQ(cls.attributes("QUALIFIER", "NAME").size(), 2u + 4u);  // two keys, IN x3 + OUT

    Response assoc = call("GetClass", kStorageNs, classNameParam("ClassName", "FIX_ControllerDisk"));
    EXPECT_EQ(assoc.attributes("PROPERTY.REFERENCE", "REFERENCECLASS"),
              (std::vector<std::string>{"FIX_Controller", "FIX_Disk"}));
}

TEST_F(ServiceTest, MethodsGetTypedArgumentsAndReturnOutputs) {
    const std::string diskRef =
        "<PARAMVALUE NAME=\"Disk\"><VALUE.REFERENCE><INSTANCENAME CLASSNAME=\"FIX_Disk\">" +
        stringKey("DeviceID", "d1") + "</INSTANCENAME></VALUE.REFERENCE></PARAMVALUE>";
    // No PARAMTYPE: the declaration says Priority is uint16 and Flags uint32[].
    Response r = invoke("Rebuild", kControllerKeys,
                        diskRef + "<PARAMVALUE NAME=\"Priority\"><VALUE>3</VALUE></PARAMVALUE>"
                                  "<PARAMVALUE NAME=\"Flags\"><VALUE.ARRAY><VALUE>1</VALUE><VALUE>2</VALUE>"
                                  "</VALUE.ARRAY></PARAMVALUE>");
    EXPECT_EQ(r.errorCode(), 0) << r.errorDescription();
    ASSERT_EQ(r.all("RETURNVALUE").size(), 1u);
    EXPECT_EQ(r.attributes("RETURNVALUE", "PARAMTYPE"), std::vector<std::string>{"uint32"});
    EXPECT_EQ(r.all("RETURNVALUE")[0]->FirstChildElement("VALUE")->GetText(), std::string("0"));
    ASSERT_EQ(r.attributes("PARAMVALUE", "NAME"), std::vector<std::string>{"JobId"});
    EXPECT_EQ(r.all("PARAMVALUE")[0]->FirstChildElement("VALUE")->GetText(), std::string("job-d1-p3-f2"));

    Response badPriority = invoke("Rebuild", kControllerKeys,
                                  diskRef + "<PARAMVALUE NAME=\"Priority\"><VALUE>99999</VALUE></PARAMVALUE>");
    EXPECT_EQ(badPriority.errorCode(), 4);
    Response unknownParam = invoke("Rebuild", kControllerKeys, "<PARAMVALUE NAME=\"Speed\"><VALUE>1</VALUE></PARAMVALUE>");
    EXPECT_EQ(unknownParam.errorCode(), 4);
    EXPECT_NE(unknownParam.errorDescription().find("Speed"), std::string::npos);
    Response outputOnly = invoke("Rebuild", kControllerKeys, "<PARAMVALUE NAME=\"JobId\"><VALUE>x</VALUE></PARAMVALUE>");
    EXPECT_EQ(outputOnly.errorCode(), 4);
    Response wrongReference = invoke("Rebuild", kControllerKeys,
                                     "<PARAMVALUE NAME=\"Disk\"><VALUE.REFERENCE><INSTANCENAME CLASSNAME=\"FIX_Controller\">" +
                                         kControllerKeys + "</INSTANCENAME></VALUE.REFERENCE></PARAMVALUE>");
    EXPECT_EQ(wrongReference.errorCode(), 4);
    EXPECT_NE(wrongReference.errorDescription().find("must refer to a FIX_Disk"), std::string::npos);
    Response noMethod = invoke("Explode", kControllerKeys, "");
    EXPECT_EQ(noMethod.errorCode(), 17);
    Response onClass(service_.handle(exchange("Reset", kStorageNs,
                                              extrinsicBody("Reset", kStorageNs, "FIX_Controller", "", "", true),
                                              false, "FIX_Controller")).body);
    EXPECT_EQ(onClass.errorCode(), 0);
    EXPECT_EQ(onClass.all("RETURNVALUE").size(), 1u);
}

TEST_F(ServiceTest, BadRequestsGetCimErrorsAndTheServiceGoesOn) {
    struct Case {
        const char* what;
        std::string method;
        std::string ns;
        std::string params;
        int code;
        const char* message = "";
    };
    const auto controller = [](const std::string& keys) {
        return instanceNameParam("InstanceName", "FIX_Controller", keys);
    };
    const Case cases[] = {
        {"class of the other namespace", "EnumerateInstanceNames", kInteropNs, classNameParam("ClassName", "FIX_Disk"), 5},
        {"unknown class", "EnumerateInstances", kStorageNs, classNameParam("ClassName", "FIX_Nothing"), 5},
        {"class not found", "GetClass", kStorageNs, classNameParam("ClassName", "FIX_Nothing"), 6},
        {"unknown operation", "Teleport", kStorageNs, "", 7},
        {"unsupported operation", "ExecQuery", kStorageNs, "", 7},
        {"unknown parameter", "EnumerateInstanceNames", kStorageNs,
         classNameParam("ClassName", "FIX_Disk") + valueParam("Colour", "red"), 4},
        {"missing class name", "EnumerateInstances", kStorageNs, "", 4},
        {"flag that is no boolean", "EnumerateInstances", kStorageNs,
         classNameParam("ClassName", "FIX_Disk") + valueParam("DeepInheritance", "maybe"), 4},
        {"class-level association", "AssociatorNames", kStorageNs, classNameParam("ObjectName", "FIX_Disk"), 7},
        {"unknown namespace", "EnumerateInstanceNames", "root/nowhere", classNameParam("ClassName", "FIX_Disk"), 3},
        {"missing instance", "GetInstance", kStorageNs,
         instanceNameParam("InstanceName", "FIX_Disk", stringKey("DeviceID", "d9")), 6},
        {"key of the wrong type", "GetInstance", kStorageNs,
         controller(stringKey("Name", "ctl0") + numericKey("Slot", "abc")), 4},
        {"key out of its range", "GetInstance", kStorageNs,
         controller(stringKey("Name", "ctl0") + numericKey("Slot", "70000")), 4},
        {"property that is no key", "GetInstance", kStorageNs,
         controller(kControllerKeys + numericKey("CacheSizeMB", "1")), 4, "CacheSizeMB is not a key of"},
        {"key the class lacks", "GetInstance", kStorageNs, controller(kControllerKeys + stringKey("Bogus", "1")), 4,
         "Bogus is not a property of"},
        // The provider's own refusals pass through with their text.
        {"create refused by the provider", "CreateInstance", kStorageNs,
         "<IPARAMVALUE NAME=\"NewInstance\"><INSTANCE CLASSNAME=\"FIX_Disk\"><PROPERTY NAME=\"DeviceID\" "
         "TYPE=\"string\"><VALUE>d7</VALUE></PROPERTY></INSTANCE></IPARAMVALUE>", 7,
         "fixture instances cannot be created"},
        {"delete refused by the provider", "DeleteInstance", kStorageNs,
         instanceNameParam("InstanceName", "FIX_Disk", stringKey("DeviceID", "d0")), 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Response r = call(c.method, c.ns, c.params);
        EXPECT_EQ(r.errorCode(), c.code) << r.errorDescription();
        EXPECT_FALSE(r.errorDescription().empty());
        EXPECT_NE(r.errorDescription().find(c.message), std::string::npos) << r.errorDescription();
    }
    Response still = call("EnumerateInstanceNames", kStorageNs, classNameParam("ClassName", "FIX_Disk"));
    EXPECT_EQ(still.all("INSTANCENAME").size(), 3u);
}

TEST_F(ServiceTest, HttpLevelFailuresCarryStatusAndCimErrorHeader) {
    const std::string body = intrinsicBody("EnumerateInstanceNames", kStorageNs, classNameParam("ClassName", "FIX_Disk"));
    HttpExchange wrongMethodHeader = exchange("GetClass", kStorageNs, body);
    EXPECT_EQ(service_.handle(wrongMethodHeader).header("CIMError").value_or(""), "header-mismatch");
    HttpExchange wrongObject = exchange("EnumerateInstanceNames", kInteropNs, body);
    EXPECT_EQ(service_.handle(wrongObject).header("CIMError").value_or(""), "header-mismatch");
    HttpExchange noOperation = exchange("EnumerateInstanceNames", kStorageNs, body);
    noOperation.headers.erase(noOperation.headers.begin() + 2);
    HttpAnswer b = service_.handle(noOperation);
    EXPECT_EQ(b.status, 400);
    EXPECT_EQ(b.header("CIMError").value_or(""), "unsupported-operation");

    HttpExchange get = exchange("EnumerateInstanceNames", kStorageNs, body);
    get.method = "GET";
    EXPECT_EQ(service_.handle(get).status, 405);

    // M-POST carries the same headers under the prefix its Man header declares.
    HttpExchange extended = exchange("EnumerateInstanceNames", kStorageNs, body);
    extended.method = "M-POST";
    for (auto& [name, value] : extended.headers)
        if (name.rfind("CIM", 0) == 0) name = "73-" + name;
    extended.headers.emplace_back("Man", "http://www.dmtf.org/cim/mapping/http/v1.0 ; ns=73");
    HttpAnswer m = service_.handle(extended);
    EXPECT_EQ(m.status, 200) << m.body;
    EXPECT_EQ(m.header("73-CIMOperation").value_or(""), "MethodResponse");
    EXPECT_TRUE(m.header("Ext").has_value());
}

TEST_F(ServiceTest, BasicAuthenticationDecidesThePrincipal) {
    UserTable users;
    users.add("admin", "s3cret");
    users.add("guest", "guest");
    CimXmlService guarded = FixtureStack::instance().service(users);
    const std::string body = intrinsicBody(
        "ModifyInstance", kStorageNs,
        "<IPARAMVALUE NAME=\"ModifiedInstance\"><VALUE.NAMEDINSTANCE><INSTANCENAME CLASSNAME=\"FIX_Controller\">" +
            kControllerKeys + "</INSTANCENAME><INSTANCE CLASSNAME=\"FIX_Controller\">"
            "<PROPERTY NAME=\"CacheSizeMB\" TYPE=\"uint32\"><VALUE>1024</VALUE></PROPERTY>"
            "</INSTANCE></VALUE.NAMEDINSTANCE></IPARAMVALUE>");

    const HttpExchange anonymous = exchange("ModifyInstance", kStorageNs, body);
    HttpAnswer refused = guarded.handle(anonymous);
    EXPECT_EQ(refused.status, 401);
    EXPECT_NE(refused.header("WWW-Authenticate").value_or("").find("Basic"), std::string::npos);
    // The request with Basic credentials, user:password in base64.
    const auto as = [&anonymous](const char* credentials) {
        HttpExchange e = anonymous;
        e.headers.emplace_back("Authorization", std::string("Basic ") + credentials);
        return e;
    };
    const HttpExchange wrongPassword = as("YWRtaW46bm9wZQ==");  // admin:nope
    const HttpExchange asGuest = as("Z3Vlc3Q6Z3Vlc3Q=");        // guest:guest
    const HttpExchange asAdmin = as("YWRtaW46czNjcmV0");        // admin:s3cret
    EXPECT_EQ(guarded.handle(wrongPassword).status, 401);
    Response denied(guarded.handle(asGuest).body);
    EXPECT_EQ(denied.errorCode(), 2);
    EXPECT_EQ(denied.errorDescription(), "guest : may not change anything");
    Response allowed(guarded.handle(asAdmin).body);
    EXPECT_EQ(allowed.errorCode(), 0) << allowed.errorDescription();

    // Only credentials the file does not take go to the system's check.
    std::vector<std::string> checked;
    guarded.setPasswordCheck([&checked](const std::string& user, const std::string& password, std::string& reason) {
        checked.push_back(user + ":" + password);
        reason = "refused";
        return std::optional<std::string>();
    });
    EXPECT_EQ(guarded.handle(wrongPassword).status, 401);
    EXPECT_EQ(Response(guarded.handle(asGuest).body).errorDescription(), "guest : may not change anything");
    EXPECT_EQ(Response(guarded.handle(asAdmin).body).errorCode(), 0);
    EXPECT_EQ(checked, (std::vector<std::string>{"admin:nope"})) << "the file answers first";

    // The request runs as the name the check settles on, not as the one sent.
    CimXmlService systemUsersOnly = FixtureStack::instance().service();
    systemUsersOnly.setPasswordCheck([](const std::string&, const std::string& password, std::string&) {
        return password == "guest" ? std::optional<std::string>("guest") : std::nullopt;
    });
    EXPECT_EQ(systemUsersOnly.handle(anonymous).status, 401);
    EXPECT_EQ(Response(systemUsersOnly.handle(as("dmlzaXRvcjpndWVzdA==")).body).errorDescription(),  // visitor:guest
              "guest : may not change anything");
}

TEST(UserTableFile, ReadsUserLinesAndRefusesBrokenOnes) {
    const char* path = "/tmp/orv-cimxml-users.txt";
    std::ofstream(path) << "# users\n\nadmin:pw:with:colons\r\n";
    UserTable table = UserTable::fromFile(path);
    EXPECT_TRUE(table.accepts("admin", "pw:with:colons"));
    EXPECT_FALSE(table.accepts("admin", "pw:with:colon"));
    std::ofstream(path) << "nobody\n";
    EXPECT_THROW(UserTable::fromFile(path), std::runtime_error);
    EXPECT_THROW(UserTable::fromFile("/nonexistent/users"), std::runtime_error);
    std::remove(path);
}

}  // namespace
}  // namespace orv::cimxml::test
