// CMPI objects as a CIM server could hand them to the provider, built from
// fuzzed values through our broker: paths with keys of every type (nulls,
// arrays, references within references, strings without characters,
// malformed datetimes), instances and method arguments. Each is converted to
// the framework's model and back, as the adapter does for every request.
// Conversions may refuse with a CIM error; they may not crash, and the way
// back must keep what the way in read.
#include "Broker.h"
#include "CIMException.h"
#include "CMPIHelper.h"
#include "FuzzInput.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

using namespace orv::cmpiserver;
using orv::cim::adap::cmpi::CMPIHelper;
using orv::cim::fwf::CIMArgumentList;
using orv::cim::fwf::CIMException;
using orv::cim::fwf::CIMInstance;
using orv::cim::fwf::CIMObjectPath;
using orv::fuzz::FuzzInput;

namespace {

constexpr int kMaxDepth = 2;

const CMPIType kElementTypes[] = {CMPI_boolean, CMPI_char16, CMPI_uint8,  CMPI_uint16, CMPI_uint32,
                                  CMPI_uint64,  CMPI_sint8,  CMPI_sint16, CMPI_sint32, CMPI_sint64,
                                  CMPI_real32,  CMPI_real64, CMPI_string, CMPI_dateTime, CMPI_ref,
                                  CMPI_instance, CMPI_chars};

// Names the conversions and the provider look for, and some they do not.
const char* const kNames[] = {"DeviceID", "SystemName", "CreationClassName", "Name", "InstanceID",
                              "ElementName", "Job", "TheElement", "Goal", "Size", ""};

ObjectPath fuzzPath(FuzzInput& in, int depth);
Instance fuzzInstance(FuzzInput& in, int depth);

std::string fuzzName(FuzzInput& in) { return in.flag() ? std::string(in.pick(kNames)) : in.text(12); }

Value fuzzElement(FuzzInput& in, CMPIType type, int depth) {
    switch (type) {
    case CMPI_boolean: return Value::boolean(in.flag());
    case CMPI_char16: return Value::char16(in.integer<std::uint16_t>());
    case CMPI_uint8:
    case CMPI_uint16:
    case CMPI_uint32:
    case CMPI_uint64: return Value::unsignedInteger(type, in.integer<std::uint64_t>());
    case CMPI_sint8:
    case CMPI_sint16:
    case CMPI_sint32:
    case CMPI_sint64: return Value::signedInteger(type, in.integer<std::int64_t>());
    case CMPI_real32:
    case CMPI_real64: return Value::real(type, in.integer<double>());
    case CMPI_dateTime: return Value::dateTime(in.flag() ? "20240131123456.000000+060" : in.text(26));
    case CMPI_ref: return depth < kMaxDepth ? Value::reference(fuzzPath(in, depth + 1)) : Value::null(type);
    case CMPI_instance: return depth < kMaxDepth ? Value::instance(fuzzInstance(in, depth + 1)) : Value::null(type);
    default: return in.below(4) == 0 ? Value::stringWithoutChars() : Value::string(in.text());
    }
}

Value fuzzValue(FuzzInput& in, int depth) {
    const CMPIType type = in.pick(kElementTypes);
    switch (in.below(4)) {
    case 0: return Value::null(in.flag() ? type : static_cast<CMPIType>(type | CMPI_ARRAY));
    case 1: {
        std::vector<Value> elements(in.below(4));
        for (Value& element : elements) element = in.below(5) == 0 ? Value::null(type) : fuzzElement(in, type, depth);
        return Value::array(type, std::move(elements));
    }
    default: return fuzzElement(in, type, depth);
    }
}

std::vector<NamedValue> fuzzNamedValues(FuzzInput& in, int depth, unsigned most) {
    std::vector<NamedValue> values(in.below(most + 1));
    for (NamedValue& value : values) {
        value.name = fuzzName(in);
        value.value = fuzzValue(in, depth);
    }
    return values;
}

ObjectPath fuzzPath(FuzzInput& in, int depth) {
    ObjectPath path;
    path.host = in.flag() ? in.text(8) : std::string();
    path.nameSpace = in.flag() ? "root/orv/Ambrix/smi_14" : in.text(16);
    path.className = in.flag() ? "ORV_StorageVolume" : in.text(16);
    path.keys = fuzzNamedValues(in, depth, 4);
    return path;
}

Instance fuzzInstance(FuzzInput& in, int depth) {
    Instance instance;
    instance.path = fuzzPath(in, depth);
    instance.properties = fuzzNamedValues(in, depth, 6);
    return instance;
}

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

// The framework's objects back to CMPI, read again by the server.
void convertBack(Broker& broker, const CIMObjectPath& path, const CIMInstance& instance,
                 const CIMArgumentList& arguments, const std::vector<std::string>& filter) {
    const CMPIBroker* mb = broker.cmpi();
    const ObjectPath back = readObjectPath(CMPIHelper::FrameworkObjectPathToCMPIObjectPath(path, mb));
    if (back.className != path.getClassName())
        fault("class name changed on the way back: " + path.getClassName() + " -> " + back.className);

    std::vector<const char*> names;
    for (const std::string& name : filter) names.push_back(name.c_str());
    names.push_back(nullptr);
    readInstance(CMPIHelper::FrameworkInstanceToCMPIInstance(instance, mb, filter.empty() ? nullptr : names.data()));

    CMPIArgs* out = broker.newArgs();
    CMPIHelper::FrameworkArgsToCMPIArgs(arguments, out, mb);
    readArgs(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Broker broker;
    FuzzInput in(data, size);
    const ObjectPath path = fuzzPath(in, 0);
    const Instance instance = fuzzInstance(in, 0);
    const ArgumentList arguments = fuzzNamedValues(in, 0, 6);
    std::vector<std::string> filter(in.below(3));
    for (std::string& name : filter) name = fuzzName(in);

    RequestScope request(broker, "root/orv/Ambrix/smi_14");
    CMPIObjectPath* cmpiPath = nullptr;
    CMPIInstance* cmpiInstance = nullptr;
    CMPIArgs* cmpiArguments = nullptr;
    try {
        cmpiPath = broker.newObjectPath(path);
        cmpiInstance = broker.newInstance(instance);
        cmpiArguments = broker.newArgs(arguments);
    } catch (const std::invalid_argument&) {
        return 0;  // the stand-in server refuses to build it; no server would send it
    }

    try {
        const CIMObjectPath frameworkPath = CMPIHelper::CMPIObjectPathToFrameworkObjectPath(cmpiPath, true);
        if (frameworkPath.getClassName() != path.className.c_str())
            fault("class name changed on the way in: " + path.className + " -> " + frameworkPath.getClassName());
        CIMInstance frameworkInstance(CMPIHelper::CMPIObjectPathToFrameworkObjectPath(cmpiPath, false));
        CMPIHelper::CMPIInstanceToFrameworkInstance(cmpiInstance, frameworkInstance);
        CMPIStatus status{CMPI_RC_OK, nullptr};
        const CIMArgumentList frameworkArguments = CMPIHelper::CMPIArgsToFrameworkArgs(cmpiArguments, &status);
        convertBack(broker, frameworkPath, frameworkInstance, frameworkArguments, filter);
    } catch (const CIMException&) {
        // A refusal the adapter turns into a CMPI status.
    }
    return 0;
}
