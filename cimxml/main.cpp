// orv-cimserver: serves the provider library over CIM-XML with the
// project's schema.
#include "SchemaFromMof.h"
#include "ServerMain.h"

int main(int argc, char** argv) {
    orv::cimxml::ProgramDefaults defaults;
    defaults.schemaLocation = ORV_DEFAULT_SCHEMA_DIR;
    return orv::cimxml::runServer(argc, argv, orv::cimxml::schemaFromMof, defaults);
}
