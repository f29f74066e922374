// orv-cimserver started by the benchmark programs as a process of its own,
// so that its memory can be read from /proc and it serves over loopback as
// it serves any client.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace orv::bench {

// orv-cimserver on a free port; stopped with SIGTERM so that it takes the
// provider down in order. A wrapper ("valgrind --tool=callgrind") runs it
// under a tool; its standard error goes to `errorFile` when one is named.
class ServerProcess {
public:
    explicit ServerProcess(std::vector<std::string> arguments, std::vector<std::string> wrapper = {},
                           std::string program = ORV_CIMSERVER, const std::string& errorFile = {}) {
        int output[2];
        if (pipe(output) != 0) throw std::runtime_error("cannot make a pipe");
        arguments.insert(arguments.begin(), program);
        arguments.insert(arguments.end(), {"--port", "0"});
        arguments.insert(arguments.begin(), wrapper.begin(), wrapper.end());
        pid_ = fork();
        if (pid_ < 0) throw std::runtime_error("cannot start orv-cimserver");
        if (pid_ == 0) {
            dup2(output[1], STDOUT_FILENO);
            if (!errorFile.empty()) {
                const int errors = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                if (errors >= 0) dup2(errors, STDERR_FILENO);
            }
            close(output[0]);
            close(output[1]);
            std::vector<char*> argv;
            for (auto& argument : arguments) argv.push_back(argument.data());
            argv.push_back(nullptr);
            execvp(argv.front(), argv.data());
            _exit(127);
        }
        close(output[1]);
        // It prints "orv-cimserver listening on ADDRESS:PORT" once it listens.
        std::string line;
        char c = 0;
        while (read(output[0], &c, 1) == 1 && c != '\n') line += c;
        close(output[0]);
        const auto colon = line.rfind(':');
        if (line.find("listening on") == std::string::npos || colon == std::string::npos) {
            stop();
            throw std::runtime_error("orv-cimserver did not start: " + line);
        }
        port_ = std::stoi(line.substr(colon + 1));
    }
    ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return port_; }
    pid_t pid() const { return pid_; }

    // The wait status of a server that ended by itself (a crash), or
    // nothing while it runs.
    std::optional<int> ended() {
        if (pid_ <= 0) return status_;
        if (waitpid(pid_, &status_.emplace(), WNOHANG) != pid_) {
            status_.reset();
            return std::nullopt;
        }
        pid_ = -1;
        return status_;
    }

    // Stops a running server; answers its wait status (of the end it came
    // to by itself when it had already ended).
    int stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, &status_.emplace(), 0);
            pid_ = -1;
        }
        return status_.value_or(0);
    }

private:

    pid_t pid_ = -1;
    int port_ = 0;
    std::optional<int> status_;
};

}  // namespace orv::bench
