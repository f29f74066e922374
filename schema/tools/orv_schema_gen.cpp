// Makes the files that are derived from the class schema, for a developer to
// commit after changing the schema (see docs/schema.md):
//   orv_schema_gen pegasus <schema dir>      provider registration for OpenPegasus
//   orv_schema_gen sfcb <schema dir>         provider registration for SFCB
//   orv_schema_gen base <CIM_Schema.mof> <schema dir> [version]
//                                            the compact CIM base declarations
//   orv_schema_gen check <file.mof>...       reads the files, reports unresolved names
// The text goes to standard output.
#include "SchemaGenerators.h"

#include <iostream>

namespace {

int usage() {
    std::cerr << "usage: orv_schema_gen pegasus|sfcb <schema dir>\n"
                 "       orv_schema_gen base <CIM_Schema.mof> <schema dir> [version]\n"
                 "       orv_schema_gen check <file.mof>...\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace orv::schema;
    if (argc < 3) return usage();
    const std::string command = argv[1];
    try {
        if (command == "pegasus" || command == "sfcb") {
            const ClassTable table = loadProviderSchema(argv[2]);
            const auto registrations = providerRegistrations(table);
            std::cout << (command == "pegasus" ? pegasusRegistration(registrations) : sfcbRegistration(registrations));
            return 0;
        }
        if (command == "base" && argc >= 4) {
            ClassTable table = ClassTable::load(argv[2]);
            table.addFile(std::string(argv[3]) + "/" + kProviderSchemaFile);
            std::cout << cimBaseMof(table, argc >= 5 ? argv[4] : "2.41.0");
            return 0;
        }
        if (command == "check") {
            ClassTable table;
            for (int i = 2; i < argc; ++i) table.addFile(argv[i]);
            const auto problems = table.unresolvedNames();
            for (const auto& p : problems) std::cerr << p << "\n";
            std::cout << table.size() << " classes, " << problems.size() << " unresolved names\n";
            return problems.empty() ? 0 : 1;
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return usage();
}
