// One message through the client (outbox write to a JSON file, POST, acceptance, outbox
// removal) beside the least a durable send needs: an atomic replace of a file of the outbox's
// size (its two fsyncs) and a raw libcurl POST of the same body to the same local service.
// `ratio` divides the client's time per message by that floor's; `ratio_to_post` by the POST's.
#include "detail/uuid.hpp"
#include "disk_floor.hpp"
#include "velmora/client.hpp"
#include "velmora/json_file_stores.hpp"
#include "widget_service.hpp"

#include <benchmark/benchmark.h>
#include <boost/asio/io_context.hpp>
#include <boost/asio/use_future.hpp>
#include <curl/curl.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

namespace asio = boost::asio;
namespace fs = std::filesystem;
using namespace velmora;

tools::WidgetService::Options quietService() {
    tools::WidgetService::Options options;
    options.assistantDelay.reset(); // no replies: only the send is measured
    return options;
}

std::size_t discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

VelmoraConfiguration benchConfiguration(const std::string& origin) {
    return VelmoraConfiguration(
        origin, "local-demo", "bench", "en", std::nullopt,
        []() -> asio::awaitable<std::string> { co_return "bench-token"; }, 1.0);
}

/// A raw libcurl POST of a message body, on one kept-alive connection.
class RawPoster {
public:
    RawPoster(std::string url, std::string sessionToken)
        : url_(std::move(url)), token_(std::move(sessionToken)), curl_(curl_easy_init()) {
        curl_easy_setopt(curl_, CURLOPT_URL, url_.c_str());
        curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &discard);
    }
    ~RawPoster() { curl_easy_cleanup(curl_); }

    static std::string body(const std::string& key) {
        return R"({"idempotencyKey":")" + key +
               R"(","integrationPublicId":"local-demo","locale":"en","message":"How long does delivery take?","startedAt":"2026-01-01T00:00:00Z"})";
    }

    void post() {
        const std::string key = detail::uuidString();
        const std::string body = RawPoster::body(key);
        curl_slist* headers = nullptr;
        for (std::string h :
             {std::string("Accept: application/json"),
              std::string("Content-Type: application/json"),
              std::string("x-velmora-client: native-v1"),
              std::string("Authorization: Bearer bench-token"),
              "x-velmora-session-token: " + token_, "x-velmora-idempotency-key: " + key}) {
            headers = curl_slist_append(headers, h.c_str());
        }
        curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_perform(curl_);
        curl_slist_free_all(headers);
    }

private:
    std::string url_;
    std::string token_;
    CURL* curl_;
};

// Each iteration sends one message both ways; the counters give the time per message of each
// and their ratio.
void BM_MessageSendAgainstRawPost(benchmark::State& state) {
    tools::WidgetService service(quietService());
    service.start();
    const fs::path dir = fs::temp_directory_path() / ("velmora-bench-" + detail::uuidString());
    asio::io_context io;
    auto work = asio::make_work_guard(io);
    std::thread runner([&] { io.run(); });
    std::chrono::duration<double> clientTime{0};
    std::chrono::duration<double> rawTime{0};
    std::chrono::duration<double> replaceTime{0};
    {
        VelmoraClient client(
            io.get_executor(), benchConfiguration(service.origin()),
            std::make_shared<VelmoraJSONFileOutboxStore>(dir / "outbox.json"),
            std::make_shared<VelmoraJSONPendingSessionStartStore>(dir / "pending-sessions.json"),
            std::make_shared<VelmoraJSONSessionStore>(dir / "sessions.json"),
            std::make_shared<VelmoraJSONPendingAttachmentStore>(dir / "pending-attachments.json"),
            std::make_shared<VelmoraJSONPendingAttachmentOperationStore>(
                dir / "pending-attachment-operations.json"),
            std::make_shared<VelmoraURLSessionTransport>());
        auto session =
            client
                .startSession(VelmoraSessionStartInput{"Benchmark start", {}, {}, {}, {}, {}, {}},
                              asio::use_future)
                .get();
        // An outbox file holding one entry: the body, Base64-encoded, beside its input.
        const std::string entryFile(RawPoster::body(detail::uuidString()).size() * 3, 'x');
        RawPoster raw(service.origin() + "/api/widget/v1/sessions/" + session.sessionId +
                          "/messages?integration=local-demo",
                      session.sessionToken);
        for (auto _ : state) {
            auto t0 = std::chrono::steady_clock::now();
            client
                .sendMessage(
                    VelmoraMessageInput{"How long does delivery take?", {}, {}, {}, {}, {}},
                    asio::use_future)
                .get();
            auto t1 = std::chrono::steady_clock::now();
            bench::replaceAtomically(dir / "raw-outbox.json", entryFile);
            auto t2 = std::chrono::steady_clock::now();
            raw.post();
            auto t3 = std::chrono::steady_clock::now();
            clientTime += t1 - t0;
            replaceTime += t2 - t1;
            rawTime += t3 - t2;
        }
    }
    work.reset();
    runner.join();
    fs::remove_all(dir);
    const double n = static_cast<double>(state.iterations());
    if (n > 0) {
        state.counters["client_us"] = clientTime.count() / n * 1e6;
        state.counters["raw_post_us"] = rawTime.count() / n * 1e6;
        state.counters["replace_us"] = replaceTime.count() / n * 1e6;
        state.counters["ratio"] = clientTime.count() / (rawTime + replaceTime).count();
        state.counters["ratio_to_post"] = clientTime.count() / rawTime.count();
    }
}

} // namespace

BENCHMARK(BM_MessageSendAgainstRawPost)->Unit(benchmark::kMillisecond)->MinTime(2.0);
