#include "JobElementAssociation.h"

#include <stdexcept>
#include <string>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "JobSupport.h"
#include "Logger.h"

namespace orv::cim::fwf::jobs {

namespace {

struct JobAssociationRow {
    const char* className;
    const char* jobRole;
    const char* elementRole;
    JobElementAssociation::ElementOf elementOf;
};

constexpr JobAssociationRow kRows[] = {
    {"ORV_OwningJobElement", "OwnedElement", "OwningElement", owningElementPath},
    {"ORV_AffectedJobElement", "AffectingElement", "AffectedElement", affectedElementPath},
};

}  // namespace

JobElementAssociation::JobElementAssociation(AssociationEnd job, AssociationEnd element, ElementOf elementOf)
    : AbstractAssociationProviderPlugin(std::move(job), std::move(element)), elementOf_(elementOf) {}

void JobElementAssociation::enumerateInstances(CIMObjectPath path, CIMInstanceList& out) {
    constexpr const char* kName = "orv::cim::fwf::jobs::JobElementAssociation::enumerateInstances";
    for (const auto& record : readJobRecords(kName)) {
        const auto identity = identityOf(record);
        if (!identity) {
            LogMessage(2, "owningJobElemnt and affectedJobElement creation failed");
            continue;
        }
        if (const auto element = elementOf_(record, path))
            out.push_back(makeAssociation(path, concreteJobPath(*identity, path.getHost(), path.getNameSpace()),
                                          *element));
    }
}

PluginRegistration jobElementAssociation(const char* className) {
    for (const JobAssociationRow& row : kRows) {
        if (!CommonFunctions::equalsIgnoreCase(row.className, className)) continue;
        return {row.className, [&row] {
                    return std::make_unique<JobElementAssociation>(AssociationEnd{kConcreteJobClass, row.jobRole},
                                                                   AssociationEnd{"", row.elementRole},
                                                                   row.elementOf);
                }};
    }
    throw std::logic_error(std::string("no job association named ") + className);
}

}  // namespace orv::cim::fwf::jobs
