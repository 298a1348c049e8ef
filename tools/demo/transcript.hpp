#pragma once

#include "velmora/models.hpp"

#include <ostream>
#include <set>
#include <string>

namespace velmora::demo {

/// Prints a conversation as it grows: each message once, in the conversation's order, as its
/// author kind (as the service gave it) and its text, and each file the service lists on a
/// message once, as "  attached: NAME (TYPE, N bytes)".
class Transcript {
public:
    explicit Transcript(std::ostream& out) : out_(out) {}

    /// Prints the messages of `snapshot` not printed yet.
    void show(const VelmoraSnapshot& snapshot);

    /// Until `release`, `show` prints nothing. For a send with files: the service lists them
    /// only once they are uploaded, after the message itself, and a reply may come between.
    void hold() { held_ = true; }
    /// Ends a hold with the conversation as read after the send, so its files are listed under
    /// their message.
    void release(const VelmoraSnapshot& snapshot) {
        held_ = false;
        show(snapshot);
    }

private:
    std::ostream& out_;
    bool held_ = false;
    std::set<std::string> printed_;
    std::set<std::string> printedAttachments_;
};

} // namespace velmora::demo
