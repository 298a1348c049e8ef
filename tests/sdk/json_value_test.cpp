#include "velmora/decoding_error.hpp"
#include "velmora/json_value.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora {
namespace {

TEST(JSONValueTest, DecodesEachKindAndRoundTrips) {
    auto v = decodeJSON<JSONValue>(R"([1,"1",true,null,{"k":1.5},0,false])");
    const JSONValue expected =
        JSONValue::Array{1.0, "1", true, nullptr, JSONValue::Object{{"k", 1.5}}, 0.0, false};
    EXPECT_EQ(v, expected);
    const auto& array = *v.ifArray();
    EXPECT_EQ(array[0].kind(), JSONValue::Kind::number);
    EXPECT_EQ(array[1].kind(), JSONValue::Kind::string);
    EXPECT_EQ(array[2].kind(), JSONValue::Kind::boolean);
    EXPECT_EQ(array[5].kind(), JSONValue::Kind::number); // 0 is a number, never false
    EXPECT_EQ(decodeJSON<JSONValue>(encodeJSON(v)), v);
    EXPECT_EQ(encodeJSON(v), R"([1,"1",true,null,{"k":1.5},0,false])");
}

TEST(JSONValueTest, EqualityFollowsTheValueRules) {
    const double nan = std::nan("");
    struct Case {
        JSONValue a, b;
        bool equal;
    };
    const Case cases[] = {
        {JSONValue::Object{{"a", 1}, {"b", 2}}, decodeJSON<JSONValue>(R"({"b":2,"a":1})"), true},
        {JSONValue::Array{1, 2}, JSONValue::Array{2, 1}, false},
        {nan, nan, false},
        {0.0, -0.0, true},
        {1, true, false},
        {1, "1", false},
        {JSONValue::Object{}, JSONValue::Array{}, false},
        {JSONValue::Object{}, nullptr, false},
        {"\u00e9", "e\u0301", true}, // canonically equivalent texts
        {JSONValue::Object{{"\u00e9", 1}}, JSONValue::Object{{"e\u0301", 1}}, true},
        {JSONValue::Object{{"\u00e9", 1}}, JSONValue::Object{{"e\u0301", 2}}, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].a == cases[i].b, cases[i].equal) << "case " << i;
    }
}

TEST(JSONValueTest, ObjectsBuiltInAnyOrderEncodeToTheSameBytes) {
    JSONValue::Object first;
    first["zeta"] = 1;
    first["alpha"] = JSONValue::Object{{"y", "/"}, {"x", nullptr}};
    JSONValue::Object second;
    second["alpha"] = JSONValue::Object{{"x", nullptr}, {"y", "/"}};
    second["zeta"] = 1;
    EXPECT_EQ(encodeJSON(JSONValue(first)), encodeJSON(JSONValue(second)));
    EXPECT_EQ(encodeJSON(JSONValue(first)), R"({"alpha":{"x":null,"y":"\/"},"zeta":1})");
}

TEST(JSONValueTest, NonFiniteNumbersCannotBeEncoded) {
    EXPECT_THROW(encodeJSON(JSONValue(JSONValue::Array{std::nan("")})), VelmoraEncodingError);
    EXPECT_THROW(decodeJSON<JSONValue>("[1,"), VelmoraDecodingError);
}

} // namespace
} // namespace velmora
