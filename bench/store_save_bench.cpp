// One save of the JSON file outbox at 1, 100 and 1000 entries, beside writing and syncing a plain
// file of the same size: `save_to_fsync` shows what the store adds to the unavoidable fsync
// (encoding, the temporary file, the rename and the directory sync). `floor_to_fsync` is the
// same ratio for a bare atomic replace of the same bytes: the least any crash-safe save costs.

#include "disk_floor.hpp"
#include "velmora/json_file_stores.hpp"

#include "detail/uuid.hpp"

#include <benchmark/benchmark.h>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/use_future.hpp>

#include <chrono>
#include <filesystem>
#include <string>

namespace {

namespace asio = boost::asio;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void run(asio::io_context& io, asio::awaitable<void> operation) {
    auto future = asio::co_spawn(io, std::move(operation), asio::use_future);
    io.restart();
    io.run();
    future.get();
}

/// A message of typical size: its canonical request body and its input.
velmora::VelmoraOutboxEntry entry(int index) {
    const std::string text = "Message " + std::to_string(index) +
                             ": my order has not arrived yet, could you check where it is?";
    const std::string body = R"({"idempotencyKey":"msg-)" + std::to_string(index) +
                             R"(","startedAt":"2026-01-02T10:00:00Z","text":")" + text +
                             R"(","timeZone":"Europe/Paris"})";
    return {"msg-" + std::to_string(index),
            "account-1",
            "session-1",
            velmora::Data(body.begin(), body.end()),
            {.text = text, .timeZone = "Europe/Paris"},
            "2026-01-02T10:00:00Z",
            0};
}

void BM_OutboxSave(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    const fs::path directory =
        fs::temp_directory_path() / ("velmora-bench-" + velmora::detail::uuidString());
    const fs::path file = directory / "outbox.json";
    {
        asio::io_context io;
        velmora::VelmoraJSONFileOutboxStore outbox(file);
        for (int i = 0; i < count; ++i) {
            run(io, outbox.save(entry(i)));
        }
        const auto size = fs::file_size(file);
        const std::string plain(size, 'x');
        // Saving an entry again replaces it in place, so every save writes `count` entries.
        const auto saved = entry(count - 1);

        Clock::duration storeTime{};
        Clock::duration plainTime{};
        Clock::duration floorTime{};
        for (auto _ : state) {
            const auto start = Clock::now();
            run(io, outbox.save(saved));
            const auto stored = Clock::now();
            velmora::bench::writeAndSync(directory / "plain", plain);
            const auto synced = Clock::now();
            velmora::bench::replaceAtomically(directory / "floor", plain);
            const auto replaced = Clock::now();
            storeTime += stored - start;
            plainTime += synced - stored;
            floorTime += replaced - synced;
            state.SetIterationTime(std::chrono::duration<double>(stored - start).count());
        }
        const double iterations = static_cast<double>(state.iterations());
        state.counters["file_bytes"] = static_cast<double>(size);
        state.counters["plain_fsync_us"] =
            std::chrono::duration<double, std::micro>(plainTime).count() / iterations;
        const double plainSeconds = std::chrono::duration<double>(plainTime).count();
        state.counters["save_to_fsync"] =
            std::chrono::duration<double>(storeTime).count() / plainSeconds;
        state.counters["floor_to_fsync"] =
            std::chrono::duration<double>(floorTime).count() / plainSeconds;
    }
    fs::remove_all(directory);
}

BENCHMARK(BM_OutboxSave)
    ->Arg(1)
    ->Arg(100)
    ->Arg(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace
