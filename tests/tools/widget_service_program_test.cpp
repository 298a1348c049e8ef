#include "velmora/transport.hpp"

#include <boost/asio/use_future.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velmora::tools {
namespace {

/// The service program running as a child process, its stdout read through a pipe.
class ServiceProcess {
public:
    explicit ServiceProcess(std::vector<std::string> arguments) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        arguments.insert(arguments.begin(), VELMORA_WIDGET_SERVICE_PROGRAM);
        std::vector<char*> argv;
        for (auto& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        output_ = fds[0];
        if (spawned != 0) {
            close(output_);
            throw std::runtime_error("posix_spawn");
        }
    }

    ~ServiceProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(output_);
    }

    /// The first line of output, waiting at most `timeout`.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        std::string line;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd descriptor{output_, POLLIN, 0};
            if (poll(&descriptor, 1, 50) <= 0) {
                continue;
            }
            char c = 0;
            if (read(output_, &c, 1) != 1) {
                return std::nullopt;
            }
            if (c == '\n') {
                return line;
            }
            line += c;
        }
        return std::nullopt;
    }

    /// Sends `signal` and returns the exit status once the process ended.
    int terminate(int signal) {
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

TEST(WidgetServiceProgramTest, ServesUntilTerminated) {
    for (int signal : {SIGTERM, SIGINT}) {
        ServiceProcess process({"--port", "0", "--integration", "int-prog", "--no-assistant"});
        auto line = process.readLine(std::chrono::seconds(20));
        ASSERT_TRUE(line.has_value());
        const std::string prefix = "listening on http://localhost:";
        ASSERT_TRUE(line->starts_with(prefix)) << *line;
        const std::string origin = line->substr(std::string("listening on ").size());

        VelmoraURLSessionTransport transport;
        VelmoraHTTPRequest fault;
        fault.method = "POST";
        fault.url = origin + "/__velmora/control/faults";
        const std::string body = R"({"action":"fail","status":503,"code":"rate_limited"})";
        fault.body = Data(body.begin(), body.end());
        EXPECT_EQ(transport.send(fault, boost::asio::use_future).get().statusCode, 200);

        VelmoraHTTPRequest config;
        config.url = origin + "/api/widget/v1/config?integration=int-prog";
        config.headers = {{"x-velmora-client", "native-v1"}, {"Authorization", "Bearer t"}};
        EXPECT_EQ(transport.send(config, boost::asio::use_future).get().statusCode, 503);
        EXPECT_EQ(transport.send(config, boost::asio::use_future).get().statusCode, 200);

        const int status = process.terminate(signal);
        EXPECT_TRUE(WIFEXITED(status)) << signal;
        EXPECT_EQ(WEXITSTATUS(status), 0) << signal;
    }
}

TEST(WidgetServiceProgramTest, RefusesUnknownArguments) {
    ServiceProcess process({"--colour", "blue"});
    EXPECT_EQ(process.readLine(std::chrono::seconds(20)), std::nullopt);
    const int status = process.terminate(0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

} // namespace
} // namespace velmora::tools
