#include "service_controls.hpp"

#include "detail/base64.hpp"
#include "detail/json.hpp"
#include "detail/text.hpp"

#include <boost/json.hpp>
#include <boost/url/parse.hpp>

#include <stdexcept>

namespace velmora::tools {

namespace json = boost::json;

namespace {

/// A control request the service cannot follow.
struct ControlError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

ServiceAnswer ok(json::object members = {}) {
    json::object body{{"ok", true}};
    for (auto& [key, value] : members) {
        body[key] = std::move(value);
    }
    return {200, velmora::detail::writeJSON(body), "application/json"};
}

json::object bodyObject(const RecordedRequest& request) {
    if (request.body.empty()) {
        return {};
    }
    json::value value;
    try {
        value = velmora::detail::parseJSON(request.bodyText());
    } catch (const std::exception&) {
        throw ControlError("The body is not JSON.");
    }
    if (!value.is_object()) {
        throw ControlError("The body is not a JSON object.");
    }
    return value.as_object();
}

std::optional<std::string> optionalString(const json::object& object, std::string_view key) {
    const auto* value = object.if_contains(key);
    if (!value || value->is_null()) {
        return std::nullopt;
    }
    if (!value->is_string()) {
        throw ControlError("\"" + std::string(key) + "\" must be a string.");
    }
    return std::string(value->as_string());
}

std::optional<std::int64_t> optionalInteger(const json::object& object, std::string_view key) {
    const auto* value = object.if_contains(key);
    if (!value || value->is_null()) {
        return std::nullopt;
    }
    if (value->is_int64()) {
        return value->as_int64();
    }
    if (value->is_uint64() && value->as_uint64() <= static_cast<std::uint64_t>(INT64_MAX)) {
        return static_cast<std::int64_t>(value->as_uint64());
    }
    if (value->is_double()) {
        const double d = value->as_double();
        // Range first: converting an out-of-range double is undefined.
        if (d >= -9.2e18 && d <= 9.2e18 && d == static_cast<double>(static_cast<std::int64_t>(d))) {
            return static_cast<std::int64_t>(d);
        }
    }
    throw ControlError("\"" + std::string(key) + "\" must be an integer.");
}

std::optional<bool> optionalBool(const json::object& object, std::string_view key) {
    const auto* value = object.if_contains(key);
    if (!value || value->is_null()) {
        return std::nullopt;
    }
    if (!value->is_bool()) {
        throw ControlError("\"" + std::string(key) + "\" must be a boolean.");
    }
    return value->as_bool();
}

std::string requiredString(const json::object& object, std::string_view key) {
    auto value = optionalString(object, key);
    if (!value) {
        throw ControlError("\"" + std::string(key) + "\" is required.");
    }
    return *value;
}

Fault::Action actionOf(const std::string& text) {
    using Action = Fault::Action;
    if (text == "none") {
        return Action::none;
    }
    if (text == "fail") {
        return Action::fail;
    }
    if (text == "drop") {
        return Action::drop;
    }
    if (text == "oversize") {
        return Action::oversize;
    }
    if (text == "answer") {
        return Action::answer;
    }
    throw ControlError("Unknown fault action \"" + text + "\".");
}

Fault faultOf(const json::object& body) {
    Fault fault;
    fault.scope.method = optionalString(body, "method");
    fault.scope.pathPrefix = optionalString(body, "pathPrefix").value_or("");
    const auto times = optionalInteger(body, "times").value_or(1);
    if (times < 1 || times > 1'000'000) {
        throw ControlError("\"times\" must be between 1 and 1000000.");
    }
    fault.scope.times = static_cast<int>(times);
    fault.action = actionOf(optionalString(body, "action").value_or("none"));
    const auto delay = optionalInteger(body, "delayMs").value_or(0);
    if (delay < 0 || delay > 600'000) {
        throw ControlError("\"delayMs\" must be between 0 and 600000.");
    }
    fault.delay = std::chrono::milliseconds(delay);
    fault.afterCommit = optionalBool(body, "afterCommit").value_or(false);
    const auto status = optionalInteger(body, "status").value_or(500);
    if (status < 100 || status > 599) {
        throw ControlError("\"status\" must be between 100 and 599.");
    }
    fault.status = static_cast<int>(status);
    fault.code = optionalString(body, "code");
    fault.retryAfterSeconds = optionalInteger(body, "retryAfterSeconds");
    const auto bytes = optionalInteger(body, "bytes").value_or(0);
    if (bytes < 0 || bytes > 256 * 1024 * 1024) {
        throw ControlError("\"bytes\" must be between 0 and 268435456.");
    }
    fault.bytes = static_cast<std::size_t>(bytes);
    fault.chunked = optionalBool(body, "chunked").value_or(false);
    fault.body = optionalString(body, "body").value_or("");
    fault.contentType = optionalString(body, "contentType").value_or("application/json");
    return fault;
}

json::object recordJSON(const RecordedRequest& request) {
    json::array headers;
    for (const auto& [name, value] : request.headers) {
        headers.push_back(json::array{json::string(name), json::string(value)});
    }
    json::object record{{"method", request.method},
                        {"path", request.path},
                        {"query", request.query},
                        {"headers", std::move(headers)},
                        {"bodyBase64", velmora::detail::base64Encode(request.body)}};
    const std::string text = request.bodyText();
    if (velmora::detail::text::isValidUTF8(text)) {
        record["body"] = text;
    }
    return record;
}

std::vector<std::string> segmentsAfterPrefix(const RecordedRequest& request) {
    auto url = boost::urls::parse_origin_form(request.path);
    if (!url) {
        throw ControlError("The path is not valid.");
    }
    std::vector<std::string> segments;
    for (auto segment : url->segments()) {
        segments.push_back(std::string(segment));
    }
    // Drop "__velmora" and "control".
    segments.erase(segments.begin(), segments.begin() + 2);
    return segments;
}

ServiceAnswer dispatch(WidgetService& service, const RecordedRequest& request) {
    const auto segments = segmentsAfterPrefix(request);
    const auto& method = request.method;
    if (segments == std::vector<std::string>{"requests"} && method == "GET") {
        json::array list;
        for (const auto& recorded :
             service.requests(request.queryItem("method").value_or(""),
                              request.queryItem("pathPrefix").value_or(""))) {
            list.push_back(recordJSON(recorded));
        }
        return ok({{"requests", std::move(list)}});
    }
    if (segments == std::vector<std::string>{"requests", "clear"} && method == "POST") {
        service.clearRequests();
        return ok();
    }
    if (segments == std::vector<std::string>{"faults"} && method == "POST") {
        try {
            service.inject(faultOf(bodyObject(request)));
        } catch (const std::invalid_argument& error) {
            throw ControlError(error.what());
        }
        return ok();
    }
    if (segments == std::vector<std::string>{"faults", "clear"} && method == "POST") {
        service.clearFaults();
        return ok();
    }
    if (segments.size() == 3 && segments[0] == "sessions" && method == "POST") {
        const auto body = bodyObject(request);
        try {
            if (segments[2] == "messages") {
                const auto id = service.postServiceMessage(
                    segments[1], optionalString(body, "authorKind").value_or("teammate"),
                    requiredString(body, "text"));
                return ok({{"messageId", id}});
            }
            if (segments[2] == "support") {
                service.setSupportState(segments[1], requiredString(body, "state"));
                return ok();
            }
        } catch (const std::out_of_range&) {
            return {404,
                    velmora::detail::writeJSON(json::object{
                        {"ok", false}, {"error", json::object{{"code", "session_not_found"}}}})};
        }
    }
    return {404, velmora::detail::writeJSON(
                     json::object{{"ok", false}, {"error", json::object{{"code", "not_found"}}}})};
}

} // namespace

ServiceAnswer handleControl(WidgetService& service, const RecordedRequest& request) {
    try {
        return dispatch(service, request);
    } catch (const ControlError& error) {
        return {400, velmora::detail::writeJSON(
                         json::object{{"ok", false},
                                      {"error", json::object{{"code", "field_invalid"},
                                                             {"message", error.what()}}}})};
    }
}

} // namespace velmora::tools
