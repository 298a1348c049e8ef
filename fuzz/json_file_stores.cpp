// The SDK's JSON file stores reading a file as left on disk (input: one byte choosing the store,
// then the file's bytes). A file the store cannot read makes it report itself corrupt with a
// `VelmoraError`; a file it reads, written back by saving what it read, reads again the same.
#include "velmora/json_file_stores.hpp"
#include "fuzz_support.hpp"
#include "scratch_dir.hpp"
#include "velmora/error.hpp"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>

using namespace velmora;
namespace asio = boost::asio;

namespace {

const std::string kScope = "account-a";

void run(asio::awaitable<void> operation) {
    asio::io_context io;
    asio::co_spawn(io, std::move(operation), [](std::exception_ptr failure) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    });
    io.run();
}

template <class Store> asio::awaitable<void> readScoped(std::filesystem::path file) {
    using Record = typename decltype(std::declval<Store&>().load(kScope))::value_type::value_type;
    std::optional<Record> first;
    try {
        Store store(file);
        first = co_await store.load(kScope);
        if (!first) {
            co_return;
        }
        if constexpr (std::is_same_v<Record, VelmoraSession>) {
            co_await store.save(*first, kScope);
        } else {
            co_await store.save(*first);
        }
    } catch (const VelmoraError&) {
        co_return;
    }
    Store again(file);
    fuzz::check(co_await again.load(kScope) == first, "a saved record reads back the same");
}

asio::awaitable<void> readOutbox(std::filesystem::path file) {
    std::vector<VelmoraOutboxEntry> first;
    try {
        VelmoraJSONFileOutboxStore store(file);
        first = co_await store.load();
        for (const auto& entry : first) {
            co_await store.save(entry);
        }
    } catch (const VelmoraError&) {
        co_return;
    }
    VelmoraJSONFileOutboxStore again(file);
    fuzz::check(co_await again.load() == first, "saved entries read back the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto file = fuzz::scratchFile("store.json", fuzz::asText(data + 1, size - 1));
    switch (data[0] % 5) {
    case 0:
        run(readOutbox(file));
        break;
    case 1:
        run(readScoped<VelmoraJSONSessionStore>(file));
        break;
    case 2:
        run(readScoped<VelmoraJSONPendingSessionStartStore>(file));
        break;
    case 3:
        run(readScoped<VelmoraJSONPendingAttachmentStore>(file));
        break;
    default:
        run(readScoped<VelmoraJSONPendingAttachmentOperationStore>(file));
        break;
    }
    return 0;
}
