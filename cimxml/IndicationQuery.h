// The query of an indication filter, in the part of WQL and CQL that
// subscribers of a storage provider use:
//
//   SELECT * FROM <class> [WHERE <condition>]
//
// The class matches by inheritance. A condition compares properties of the
// indication, or of the instance it carries (SourceInstance.Name), with each
// other or with literals ('text', numbers, TRUE, FALSE) using =, <>, < and >,
// tests an embedded instance's class with ISA, and combines with AND, OR, NOT
// and parentheses. Anything else is refused when the filter is created, so a
// subscriber never waits for indications its filter can never select.
#pragma once

#include "Value.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace orv::cimxml {

// Whether a class is the other or derives from it.
using ClassIsA = std::function<bool(std::string_view className, std::string_view ancestor)>;

class IndicationQuery {
public:
    // Throws CimError: CIM_ERR_INVALID_PARAMETER for text that is not a
    // query, CIM_ERR_NOT_SUPPORTED for a query or language beyond the subset;
    // the message names what is wrong.
    static IndicationQuery parse(std::string_view text, std::string_view language);

    const std::string& fromClass() const { return fromClass_; }
    bool matches(const cmpiserver::Instance& indication, const ClassIsA& isA) const;

    struct Condition;

private:
    std::string fromClass_;
    std::shared_ptr<const Condition> where_;  // null: every indication of the class
};

}  // namespace orv::cimxml
