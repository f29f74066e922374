// orv-cimserver: serves the provider library over CIM-XML with the
// project's schema.
#include "SchemaFromMof.h"
#include "ServerMain.h"

#include <malloc.h>
#ifdef ORV_WITH_MIMALLOC
#include <mimalloc.h>
#endif

#include <cstdlib>

int main(int argc, char** argv) {
#ifdef ORV_WITH_MIMALLOC
    // A request allocates and frees thousands of small objects (instances,
    // paths, strings); mimalloc's per-thread pages take a fifth of the
    // server's time off a large enumeration against glibc's malloc. Asking
    // its version keeps a linker that drops unused libraries from dropping it.
    static_cast<void>(mi_version());
#else
    // Every connection has a thread of its own, and glibc would give each
    // of up to eight per core an allocation arena of its own: the server's
    // resident memory then creeps up for minutes under load while its heap
    // stays flat. Two arenas keep it steady; MALLOC_ARENA_MAX still rules
    // when it is set.
    if (std::getenv("MALLOC_ARENA_MAX") == nullptr) mallopt(M_ARENA_MAX, 2);
#endif
    orv::cimxml::ProgramDefaults defaults;
    defaults.schemaLocation = ORV_DEFAULT_SCHEMA_DIR;
    return orv::cimxml::runServer(argc, argv, orv::cimxml::schemaFromMof, defaults);
}
