// Recovery of attachment work after the process that started it was killed: a client runs in a
// child process on JSON file stores, is ended with SIGKILL mid-way, and a new child finishes the
// work from the files alone.
#include "velmora/json_file_stores.hpp"
#include "widget_service.hpp"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/use_future.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velmora::testing {
namespace {

using namespace std::chrono_literals;

/// One run of the child client; its output goes to a file.
class ChildClient {
public:
    ChildClient(const std::string& origin, const std::filesystem::path& dir, std::string mode)
        : output_(dir / ("child-" + mode + ".out")) {
        std::vector<std::string> arguments{VELMORA_ATTACHMENT_CLIENT_CHILD, origin, dir.string(),
                                           std::move(mode)};
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            throw std::runtime_error("posix_spawn");
    }
    ~ChildClient() { kill(); }

    void kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    /// The exit status, or nothing when the child has not ended within `timeout`.
    std::optional<int> wait(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(20ms);
        }
        return std::nullopt;
    }

    std::string output() const {
        std::ifstream in(output_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::filesystem::path output_;
    pid_t pid_ = -1;
};

class ClientAttachmentProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("velmora-attachment-process-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        service.start();
    }
    void TearDown() override {
        service.stop();
        std::filesystem::remove_all(dir);
    }

    template <class T> T run(boost::asio::awaitable<T> operation) {
        boost::asio::io_context io;
        auto future = boost::asio::co_spawn(io, std::move(operation), boost::asio::use_future);
        io.run();
        return future.get();
    }
    std::optional<VelmoraPendingAttachmentSend> storedSend() {
        VelmoraJSONPendingAttachmentStore store(dir / "attachments.json");
        return run(store.load("account-a"));
    }
    std::optional<VelmoraPendingAttachmentOperation> storedOperation() {
        VelmoraJSONPendingAttachmentOperationStore store(dir / "operations.json");
        return run(store.load("account-a"));
    }
    /// Waits until the service has recorded a request of `method` whose path satisfies `match`.
    template <class Match> bool awaitRequest(const std::string& method, Match match) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            for (const auto& request : service.requests(method, ""))
                if (match(request.path))
                    return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    std::vector<tools::RecordedRequest> requestsTo(const std::string& method,
                                                   const std::string& suffix) {
        auto all = service.requests(method, "");
        std::erase_if(all, [&](const auto& r) { return !r.path.ends_with(suffix); });
        return all;
    }

    std::filesystem::path dir;
    tools::WidgetService service;
};

TEST_F(ClientAttachmentProcessTest, KilledAfterTheIntentsWereGranted) {
    // The first upload hangs, so the kill lands after the intents were granted and stored.
    tools::Fault hang;
    hang.scope = {"PUT", "/api/widget/v1/uploads/", 1};
    hang.action = tools::Fault::Action::drop;
    hang.delay = 60s;
    service.inject(hang);
    ChildClient first(service.origin(), dir, "send");
    ASSERT_TRUE(awaitRequest("PUT", [](const std::string&) { return true; }));
    first.kill();

    auto send = storedSend();
    ASSERT_TRUE(send);
    ASSERT_EQ(send->uploads.size(), 2u);
    EXPECT_TRUE(send->uploads[0].intent && send->uploads[1].intent);
    EXPECT_FALSE(send->uploads[0].uploaded);
    auto operation = storedOperation();
    ASSERT_TRUE(operation && operation->messageId);

    service.clearFaults();
    service.clearRequests();
    ChildClient second(service.origin(), dir, "retry");
    ASSERT_EQ(second.wait(30s), 0) << second.output();
    EXPECT_EQ(second.output(), "accepted " + *operation->messageId + "\n");
    EXPECT_TRUE(requestsTo("POST", "/attachments/intents").empty());
    auto puts = service.requests("PUT", "");
    ASSERT_EQ(puts.size(), 2u);
    EXPECT_EQ(puts[0].bodyText(), "first file");
    EXPECT_EQ(puts[1].bodyText(), "second");
    EXPECT_EQ(storedSend(), std::nullopt);
    EXPECT_EQ(storedOperation(), std::nullopt);
}

TEST_F(ClientAttachmentProcessTest, ATextWithSurroundingSpacesSurvivesAKillWithIdenticalBytes) {
    // The message is committed, then its answer hangs until the process is killed.
    tools::Fault hang;
    hang.scope = {"POST", "/api/widget/v1/sessions/", 1};
    hang.action = tools::Fault::Action::drop;
    hang.afterCommit = true;
    hang.delay = 60s;
    service.inject(hang);
    ChildClient first(service.origin(), dir, "send");
    ASSERT_TRUE(
        awaitRequest("POST", [](const std::string& p) { return p.ends_with("/messages"); }));
    std::this_thread::sleep_for(200ms);
    first.kill();

    auto operation = storedOperation();
    ASSERT_TRUE(operation);
    EXPECT_EQ(operation->messageId, std::nullopt);
    auto sent = requestsTo("POST", "/messages");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(operation->requestBody, sent[0].body);
    EXPECT_NE(sent[0].bodyText().find(R"("message":"Spaced text")"), std::string::npos);

    service.clearFaults();
    ChildClient second(service.origin(), dir, "retry");
    ASSERT_EQ(second.wait(30s), 0) << second.output();
    sent = requestsTo("POST", "/messages");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].body, sent[0].body);
    EXPECT_EQ(sent[1].header("x-velmora-idempotency-key"), operation->idempotencyKey);
    EXPECT_EQ(service.requests("PUT", "").size(), 2u);
    EXPECT_EQ(storedSend(), std::nullopt);
    EXPECT_EQ(storedOperation(), std::nullopt);
}

} // namespace
} // namespace velmora::testing
