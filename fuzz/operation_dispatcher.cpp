// The client's JSON operation dispatcher (input: the operation, NUL, the service's answer to
// every request it makes), run in a resumed session against a transport that answers at once.
// The dispatcher refuses what it cannot read with a `VelmoraError`; nothing else may escape.
// Local files are looked for in a home directory of the fuzzer's own, holding one small picture.
#include "fuzz_support.hpp"
#include "offline_client.hpp"
#include "velmora/error.hpp"

#include <filesystem>
#include <fstream>
#include <stdlib.h>

using namespace velmora;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const auto home = std::filesystem::temp_directory_path() / "velmora-fuzz-home";
    std::filesystem::create_directories(home);
    // Typed by its extension, as every attachment is.
    const char picture[] = "\x89PNG\r\n\x1a\n fuzz";
    std::ofstream(home / "photo.png", std::ios::binary).write(picture, sizeof picture - 1);
    if (setenv("HOME", home.c_str(), 1) != 0) {
        fuzz::violated("no home directory for the run");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzz::parts(fuzz::asText(data, size), 2);
    fuzz::OfflineClient offline(input[1].empty() ? "{}" : std::string(input[1]));
    offline.run(
        [](fuzz::OfflineClient& offline, std::string request) -> boost::asio::awaitable<void> {
            co_await offline.sessions->save(
                VelmoraSession{"sess_fuzz", "conv_fuzz", "token_fuzz_0123456789"}, "account-a");
            co_await offline.client.resumeSession();
            offline.transport->resumed();
            try {
                (void)co_await offline.client.performOperation(std::move(request));
            } catch (const VelmoraError&) {
            }
        }(offline, std::string(input[0])));
    return 0;
}
