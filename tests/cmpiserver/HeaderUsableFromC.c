/* The interface headers must stay plain C: providers for other servers are
 * often C programs. This file compiles them, and the macros, as C. */
#include "cmpimacro.h"

_Static_assert(sizeof(CMPIData) == 24, "CMPIData layout");
_Static_assert(sizeof(CMPIStatus) == 16, "CMPIStatus layout");

CMPIStatus orvHeaderCheckReturnsDone(const CMPIBroker* mb, const CMPIResult* rslt);

CMPIStatus orvHeaderCheckReturnsDone(const CMPIBroker* mb, const CMPIResult* rslt) {
    if (CMIsNullObject(rslt)) CMReturnWithChars(mb, CMPI_RC_ERR_INVALID_PARAMETER, "no result");
    CMReturnDone(rslt);
    CMReturn(CMPI_RC_OK);
}
