// The provider's classes against the DMTF CIM schema that real servers
// compile them with: they load on top of it (a parent missing there stops
// the load), and our compact CIM base is still what the generator makes from
// it. The base carries the full signatures of every ancestor, so the provider
// schema's own inheritance checks hold what we declare against DMTF's members.
// Runs when the DMTF schema lies beside the source tree.
#include "ClassTable.h"
#include "SchemaGenerators.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace orv::schema;

TEST(DmtfConformance, CommittedCimBaseIsWhatTheGeneratorMakes) {
    const std::string dmtf = std::string(ORV_DMTF_SCHEMA_DIR) + "/CIM_Schema.mof";
    if (!std::filesystem::exists(dmtf)) GTEST_SKIP() << "DMTF CIM schema not found at " << dmtf;
    ClassTable combined = ClassTable::load(dmtf);
    combined.addFile(std::string(ORV_SCHEMA_DIR) + "/" + kProviderSchemaFile);
    std::ifstream in(std::string(ORV_SCHEMA_SOURCE_DIR) + "/" + kCimBaseFile, std::ios::binary);
    std::ostringstream committed;
    committed << in.rdbuf();
    EXPECT_EQ(committed.str(), cimBaseMof(combined, "2.41.0"))
        << "regenerate with: orv_schema_gen base <CIM_Schema.mof> schema > schema/cim/CIM_Base.mof";
}
