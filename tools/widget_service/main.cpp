// velmora-widget-service: the local widget service as a program, for the demo and for tests that
// run it as a separate process. Prints "listening on http://localhost:PORT" once it accepts
// connections and serves until SIGINT or SIGTERM.

#include "widget_service.hpp"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string_view>

#include <pthread.h>

namespace {

void usage() {
    std::cerr << "usage: velmora-widget-service [--port N] [--integration ID]... "
                 "[--any-integration] [--bearer-token TOKEN] [--assistant-delay-ms N] "
                 "[--no-assistant]\n";
}

template <class T> bool parseNumber(std::string_view text, T& out) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

int main(int argc, char** argv) {
    velmora::tools::WidgetService::Options options;
    std::uint16_t port = 0;
    bool integrationsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--port" && hasValue) {
            if (!parseNumber(argv[++i], port)) {
                usage();
                return 2;
            }
        } else if (arg == "--integration" && hasValue) {
            if (!integrationsGiven) {
                options.integrations.clear();
                integrationsGiven = true;
            }
            options.integrations.emplace_back(argv[++i]);
        } else if (arg == "--any-integration") {
            options.integrations.clear();
            integrationsGiven = true;
        } else if (arg == "--bearer-token" && hasValue) {
            options.bearerToken = argv[++i];
        } else if (arg == "--assistant-delay-ms" && hasValue) {
            std::int64_t delay = 0;
            if (!parseNumber(argv[++i], delay) || delay < 0) {
                usage();
                return 2;
            }
            options.assistantDelay = std::chrono::milliseconds(delay);
        } else if (arg == "--no-assistant") {
            options.assistantDelay.reset();
        } else {
            usage();
            return 2;
        }
    }

    // Signals are taken synchronously by this thread; every other thread inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    velmora::tools::WidgetService service(std::move(options));
    try {
        service.start(port);
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
    std::cout << "listening on " << service.origin() << std::endl;

    int received = 0;
    sigwait(&signals, &received);
    service.stop();
    return 0;
}
