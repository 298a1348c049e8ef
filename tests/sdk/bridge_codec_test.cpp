#include "velmora/bridge_codec.hpp"
#include "velmora/error.hpp"

#include "detail/sha256.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace velmora {
namespace {

using Dictionary = VelmoraHostDictionary;

TEST(VelmoraBridgeCodec, IntegersAreReadLeniently) {
    struct Case {
        const char* name;
        std::optional<VelmoraHostValue> value;
        std::optional<std::int64_t> expected;
    } cases[] = {
        {"missing", std::nullopt, std::nullopt},
        {"signed 5", VelmoraHostValue(5), 5},
        {"signed 0", VelmoraHostValue(0), 0},
        {"signed -3", VelmoraHostValue(-3), -1},
        {"unsigned 7", VelmoraHostValue(7u), 7},
        {"unsigned 2^63 - 1", VelmoraHostValue(std::uint64_t(INT64_MAX)), INT64_MAX},
        {"unsigned 2^63", VelmoraHostValue(std::uint64_t(1) << 63), -1},
        {"floating 5.0", VelmoraHostValue(5.0), 5},
        {"floating -0.0", VelmoraHostValue(-0.0), 0},
        {"floating 5.5", VelmoraHostValue(5.5), -1},
        {"floating -2.0", VelmoraHostValue(-2.0), -1},
        {"floating 2^63", VelmoraHostValue(9223372036854775808.0), -1},
        {"floating infinity", VelmoraHostValue(INFINITY), -1},
        {"floating NaN", VelmoraHostValue(NAN), -1},
        {"boolean", VelmoraHostValue(true), -1},
        {"text 5", VelmoraHostValue("5"), -1},
        {"null", VelmoraHostValue(nullptr), -1},
        {"array", VelmoraHostValue(VelmoraHostValue::Array{}), -1},
    };
    for (const auto& c : cases) {
        Dictionary values{{"other", 1}};
        if (c.value) {
            values.set("n", *c.value);
        }
        EXPECT_EQ(VelmoraBridgeCodec::integer(values, "n"), c.expected) << c.name;
    }
}

TEST(VelmoraBridgeCodec, DurationsAreMillisecondsReadAsSeconds) {
    struct Case {
        const char* name;
        std::optional<VelmoraHostValue> value;
        std::optional<double> expected; // NaN: not a number
    } cases[] = {
        {"missing", std::nullopt, std::nullopt},
        {"250", VelmoraHostValue(250), 0.25},
        {"-500", VelmoraHostValue(-500), -0.5},
        {"unsigned 1500", VelmoraHostValue(1500u), 1.5},
        {"floating 12.5", VelmoraHostValue(12.5), 0.0125},
        {"boolean", VelmoraHostValue(false), NAN},
        {"text", VelmoraHostValue("250"), NAN},
        {"null", VelmoraHostValue(nullptr), NAN},
    };
    for (const auto& c : cases) {
        Dictionary values;
        if (c.value) {
            values.set("d", *c.value);
        }
        const auto result = VelmoraBridgeCodec::duration(values, "d");
        ASSERT_EQ(result.has_value(), c.expected.has_value()) << c.name;
        if (result && std::isnan(*c.expected)) {
            EXPECT_TRUE(std::isnan(*result)) << c.name;
        } else if (result) {
            EXPECT_DOUBLE_EQ(*result, *c.expected) << c.name;
        }
    }
}

TEST(VelmoraBridgeCodec, EnvelopeReadersKeepTextKeysOnly) {
    Dictionary nested{{"apiOrigin", "https://example.com"}};
    nested.set(VelmoraHostValue(1), "numeric key");
    Dictionary envelope{{"config", nested}, {"locale", "en"}};
    envelope.set(VelmoraHostValue(2.5), "dropped");

    EXPECT_EQ(VelmoraBridgeCodec::configValues(envelope),
              (Dictionary{{"apiOrigin", "https://example.com"}}));
    EXPECT_EQ(VelmoraBridgeCodec::operationValues(envelope),
              (Dictionary{{"config", nested}, {"locale", "en"}}));

    const Dictionary flat{{"config", "not a dictionary"}, {"locale", "en"}};
    EXPECT_EQ(VelmoraBridgeCodec::configValues(flat), flat);
}

TEST(VelmoraBridgeCodec, RecordsBecomeDictionariesWithoutAbsentKeys) {
    VelmoraMessage message{"m1",
                           "c1",
                           "inbound",
                           std::nullopt,
                           "Hi",
                           std::nullopt,
                           "2024-01-01T00:00:00Z",
                           "sent",
                           std::vector<VelmoraAttachment>{{}},
                           JSONValue(JSONValue::Object{{"x", nullptr}}),
                           std::nullopt};
    VelmoraSupport support;
    support.state = "ai";
    VelmoraSnapshot snapshot{"s1", "c1", {message}, support, JSONValue(nullptr), std::nullopt, 4};
    const Dictionary encoded = VelmoraBridgeCodec::snapshot(snapshot);
    EXPECT_EQ(VelmoraBridgeCodec::integer(encoded, "conversationRevision"), 4);
    EXPECT_TRUE(encoded.find("procedureAction")->isNull());
    EXPECT_FALSE(encoded.contains("procedureQuickActions"));
    EXPECT_EQ(*encoded.find("support"), VelmoraHostValue(Dictionary{{"state", "ai"}}));
    const auto& m = encoded.find("messages")->ifArray()->at(0);
    const Dictionary expectedMessage{{"id", "m1"},
                                     {"conversationId", "c1"},
                                     {"direction", "inbound"},
                                     {"bodyText", "Hi"},
                                     {"sentAt", "2024-01-01T00:00:00Z"},
                                     {"deliveryStatus", "sent"},
                                     {"attachments", VelmoraHostValue::Array{Dictionary{}}},
                                     {"conversationForm", Dictionary{{"x", nullptr}}}};
    EXPECT_EQ(m, VelmoraHostValue(expectedMessage));

    EXPECT_EQ(VelmoraBridgeCodec::event(event::sessionCleared{}),
              (Dictionary{{"type", "session-cleared"}}));
    EXPECT_EQ(VelmoraBridgeCodec::event(event::loading{VelmoraLoadingState::flushingOutbox}),
              (Dictionary{{"type", "loading"}, {"state", "flushing-outbox"}}));
    const VelmoraError error(VelmoraErrorCode::rateLimited, 429, 3, "rate_limited");
    EXPECT_EQ(VelmoraBridgeCodec::event(event::error{error}),
              (Dictionary{{"type", "error"},
                          {"error", Dictionary{{"code", "rate-limited"},
                                               {"message", "rate_limited"},
                                               {"status", 429},
                                               {"retryAfterSeconds", 3}}}}));
    EXPECT_EQ(VelmoraBridgeCodec::session({"s1", std::nullopt, "tok"}),
              (Dictionary{{"sessionId", "s1"}, {"sessionToken", "tok"}}));
}

class OutboxURL : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_DATA_HOME")) {
            saved_ = old;
        }
        ::setenv("XDG_DATA_HOME", "/data", 1);
    }
    void TearDown() override {
        if (saved_) {
            ::setenv("XDG_DATA_HOME", saved_->c_str(), 1);
        } else {
            ::unsetenv("XDG_DATA_HOME");
        }
    }
    std::optional<std::string> saved_;
};

TEST_F(OutboxURL, NamesTheScopeByItsBase64Text) {
    EXPECT_EQ(VelmoraBridgeCodec::outboxURL("abc"), "/data/Velmora/outbox-YWJj.json");
    // "\xfb\xff" is "+/8=" in standard Base64.
    EXPECT_EQ(VelmoraBridgeCodec::outboxURL("\xfb\xff"), "/data/Velmora/outbox--_8=.json");
}

TEST_F(OutboxURL, ALongScopeIsNamedByItsDigestSoTheNameFits) {
    // 180 bytes give 240 Base64 characters, a name of 252 bytes; 181 bytes give 244, a name of
    // 256 bytes, which no file system here accepts.
    const std::string fits(180, 'x');
    const std::string tooLong(181, 'x');
    EXPECT_EQ(VelmoraBridgeCodec::outboxURL(fits).filename().string().size(), 252u);
    const auto name = VelmoraBridgeCodec::outboxURL(tooLong).filename().string();
    EXPECT_EQ(name, "outbox-sha256-" + detail::sha256Hex(tooLong) + ".json");
    EXPECT_LE(name.size(), 255u);
    EXPECT_NE(VelmoraBridgeCodec::outboxURL(tooLong + "y"), VelmoraBridgeCodec::outboxURL(tooLong));
}

TEST(Sha256, KnownDigests) {
    EXPECT_EQ(detail::sha256Hex(""),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(detail::sha256Hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(detail::sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

} // namespace
} // namespace velmora
