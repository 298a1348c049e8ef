#include "velmora/decoding_error.hpp"
#include "velmora/error.hpp"

#include <gtest/gtest.h>

#include <boost/asio/error.hpp>
#include <boost/system/system_error.hpp>

#include <stdexcept>
#include <string>

namespace velmora {
namespace {

TEST(VelmoraErrorCodeTest, RawValuesRoundTripAndRejectNearMisses) {
    for (int i = 0; i <= static_cast<int>(VelmoraErrorCode::unsupported); ++i) {
        auto code = static_cast<VelmoraErrorCode>(i);
        EXPECT_EQ(velmoraErrorCodeFromRawValue(rawValue(code)), code);
    }
    EXPECT_EQ(velmoraErrorCodeFromRawValue("field-invalid"), VelmoraErrorCode::fieldInvalid);
    for (const char* miss : {"field_invalid", "Field-Invalid", " field-invalid", ""}) {
        EXPECT_EQ(velmoraErrorCodeFromRawValue(miss), std::nullopt) << miss;
    }
    EXPECT_EQ(velmoraLoadingStateFromRawValue("flushing-outbox"),
              VelmoraLoadingState::flushingOutbox);
    EXPECT_EQ(velmoraLoadingStateFromRawValue("flushing"), std::nullopt);
}

// Every case of an enumeration travels as the JSON string of its text form and reads back.
template <class E> void expectEveryCaseRoundTrips(E last) {
    for (int i = 0; i <= static_cast<int>(last); ++i) {
        const auto value = static_cast<E>(i);
        const std::string json = encodeJSON(value);
        EXPECT_EQ(json, "\"" + std::string(rawValue(value)) + "\"");
        EXPECT_EQ(decodeJSON<E>(json), value) << json;
    }
}

template <class E> void expectRefused(const char* json, VelmoraDecodingError::Kind kind) {
    try {
        (void)decodeJSON<E>(json);
        ADD_FAILURE() << json << " was accepted";
    } catch (const VelmoraDecodingError& e) {
        EXPECT_EQ(e.kind(), kind) << json;
    }
}

TEST(VelmoraErrorCodeTest, JSONCodingOfEveryCaseOfBothEnumerations) {
    expectEveryCaseRoundTrips(VelmoraErrorCode::unsupported);
    expectEveryCaseRoundTrips(VelmoraLoadingState::flushingOutbox);
    EXPECT_EQ(encodeJSON(VelmoraErrorCode::rateLimited), "\"rate-limited\"");
    EXPECT_EQ(decodeJSON<VelmoraLoadingState>(" \"idle\" "), VelmoraLoadingState::idle);

    using Kind = VelmoraDecodingError::Kind;
    for (const char* json : {R"("rate_limited")", R"("Rate-Limited")", R"(" network")",
                             R"("network ")", R"("")", R"("idle")"}) {
        expectRefused<VelmoraErrorCode>(json, Kind::dataCorrupted);
    }
    for (const char* json : {R"("flushing")", R"("starting_session")", R"("rate-limited")"}) {
        expectRefused<VelmoraLoadingState>(json, Kind::dataCorrupted);
    }
    for (const char* json : {"1", "true", R"(["network"])", R"({"code":"network"})"}) {
        expectRefused<VelmoraErrorCode>(json, Kind::typeMismatch);
    }
    expectRefused<VelmoraErrorCode>("network", Kind::dataCorrupted); // not JSON
}

TEST(VelmoraErrorTest, EqualityComparesAllFourFields) {
    VelmoraError a(VelmoraErrorCode::http, std::nullopt, std::nullopt, "Velmora request failed.");
    VelmoraError b(VelmoraErrorCode::http, std::nullopt, std::nullopt, "Velmora request failed.");
    VelmoraError withDelay(VelmoraErrorCode::http, std::nullopt, 0, "Velmora request failed.");
    VelmoraError withStatus(VelmoraErrorCode::http, 500, std::nullopt, "Velmora request failed.");
    EXPECT_EQ(a, b);
    EXPECT_NE(a, withDelay);
    EXPECT_NE(a, withStatus);
    EXPECT_STREQ(a.what(), "Velmora request failed.");
}

TEST(VelmoraErrorTest, TellsACancellationFromAFailure) {
    EXPECT_TRUE(isCancellation(std::make_exception_ptr(
        boost::system::system_error(boost::asio::error::operation_aborted))));
    EXPECT_FALSE(isCancellation(
        std::make_exception_ptr(boost::system::system_error(boost::asio::error::timed_out))));
    EXPECT_FALSE(isCancellation(std::make_exception_ptr(
        VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt, "Network failed."))));
    EXPECT_FALSE(isCancellation(std::make_exception_ptr(std::runtime_error("x"))));
    EXPECT_FALSE(isCancellation(nullptr));
}

} // namespace
} // namespace velmora
