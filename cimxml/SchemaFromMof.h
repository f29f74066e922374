// The server's schema made from the MOF class table and the provider's
// registrations (which classes it serves in which namespaces).
#pragma once

#include "ClassTable.h"
#include "SchemaGenerators.h"
#include "ServerSchema.h"

#include <string>
#include <vector>

namespace orv::cimxml {

// Every class of the table, and each registered instance, association or
// method class as a provider class of its namespaces. Registrations of
// indication classes only serve no requests and are left out.
ServerSchema toServerSchema(const schema::ClassTable& table,
                            const std::vector<schema::Registration>& registrations);

// The project's schema below a schema folder (the CIM base declarations,
// the provider's classes and their registrations). Throws std::runtime_error
// (a MofError names file and line).
ServerSchema schemaFromMof(const std::string& schemaDirectory);

}  // namespace orv::cimxml
