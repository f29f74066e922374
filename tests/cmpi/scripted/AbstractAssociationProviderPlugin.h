// Stand-in for the framework's association base, for the adapter's unit
// tests: only what the adapter reads, the two endpoint class names.
#pragma once

#include "AbstractProviderPlugin.h"

#include <string>

namespace orv::cim::fwf {

class AbstractAssociationProviderPlugin : public AbstractProviderPlugin {
public:
    virtual std::string getFirstEndpointClassName() const = 0;
    virtual std::string getSecondEndpointClassName() const = 0;
};

}  // namespace orv::cim::fwf
