// The server program: command line, provider loading, listening, and an
// orderly stop on SIGINT or SIGTERM. Kept in the library so that a program
// with another schema source (the tests' fixture) runs the same code.
#pragma once

#include "ServerSchema.h"

#include <functional>
#include <string>

namespace orv::cimxml {

// Builds the schema from the --schema argument (a folder, or empty).
// Throws std::runtime_error with a readable reason on failure.
using SchemaLoader = std::function<ServerSchema(const std::string& schemaLocation)>;

struct ProgramDefaults {
    std::string programName = "orv-cimserver";
    std::string providerName = "AmbrixProvider15";
    std::string schemaLocation;  // default for --schema
};

// Runs the server; returns the process exit status (0 after a signal,
// 1 when it cannot start, 2 for a command-line error).
int runServer(int argc, char** argv, const SchemaLoader& loadSchema, const ProgramDefaults& defaults);

}  // namespace orv::cimxml
