// How clients reach the object manager: CIM-XML over HTTP and over HTTPS, one
// instance for each.
#pragma once

#include <string>

#include "AbstractInstanceProviderPlugin.h"
#include "OsServices.h"

namespace orv::cim::fwf {

class ORVCIMXMLCommunicationMechanism : public AbstractInstanceProviderPlugin {
public:
    ORVCIMXMLCommunicationMechanism();

    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

    // The address clients are told to use: the last one of the record that is
    // not the loopback address, empty when there is none.
    static std::string advertisedAddress(const OsHostAddresses& addresses);

private:
    std::string address_;
};

}  // namespace orv::cim::fwf
