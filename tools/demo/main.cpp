// velmora-demo: one conversation with the widget API through the SDK's public client.

#include "demo_options.hpp"
#include "demo_run.hpp"

#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace velmora::demo;
    DemoOptions options;
    try {
        options = parseDemoOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::cerr << "error: " << error.what() << "\n\n" << demoUsage();
        return 2;
    }
    if (options.help) {
        std::cout << demoUsage();
        return EXIT_SUCCESS;
    }
    return runDemo(options, std::cout, std::cerr);
}
