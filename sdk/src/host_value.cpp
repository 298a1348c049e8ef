#include "velmora/host_value.hpp"

#include <algorithm>

namespace velmora {

VelmoraHostDictionary::VelmoraHostDictionary() = default;

VelmoraHostDictionary::VelmoraHostDictionary(
    std::initializer_list<std::pair<std::string, VelmoraHostValue>> entries) {
    for (const auto& [key, value] : entries) {
        set(key, value);
    }
}

const VelmoraHostValue* VelmoraHostDictionary::find(std::string_view key) const {
    for (const auto& [k, v] : entries_) {
        if (const auto* text = k.ifString(); text && *text == key) {
            return &v;
        }
    }
    return nullptr;
}

void VelmoraHostDictionary::set(VelmoraHostValue key, VelmoraHostValue value) {
    for (auto& entry : entries_) {
        if (entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    }
    entries_.emplace_back(std::move(key), std::move(value));
}

void VelmoraHostDictionary::erase(std::string_view key) {
    std::erase_if(entries_, [&](const Entry& entry) {
        const auto* text = entry.first.ifString();
        return text && *text == key;
    });
}

bool operator==(const VelmoraHostDictionary& a, const VelmoraHostDictionary& b) {
    // Entry order carries no meaning.
    return a.entries_.size() == b.entries_.size() &&
           std::all_of(a.entries_.begin(), a.entries_.end(), [&](const auto& entry) {
               return std::any_of(b.entries_.begin(), b.entries_.end(),
                                  [&](const auto& other) { return other == entry; });
           });
}

} // namespace velmora
