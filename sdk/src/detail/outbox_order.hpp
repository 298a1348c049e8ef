#pragma once

#include "velmora/durable_records.hpp"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::detail {

// The outbox keeps its entries in the order they were first saved. `createdAt` has whole
// seconds, so messages queued within one second share it: only a stable sort over a defined
// order flushes them in the order they were sent.

inline void upsertOutboxEntry(std::vector<VelmoraOutboxEntry>& entries, VelmoraOutboxEntry entry) {
    auto found = std::find_if(entries.begin(), entries.end(),
                              [&](const VelmoraOutboxEntry& e) { return e.id == entry.id; });
    if (found != entries.end()) {
        *found = std::move(entry);
    } else {
        entries.push_back(std::move(entry));
    }
}

inline void eraseOutboxEntry(std::vector<VelmoraOutboxEntry>& entries, std::string_view id) {
    std::erase_if(entries, [&](const VelmoraOutboxEntry& e) { return e.id == id; });
}

inline std::vector<VelmoraOutboxEntry> sortedByCreatedAt(std::vector<VelmoraOutboxEntry> entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const VelmoraOutboxEntry& a, const VelmoraOutboxEntry& b) {
                         return a.createdAt < b.createdAt;
                     });
    return entries;
}

} // namespace velmora::detail
