#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmora::demo {

/// What the demo was asked to do, from its command line.
struct DemoOptions {
    /// The service to talk to; absent: the local widget service, started in-process.
    std::optional<std::string> origin;
    std::string integrationId = "local-demo";
    std::string accountScope = "demo-account";
    std::string locale = "en";
    std::string token = "demo-token";
    /// Where the JSON file stores live; absent: a fresh temporary directory.
    std::optional<std::string> storeDirectory;
    /// The first opens the session, each later one is sent in it.
    std::vector<std::string> messages;
    /// Files sent with the first message, in the order given.
    std::vector<std::string> attachments;
    /// Send nothing new: resume the stored session and flush its outbox.
    bool flush = false;
    /// One JSON operation for the client's dispatcher, run in the stored session (else in one
    /// opened with the first message); only its JSON answer is printed.
    std::optional<std::string> operation;
    bool help = false;
};

/// Reads the arguments after the program name. Throws `std::invalid_argument` with a sentence
/// for the user on an unknown option or a missing value.
DemoOptions parseDemoOptions(const std::vector<std::string>& arguments);

/// The usage text.
std::string demoUsage();

} // namespace velmora::demo
