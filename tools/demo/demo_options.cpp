#include "demo_options.hpp"

#include <stdexcept>

namespace velmora::demo {

DemoOptions parseDemoOptions(const std::vector<std::string>& arguments) {
    DemoOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= arguments.size())
                throw std::invalid_argument(name + " needs a value.");
            return arguments[++i];
        };
        if (name == "--origin") {
            options.origin = value();
        } else if (name == "--integration") {
            options.integrationId = value();
        } else if (name == "--account") {
            options.accountScope = value();
        } else if (name == "--locale") {
            options.locale = value();
        } else if (name == "--token") {
            options.token = value();
        } else if (name == "--store") {
            options.storeDirectory = value();
        } else if (name == "--message") {
            options.messages.push_back(value());
        } else if (name == "--attach") {
            options.attachments.push_back(value());
        } else if (name == "--flush") {
            options.flush = true;
        } else if (name == "--operation") {
            options.operation = value();
        } else if (name == "--help" || name == "-h") {
            options.help = true;
        } else {
            throw std::invalid_argument("Unknown option " + name + ".");
        }
    }
    if (options.flush && !options.messages.empty())
        throw std::invalid_argument("--flush sends nothing new: leave out --message.");
    if (options.flush && options.operation)
        throw std::invalid_argument("--flush and --operation cannot be combined.");
    if (!options.attachments.empty() && (options.flush || options.operation))
        throw std::invalid_argument("--attach goes with a message: leave out --flush and "
                                    "--operation.");
    if (options.messages.empty()) {
        options.messages = {"Hello! I would like to know where my order is.",
                            "It is order 1042, placed last Monday."};
    }
    return options;
}

std::string demoUsage() {
    return "usage: velmora-demo [--origin URL --integration ID --account SCOPE --locale L "
           "--token T]\n"
           "                    [--store DIR] [--message TEXT]... [--attach PATH]...\n"
           "                    [--flush | --operation JSON]\n"
           "\n"
           "Without --origin the local widget service runs in-process on a free port.\n"
           "The first message starts a session, each later one is sent in it; after each the\n"
           "demo waits for the assistant and prints the conversation as it grows.\n"
           "--attach PATH sends that file with the first message (at most five files, 10 MiB\n"
           "together, images at most 5 MiB); each file is listed under the message once the\n"
           "service holds it.\n"
           "--store DIR keeps the durable state there (default: a fresh temporary directory);\n"
           "a session stored there is resumed and the messages are sent in it.\n"
           "--flush sends nothing new: it resumes the stored session and sends again what an\n"
           "earlier run left in the outbox.\n"
           "--operation JSON runs one operation of the client's JSON dispatcher, e.g.\n"
           "  '{\"operation\":\"order-detail\",\"orderRef\":\"1001\"}', in the stored session "
           "(else\n"
           "in one opened with the first message) and prints only its JSON answer.\n";
}

} // namespace velmora::demo
