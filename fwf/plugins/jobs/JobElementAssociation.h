// The associations between a job and an element whose class depends on the
// job: the service whose method started it (ORV_OwningJobElement) and the
// volume it works on (ORV_AffectedJobElement). Their pairs come from the job
// records, not from matching two enumerations; the association base answers
// the traversals from them.
#pragma once

#include <optional>

#include "AbstractAssociationProviderPlugin.h"
#include "PluginsManager.h"

namespace orv::cim::fwf::jobs {

class JobElementAssociation : public AbstractAssociationProviderPlugin {
public:
    // The element a job relates to, in the request's host; none when it has none.
    using ElementOf = std::optional<CIMObjectPath> (*)(const orv::raidlib::PropertyContainer& record,
                                                       const CIMObjectPath& request);
    JobElementAssociation(AssociationEnd job, AssociationEnd element, ElementOf elementOf);

    // Never asked: the pairs are built from the job records.
    bool MatchInstances(const CIMInstance&, const CIMInstance&) override { return false; }
    void enumerateInstances(CIMObjectPath path, CIMInstanceList& out) override;

private:
    ElementOf elementOf_;
};

// The catalogue entry of ORV_OwningJobElement or ORV_AffectedJobElement.
// Throws std::logic_error for another class.
PluginRegistration jobElementAssociation(const char* className);

}  // namespace orv::cim::fwf::jobs
