#include "detail/json.hpp"
#include "detail/json_codec.hpp"
#include "velmora/decoding_error.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmora::detail {
namespace {

using Kind = VelmoraDecodingError::Kind;

TEST(JsonParseTest, RefusesMalformedOrUnsafeInput) {
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"invalid UTF-8 byte", "\"\xff\""},
        {"overlong encoding", "\"\xc0\xaf\""},
        {"lone leading surrogate", R"("\ud800")"},
        {"lone trailing surrogate", R"("\udc00x")"},
        {"comment", "{/* c */}"},
        {"trailing comma", "[1,]"},
        {"trailing garbage", "{} x"},
        {"two documents", "1 2"},
        {"empty", ""},
        {"number overflow", "1e400"},
        {"single quotes", "{'a':1}"},
        {"bare word", "nul"},
    };
    for (const auto& c : cases) {
        try {
            parseJSON(c.text);
            ADD_FAILURE() << c.name << " was accepted";
        } catch (const VelmoraDecodingError& e) {
            EXPECT_EQ(e.kind(), Kind::dataCorrupted) << c.name;
        }
    }
}

TEST(JsonParseTest, DuplicateKeysKeepTheLastValueAndFragmentsFollowTheOption) {
    auto v = parseJSON(R"({"a":1,"b":2,"a":3})");
    EXPECT_EQ(v.as_object().size(), 2u);
    EXPECT_EQ(v.as_object().at("a").as_int64(), 3);

    EXPECT_TRUE(parseJSON("true").is_bool());
    EXPECT_THROW(parseJSON("true", {.allowFragments = false}), VelmoraDecodingError);
    EXPECT_THROW(parseJSON("\"x\"", {.allowFragments = false}), VelmoraDecodingError);
    EXPECT_NO_THROW(parseJSON("[]", {.allowFragments = false}));
}

TEST(JsonParseTest, NestingBeyondTheBoundIsRefusedWithoutExhaustingTheStack) {
    std::string deep(100000, '[');
    EXPECT_THROW(parseJSON(deep), VelmoraDecodingError);
    std::string ok = std::string(500, '[') + std::string(500, ']');
    EXPECT_NO_THROW(parseJSON(ok));
}

TEST(JsonParseTest, DoublesAreCorrectlyRounded) {
    // Values whose nearest double is easy to miss with a fast, inexact conversion.
    for (const char* text : {"0.1", "2.2250738585072011e-308", "9007199254740993.0",
                             "1.7976931348623157e308", "0.30000000000000004", "123456.789e3"}) {
        double expected = std::strtod(text, nullptr);
        EXPECT_EQ(parseJSON(text).as_double(), expected) << text;
    }
}

TEST(JsonWriteTest, WritesTheSystemForm) {
    struct Case {
        json::value value;
        std::string expected;
    };
    json::object o;
    o["z"] = 1;
    o["a"] = "x/y";
    const Case cases[] = {
        {json::value("a/b\"\\"), R"("a\/b\"\\")"},
        {json::value("\n\t\b\f\r\x01\x1f\x7f"), R"("\n\t\b\f\r\u0001\u001f)"
                                                "\x7f\""},
        {json::value("é😀\u2028"), "\"é😀\u2028\""},
        {json::value(2.0), "2"},
        {json::value(-3.0), "-3"},
        {json::value(9007199254740992.0), "9007199254740992"},
        {json::value(18014398509481984.0), "18014398509481984"}, // beyond 2^53: shortest form
        {json::value(0.1), "0.1"},
        {json::value(1e20), "1e+20"},
        {json::value(-0.0), "-0.0"}, // "-0" would read back as the integer 0
        {json::value(std::int64_t{-9223372036854775807 - 1}), "-9223372036854775808"},
        {json::value(std::uint64_t{18446744073709551615u}), "18446744073709551615"},
        {json::value(o), R"({"z":1,"a":"x\/y"})"},
        {json::value(json::array{nullptr, true, false, json::array{}, json::object{}}),
         "[null,true,false,[],{}]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(writeJSON(c.value), c.expected);
    }
}

TEST(JsonWriteTest, WrittenNumbersReadBackToTheSameBytes) {
    // Canonical bytes are compared across runs: writing what was read must change nothing.
    for (double d : {-0.0, 0.0, -3.0, 0.1, -2.5e-300, 1e20, 9007199254740992.0, 18014398509481984.0,
                     -1.7976931348623157e308, 5e-324}) {
        const std::string once = writeJSON(json::array{d});
        const json::value read = parseJSON(once);
        EXPECT_EQ(writeJSON(read), once) << once;
        const double back = read.as_array()[0].to_number<double>();
        EXPECT_EQ(back, d) << once;
        EXPECT_EQ(std::signbit(back), std::signbit(d)) << once;
    }
}

TEST(JsonWriteTest, WritesNothingNestedDeeperThanTheReaderReads) {
    auto nested = [](std::size_t depth) {
        json::value value = 1;
        for (std::size_t i = 0; i < depth; ++i) {
            value = i % 2 ? json::value(json::object{{"k", std::move(value)}})
                          : json::value(json::array{std::move(value)});
        }
        return value;
    };
    const std::string deepest = writeJSON(nested(kMaxJSONDepth));
    EXPECT_EQ(writeJSON(parseJSON(deepest)), deepest);
    EXPECT_THROW(writeJSON(nested(kMaxJSONDepth + 1)), VelmoraEncodingError);
    EXPECT_THROW(
        parseJSON(std::string(kMaxJSONDepth + 1, '[') + std::string(kMaxJSONDepth + 1, ']')),
        VelmoraDecodingError);
}

TEST(JsonWriteTest, NonFiniteNumbersAreAnEncodingError) {
    for (double d :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(writeJSON(json::array{1, d}), VelmoraEncodingError);
    }
}

TEST(JsonWriteTest, CanonicalFormSortsKeysAtEveryLevelAndIsStable) {
    auto a = parseJSON(R"({"b":{"y":1,"x":[{"d":1,"c":2}]},"a":"/"})");
    auto b = parseJSON(R"({"a":"/","b":{"x":[{"c":2,"d":1}],"y":1}})");
    EXPECT_EQ(canonicalJSON(a), R"({"a":"\/","b":{"x":[{"c":2,"d":1}],"y":1}})");
    EXPECT_EQ(canonicalJSON(a), canonicalJSON(b));
    // Writing what was parsed gives the same bytes again.
    auto once = canonicalJSON(a);
    EXPECT_EQ(canonicalJSON(parseJSON(once)), once);
}

TEST(JsonCodecTest, IntegersMustBeWholeAndInRange) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> expected;
        Kind failure = Kind::dataCorrupted;
    };
    const Case cases[] = {
        {"5", 5},
        {"5.0", 5},
        {"1e2", 100},
        {"-9223372036854775808", INT64_MIN},
        {"9223372036854775807", INT64_MAX},
        {"9223372036854775808", std::nullopt},
        {"9223372036854775808.0", std::nullopt}, // exactly 2^63 as a double
        {"-9223372036854775809.0", INT64_MIN},   // rounds to -2^63, which fits
        {"1e19", std::nullopt},
        {"-1e19", std::nullopt},
        {"5.5", std::nullopt},
        {"true", std::nullopt, Kind::typeMismatch},
        {"\"5\"", std::nullopt, Kind::typeMismatch},
    };
    for (const auto& c : cases) {
        auto value = parseJSON(c.text);
        if (c.expected) {
            EXPECT_EQ(Codec<std::int64_t>::decode(value, "n"), *c.expected) << c.text;
            continue;
        }
        try {
            Codec<std::int64_t>::decode(value, "n");
            ADD_FAILURE() << c.text << " was accepted";
        } catch (const VelmoraDecodingError& e) {
            EXPECT_EQ(e.kind(), c.failure) << c.text;
            EXPECT_EQ(e.path(), "n");
        }
    }
}

TEST(JsonCodecTest, ObjectReaderTellsMissingNullAndWrongTypeApart) {
    auto doc = parseJSON(R"({"s":"x","n":null,"i":"7","nested":{"list":[1,"two"]}})");
    ObjectReader reader(doc, "");
    EXPECT_EQ(reader.required<std::string>("s"), "x");
    EXPECT_EQ(reader.optional<std::string>("n"), std::nullopt);
    EXPECT_EQ(reader.optional<std::string>("absent"), std::nullopt);

    auto kindOf = [&](auto&& f) {
        try {
            f();
        } catch (const VelmoraDecodingError& e) {
            return std::make_pair(e.kind(), e.path());
        }
        return std::make_pair(Kind::dataCorrupted, std::string("no error"));
    };
    EXPECT_EQ(kindOf([&] { reader.required<std::string>("absent"); }),
              std::make_pair(Kind::keyNotFound, std::string("absent")));
    EXPECT_EQ(kindOf([&] { reader.required<std::string>("n"); }),
              std::make_pair(Kind::valueNotFound, std::string("n")));
    EXPECT_EQ(kindOf([&] { reader.optional<std::int64_t>("i"); }),
              std::make_pair(Kind::typeMismatch, std::string("i")));
    ObjectReader nested(doc.as_object().at("nested"), "nested");
    EXPECT_EQ(kindOf([&] { nested.required<std::vector<std::int64_t>>("list"); }),
              std::make_pair(Kind::typeMismatch, std::string("nested.list[1]")));
    EXPECT_THROW(ObjectReader(parseJSON("[]"), ""), VelmoraDecodingError);
}

TEST(JsonCodecTest, WriterKeepsOrderAndLeavesAbsentOptionalsOut) {
    ObjectWriter w;
    std::optional<std::string> none;
    std::optional<std::int64_t> some = 3;
    w.field("z", std::string("1")).field("gone", none).field("a", some).field("b", true);
    EXPECT_EQ(writeJSON(w.take()), R"({"z":"1","a":3,"b":true})");
}

} // namespace
} // namespace velmora::detail
