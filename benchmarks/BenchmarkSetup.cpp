#include "BenchmarkSetup.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace orv::bench {

namespace {

std::string readTopologyFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::invalid_argument("cannot read the topology file " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::int64_t positiveNumber(const std::string& option, const std::string& text, std::int64_t smallest) {
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || value < smallest)
        throw std::invalid_argument(option + " needs a whole number of at least " + std::to_string(smallest));
    return value;
}

// The value of `--name=value` when the argument is that option.
bool optionValue(const char* argument, const char* name, std::string& value) {
    const std::size_t length = std::strlen(name);
    if (std::strncmp(argument, name, length) != 0 || argument[length] != '=') return false;
    value = argument + length + 1;
    return true;
}

}  // namespace

Options takeOptions(int& argc, char** argv) {
    Options options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        std::string value;
        if (optionValue(argv[i], "--topology", value)) {
            options.topologyName = value;
        } else if (optionValue(argv[i], "--log-level", value)) {
            options.logLevel = value == "off" ? Options::kLoggingOff
                                              : static_cast<int>(positiveNumber("--log-level", value, 0));
        } else if (optionValue(argv[i], "--iterations", value)) {
            options.iterations = positiveNumber("--iterations", value, 1);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;

    if (options.topologyName == "default")
        options.topologyJson = readTopologyFile(ORV_DEFAULT_TOPOLOGY);
    else if (options.topologyName == "large")
        options.topologyJson = largeTopology();
    else
        options.topologyJson = readTopologyFile(options.topologyName);
    return options;
}

std::string largeTopology(unsigned controllers) {
    constexpr unsigned kDisksPerController = 8;
    std::string json = R"({"interfaceVersion": 2, "controllers": [)";
    for (unsigned c = 0; c < controllers; ++c) {
        json += c == 0 ? "" : ",";
        json += R"({"id": )" + std::to_string(c) + R"(, "enclosure": {}, "battery": {"batteryType": 1}, "disks": [)";
        for (unsigned d = 0; d < kDisksPerController; ++d) {
            json += d == 0 ? "" : ",";
            json += R"({"compPdId": )" + std::to_string(d) + R"(, "slotId": )" + std::to_string(d) + "}";
        }
        // A volume takes its disks for itself, so eight volumes over eight
        // disks leaves one disk to each.
        json += R"(], "volumes": [)";
        for (unsigned v = 0; v < kDisksPerController; ++v) {
            json += v == 0 ? "" : ",";
            json += R"({"vdIndex": )" + std::to_string(v) + R"(, "RAIDLevel": 0, "compPdId": [)" +
                    std::to_string(v) + "]}";
        }
        json += "]}";
    }
    return json + "]}";
}

void prepareInstallation(const orv::test::TestInstallation& installation, const Options& options) {
    const bool on = options.logLevel != Options::kLoggingOff;
    const std::string level = "Level=" + std::to_string(on ? options.logLevel : 0);
    installation.writeLoggerConfig(
        {on ? "Logging=ON" : "Logging=OFF", level, "Levels=", "MaxSizeMB=10", "Mode=OVER_WRITE"});
    installation.installRaidLibrary(VRLIB_PATH, options.topologyJson);
}

benchmark::internal::Benchmark* addBenchmark(const Options& options, const std::string& name,
                                             std::function<void(benchmark::State&)> body) {
    auto* registered = benchmark::RegisterBenchmark(
        name.c_str(), [body = std::move(body)](benchmark::State& state) { body(state); });
    registered->Unit(benchmark::kMicrosecond);
    if (options.iterations > 0) registered->Iterations(options.iterations);
    return registered;
}

int runBenchmarks(int argc, char** argv, const Options& options) {
    benchmark::AddCustomContext("topology", options.topologyName);
    benchmark::AddCustomContext("provider log level", options.logLevel == Options::kLoggingOff
                                                          ? "off"
                                                          : std::to_string(options.logLevel));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace orv::bench
