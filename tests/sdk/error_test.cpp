#include "velmora/error.hpp"

#include <gtest/gtest.h>

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

} // namespace
} // namespace velmora
