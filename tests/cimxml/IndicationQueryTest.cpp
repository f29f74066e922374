// The filter query subset: which indications a query selects, and the
// clear refusals for everything beyond the subset.
#include "CimError.h"
#include "IndicationQuery.h"

#include <gtest/gtest.h>

namespace orv::cimxml::test {
namespace {

using cmpiserver::Instance;
using cmpiserver::Value;

// CIM_AlertIndication derives from CIM_Indication; ORV_Disk from CIM_ManagedElement.
bool isA(std::string_view cls, std::string_view ancestor) {
    auto is = [](std::string_view a, std::string_view b) { return cmpiserver::equalsIgnoreCase(a, b); };
    if (is(cls, ancestor)) return true;
    if (is(cls, "CIM_AlertIndication")) return is(ancestor, "CIM_Indication");
    if (is(cls, "ORV_Disk")) return is(ancestor, "CIM_ManagedElement");
    return false;
}

Instance alert() {
    Instance disk;
    disk.path.className = "ORV_Disk";
    disk.properties = {{"Name", Value::string("disk 0")}, {"Temperature", Value::signedInteger(CMPI_sint16, -5)}};
    Instance out;
    out.path.className = "CIM_AlertIndication";
    out.properties = {{"PerceivedSeverity", Value::unsignedInteger(CMPI_uint16, 6)},
                      {"Message", Value::string("it's hot")},
                      {"SourceInstance", Value::instance(disk)},
                      {"SequenceNumber", Value::signedInteger(CMPI_sint64, 9007199254740993)}};
    return out;
}

TEST(IndicationQueryTest, SelectsByClassAndCondition) {
    struct Row {
        const char* query;
        bool selected;
    };
    const Row rows[] = {
        {"SELECT * FROM CIM_AlertIndication", true},
        {"select * from CIM_Indication", true},
        {"SELECT * FROM CIM_InstCreation", false},
        {"SELECT * FROM CIM_AlertIndication WHERE PerceivedSeverity = 6", true},
        {"SELECT * FROM CIM_AlertIndication WHERE PerceivedSeverity > 6", false},
        {"SELECT * FROM CIM_AlertIndication WHERE PerceivedSeverity <> 6 OR Message = 'it''s hot'", true},
        {"SELECT * FROM CIM_AlertIndication WHERE PerceivedSeverity = '6'", true},
        {"SELECT * FROM CIM_AlertIndication WHERE NOT (PerceivedSeverity < 5 AND Message = \"x\")", true},
        {"SELECT * FROM CIM_AlertIndication WHERE SourceInstance ISA CIM_ManagedElement", true},
        {"SELECT * FROM CIM_AlertIndication WHERE SourceInstance ISA CIM_Indication", false},
        {"SELECT * FROM CIM_AlertIndication WHERE SourceInstance.Temperature < 0 AND SourceInstance.Name = 'disk 0'", true},
        {"SELECT * FROM CIM_AlertIndication WHERE CIM_AlertIndication.PerceivedSeverity = 6", true},
        // 2^53 + 1 stays exact.
        {"SELECT * FROM CIM_AlertIndication WHERE SequenceNumber > 9007199254740992", true},
        // A missing property makes the comparison unknown, and NOT unknown is unknown.
        {"SELECT * FROM CIM_AlertIndication WHERE NOT OtherSeverity = 'x'", false},
        {"SELECT * FROM CIM_AlertIndication WHERE OtherSeverity = 'x' OR PerceivedSeverity = 6", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.query);
        EXPECT_EQ(IndicationQuery::parse(row.query, "WQL").matches(alert(), isA), row.selected);
    }
    EXPECT_TRUE(IndicationQuery::parse("SELECT * FROM CIM_AlertIndication", "DMTF:CQL").matches(alert(), isA));
}

TEST(IndicationQueryTest, RefusesMalformedAndUnsupportedQueriesNamingTheProblem) {
    struct Row {
        const char* query;
        const char* language;
        int code;
        const char* message;
    };
    const Row rows[] = {
        {"SELECT * CIM_AlertIndication", "WQL", kCimErrInvalidParameter, "expected FROM but found 'CIM_AlertIndication'"},
        {"SELECT * FROM", "WQL", kCimErrInvalidParameter, "expected a class name after FROM"},
        {"SELECT * FROM A WHERE Message = 'open", "WQL", kCimErrInvalidParameter, "not closed"},
        {"SELECT * FROM A WHERE (X = 1", "WQL", kCimErrInvalidParameter, "expected ')'"},
        {"SELECT * FROM A WHERE X = 1 )", "WQL", kCimErrInvalidParameter, "unexpected ')'"},
        {"SELECT * FROM A WHERE", "WQL", kCimErrInvalidParameter, "expected a property or a literal"},
        {"SELECT Message FROM A", "WQL", kCimErrNotSupported, "a property list after SELECT"},
        {"SELECT * FROM A, B", "WQL", kCimErrNotSupported, "more than one class"},
        {"SELECT * FROM A WHERE X >= 1", "WQL", kCimErrNotSupported, "the operator >="},
        {"SELECT * FROM A WHERE X LIKE 'a%'", "WQL", kCimErrNotSupported, "the operator LIKE"},
        {"SELECT * FROM A WHERE X IS NULL", "WQL", kCimErrNotSupported, "the operator IS"},
        {"SELECT * FROM A WHERE UPPER(X) = 'A'", "WQL", kCimErrNotSupported, "the function UPPER"},
        {"SELECT * FROM A WHERE X = 1 ORDER BY X", "WQL", kCimErrNotSupported, "'ORDER'"},
        {"SELECT * FROM A", "XPath", kCimErrNotSupported, "query language 'XPath'"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.query);
        try {
            IndicationQuery::parse(row.query, row.language);
            ADD_FAILURE() << "accepted";
        } catch (const CimError& error) {
            EXPECT_EQ(error.code(), row.code);
            EXPECT_NE(std::string(error.what()).find(row.message), std::string::npos) << error.what();
        }
    }
}

}  // namespace
}  // namespace orv::cimxml::test
