#include "widget_service.hpp"

#include <boost/url/parse.hpp>

#include <algorithm>

namespace velmora::tools {

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (const auto& [key, value] : headers) {
        if (std::equal(key.begin(), key.end(), name.begin(), name.end(),
                       [&](char a, char b) { return lower(a) == lower(b); })) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<std::string> RecordedRequest::queryItem(std::string_view name) const {
    const std::string target = "/?" + query; // the view below refers to it
    auto url = boost::urls::parse_origin_form(target);
    if (!url) {
        return std::nullopt;
    }
    for (auto param : url->params()) {
        if (param.key == name) {
            return std::string(param.value);
        }
    }
    return std::nullopt;
}

} // namespace velmora::tools
