// Reading requests and typing their values: what reaches the operations
// from well-formed messages, and which protocol failure each bad message
// gets.
#include "CimError.h"
#include "TestSupport.h"
#include "ValueConversion.h"
#include "XmlRequest.h"

#include <gtest/gtest.h>

namespace orv::cimxml::test {
namespace {

ProtocolError failureOf(const std::string& body) {
    try {
        parseRequest(body);
    } catch (const ProtocolError& error) {
        return error;
    }
    return ProtocolError(0, "", "no failure");
}

TEST(RequestParsing, ReadsMethodCallsWithReferencesAndNullElements) {
    const std::string reference =
        "<PARAMVALUE NAME=\"Disk\"><VALUE.REFERENCE><INSTANCEPATH><NAMESPACEPATH><HOST>h</HOST>"
        "<LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/><NAMESPACE NAME=\"x\"/></LOCALNAMESPACEPATH></NAMESPACEPATH>"
        "<INSTANCENAME CLASSNAME=\"FIX_Disk\">" + stringKey("DeviceID", "d1") +
        "</INSTANCENAME></INSTANCEPATH></VALUE.REFERENCE></PARAMVALUE>"
        "<PARAMVALUE NAME=\"Flags\" PARAMTYPE=\"uint32\"><VALUE.ARRAY><VALUE>1</VALUE><VALUE.NULL/></VALUE.ARRAY>"
        "</PARAMVALUE>";
    const XmlRequest onInstance = parseRequest(
        extrinsicBody("Rebuild", "root/orv/Ambrix/smi_14", "FIX_Controller", stringKey("Name", "ctl0"), reference));
    EXPECT_FALSE(onInstance.intrinsic);
    EXPECT_FALSE(onInstance.targetIsClass);
    EXPECT_EQ(onInstance.nameSpace, "root/orv/Ambrix/smi_14");
    EXPECT_EQ(onInstance.target.keys.at(0).text, "ctl0");
    const XmlValue& disk = onInstance.parameter("Disk")->value;
    ASSERT_EQ(disk.kind, XmlValue::Kind::Reference);
    EXPECT_EQ(disk.paths[0].host, "h");
    EXPECT_EQ(disk.paths[0].nameSpace, "root/x");
    EXPECT_EQ(onInstance.parameter("Flags")->typeName, "uint32");
    EXPECT_EQ(onInstance.parameter("Flags")->value.nullElements, (std::vector<bool>{false, true}));
}

TEST(RequestParsing, MalformedMessagesGetTheirProtocolFailure) {
    const std::string good = intrinsicBody("EnumerateInstanceNames", "root/PG_InterOp",
                                           classNameParam("ClassName", "FIX_Profile"));
    struct Case {
        const char* what;
        std::string body;
        int status;
        const char* cimError;
    };
    const Case cases[] = {
        {"truncated", good.substr(0, good.size() / 2), 400, "request-not-well-formed"},
        {"not XML at all", "hello", 400, "request-not-well-formed"},
        {"empty", "", 400, "request-not-well-formed"},
        {"wrong document element", "<MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"/>", 400, "request-not-valid"},
        {"call outside SIMPLEREQ",
         "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\">"
         "<IMETHODCALL NAME=\"GetClass\"/></MESSAGE></CIM>",
         400, "request-not-valid"},
        {"namespace missing",
         "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ>"
         "<IMETHODCALL NAME=\"GetClass\"><IPARAMVALUE NAME=\"ClassName\"/></IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>",
         400, "request-not-valid"},
        {"key binding without value",
         intrinsicBody("GetInstance", "root/x",
                       "<IPARAMVALUE NAME=\"InstanceName\"><INSTANCENAME CLASSNAME=\"A\"><KEYBINDING NAME=\"k\"/>"
                       "</INSTANCENAME></IPARAMVALUE>"),
         400, "request-not-valid"},
        {"unknown VALUETYPE",
         intrinsicBody("GetInstance", "root/x",
                       "<IPARAMVALUE NAME=\"InstanceName\"><INSTANCENAME CLASSNAME=\"A\"><KEYBINDING NAME=\"k\">"
                       "<KEYVALUE VALUETYPE=\"float\">1</KEYVALUE></KEYBINDING></INSTANCENAME></IPARAMVALUE>"),
         400, "request-not-valid"},
        {"CIM version 3",
         "<CIM CIMVERSION=\"3.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"/></CIM>", 501,
         "unsupported-cim-version"},
        {"protocol version 2",
         "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"1\" PROTOCOLVERSION=\"2.0\"/></CIM>", 501,
         "unsupported-protocol-version"},
        {"multiple requests",
         "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><MULTIREQ/>"
         "</MESSAGE></CIM>",
         501, "multiple-requests-unsupported"},
        {"only brackets", std::string(200, '<'), 400, "request-not-well-formed"},
    };
    for (const auto& c : cases) {
        const ProtocolError error = failureOf(c.body);
        EXPECT_EQ(error.httpStatus(), c.status) << c.what << ": " << error.what();
        EXPECT_EQ(error.cimError(), c.cimError) << c.what;
    }
}

TEST(ValueTyping, ScalarsFollowTheirDeclaredTypeAndRange) {
    EXPECT_EQ(parseScalar("255", CMPI_uint8, "x").asUnsigned(), 255u);
    EXPECT_EQ(parseScalar("0x10", CMPI_uint16, "x").asUnsigned(), 16u);
    EXPECT_EQ(parseScalar("-128", CMPI_sint8, "x").asSigned(), -128);
    EXPECT_EQ(parseScalar("-9223372036854775808", CMPI_sint64, "x").asSigned(), INT64_MIN);
    EXPECT_EQ(parseScalar("18446744073709551615", CMPI_uint64, "x").asUnsigned(), UINT64_MAX);
    EXPECT_TRUE(parseScalar(" true ", CMPI_boolean, "x").asBoolean());
    EXPECT_DOUBLE_EQ(parseScalar("1.5e3", CMPI_real64, "x").asReal(), 1500.0);
    EXPECT_EQ(parseScalar("\xC3\xA9", CMPI_char16, "x").asUnsigned(), 0xE9u);
    EXPECT_EQ(parseScalar("20240102030405.000000+000", CMPI_dateTime, "x").asString(),
              "20240102030405.000000+000");

    for (auto [text, type] : std::vector<std::pair<const char*, CMPIType>>{
             {"256", CMPI_uint8}, {"-1", CMPI_uint32}, {"128", CMPI_sint8}, {"12a", CMPI_uint16},
             {"", CMPI_uint32}, {"18446744073709551616", CMPI_uint64}, {"yes", CMPI_boolean},
             {"1.5x", CMPI_real32}, {"ab", CMPI_char16}, {"2024", CMPI_dateTime}}) {
        try {
            parseScalar(text, type, "property P");
            ADD_FAILURE() << text << " accepted as " << cimNameOfType(type);
        } catch (const CimError& error) {
            EXPECT_EQ(error.code(), kCimErrInvalidParameter);
            EXPECT_NE(std::string(error.what()).find("property P"), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(valueText(Value::boolean(false)), "FALSE");
    EXPECT_EQ(valueText(Value::char16(0xE9)), "\xC3\xA9");
}

}  // namespace
}  // namespace orv::cimxml::test
