#pragma once

#include "velmora/models.hpp"

#include <ostream>
#include <set>
#include <string>

namespace velmora::demo {

/// Prints a conversation as it grows: each message once, in the conversation's order, as its
/// author kind (as the service gave it) and its text, and each file the service lists on a
/// message once, as "  attached: NAME (TYPE, N bytes)" (a file uploaded after its message was
/// printed comes on a later line).
class Transcript {
public:
    explicit Transcript(std::ostream& out) : out_(out) {}

    /// Prints the messages of `snapshot` not printed yet.
    void show(const VelmoraSnapshot& snapshot);

private:
    std::ostream& out_;
    std::set<std::string> printed_;
    std::set<std::string> printedAttachments_;
};

} // namespace velmora::demo
