// What the benchmark programs share: their own command-line options (read
// ahead of Google Benchmark's), the topologies of the simulated RAID library
// they run against, the installation they run in, and the run itself.
#pragma once

#include "TestInstallation.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>

namespace orv::bench {

struct Options {
    std::string topologyName = "default";
    std::string topologyJson;
    // Level line of the provider's logger configuration: 2 writes fatal and
    // error lines only, as a server in service runs; 0 writes everything;
    // kLoggingOff turns the log off.
    static constexpr int kLoggingOff = -1;
    int logLevel = 2;
    // A fixed iteration count for every benchmark, so that instruction
    // counts under callgrind can be compared; 0 lets the library decide.
    std::int64_t iterations = 0;
};

// Reads and removes our options from argv, leaving the rest to Google
// Benchmark:
//   --topology=default | large | <file.json>
//   --log-level=N | off
//   --iterations=N
// Throws std::invalid_argument for a bad value.
Options takeOptions(int& argc, char** argv);

// The largest configuration the library holds: `controllers` controllers
// (at most 32), each with an enclosure, a battery, eight disks and eight
// single-disk RAID 0 volumes.
std::string largeTopology(unsigned controllers = 32);

// Logger configuration at the chosen level and the simulated library with
// the chosen topology in the installation's bin folder.
void prepareInstallation(const orv::test::TestInstallation& installation, const Options& options);

// Registers a benchmark under `name`, timed in microseconds, with the fixed
// iteration count when one was asked for.
benchmark::internal::Benchmark* addBenchmark(const Options& options, const std::string& name,
                                             std::function<void(benchmark::State&)> body);

// Initialises Google Benchmark with what is left of argv, records the
// topology and log level in the report's context, and runs the benchmarks.
// Answers the process exit status.
int runBenchmarks(int argc, char** argv, const Options& options);

}  // namespace orv::bench
