#include "velmora/velmora.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

std::string describe(const VelmoraEvent& event) {
    return std::visit(
        Overloaded{
            [](const event::loading& e) { return "loading " + std::string(rawValue(e.value)); },
            [](const event::sessionStarted& e) { return "sessionStarted " + e.value.sessionId; },
            [](const event::snapshot& e) { return "snapshot " + e.value().conversationId; },
            [](const event::messageAccepted& e) { return "messageAccepted " + e.value.status; },
            [](const event::hostActionRequested& e) {
                return "hostActionRequested " + e.value.actionId();
            },
            [](const event::hostActionCancelled& e) {
                return "hostActionCancelled " + e.requestId;
            },
            [](const event::error& e) { return "error " + e.value.message(); },
            [](const event::sessionCleared&) { return std::string("sessionCleared"); },
        },
        event);
}

TEST(VelmoraEventTest, CasesCarryTheirPayloadsInDeclarationOrder) {
    const std::vector<VelmoraEvent> events = {
        event::loading{VelmoraLoadingState::sendingMessage},
        event::sessionStarted{
            decodeJSON<VelmoraSession>(R"({"sessionId":"ses_1","sessionToken":"t"})")},
        event::snapshot{decodeJSON<VelmoraSnapshot>(
            R"({"sessionId":"ses_1","conversationId":"conv_1","messages":[]})")},
        event::messageAccepted{
            decodeJSON<VelmoraAcceptedMessage>(R"({"sessionId":"ses_1","status":"accepted"})")},
        event::hostActionRequested{
            VelmoraHostActionRequest("har_1", "open_settings", {}, {{"stepId", "s1"}})},
        event::hostActionCancelled{"har_1"},
        event::error{VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt,
                                  "The network is unavailable.")},
        event::sessionCleared{},
    };
    const std::vector<std::string> expected = {
        "loading sending-message",
        "sessionStarted ses_1",
        "snapshot conv_1",
        "messageAccepted accepted",
        "hostActionRequested open_settings",
        "hostActionCancelled har_1",
        "error The network is unavailable.",
        "sessionCleared",
    };
    ASSERT_EQ(events.size(), expected.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].index(), i);
        EXPECT_EQ(describe(events[i]), expected[i]);
    }
}

} // namespace
} // namespace velmora
