#pragma once

#include "velmora/ui/observation.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace velmora {

/// Observers of changes keyed by `Key` (an enumeration of properties). An observer follows one
/// key or all of them. Notifying calls, in registration order, every observer registered when
/// the notification started and still registered when its turn comes; observers may register
/// or cancel observers (themselves included) and may call back into the owner meanwhile.
/// Single-threaded: the owner's executor serialises every call.
template <class Key> class VelmoraObserverList {
public:
    using Callback = std::function<void(Key)>;

    VelmoraObserverList() : entries_(std::make_shared<Entries>()) {}
    VelmoraObserverList(const VelmoraObserverList&) = delete;
    VelmoraObserverList& operator=(const VelmoraObserverList&) = delete;

    [[nodiscard]] VelmoraObservation observe(std::optional<Key> key, Callback callback) {
        const std::uint64_t id = ++entries_->lastId;
        entries_->items.push_back(Entry{id, key, std::make_shared<Callback>(std::move(callback))});
        return VelmoraObservation([weak = std::weak_ptr<Entries>(entries_), id] {
            if (auto entries = weak.lock()) {
                entries->remove(id);
            }
        });
    }

    void notify(Key key) {
        const auto entries = entries_; // the list may be dropped by an observer
        const std::size_t count = entries->items.size();
        ++entries->depth;
        struct Leave {
            Entries& entries;
            ~Leave() { entries.leave(); }
        } leave{*entries};
        for (std::size_t i = 0; i < count && i < entries->items.size(); ++i) {
            const Entry& entry = entries->items[i];
            if (!entry.callback || (entry.key && *entry.key != key)) {
                continue;
            }
            const auto callback = entry.callback; // kept alive while it runs
            (*callback)(key);
        }
    }

    std::size_t size() const {
        std::size_t live = 0;
        for (const auto& entry : entries_->items) {
            live += entry.callback ? 1 : 0;
        }
        return live;
    }

private:
    struct Entry {
        std::uint64_t id;
        std::optional<Key> key;
        std::shared_ptr<Callback> callback; // null once removed
    };
    struct Entries {
        std::vector<Entry> items;
        std::uint64_t lastId = 0;
        int depth = 0;
        bool removedWhileNotifying = false;

        void remove(std::uint64_t id) {
            for (auto it = items.begin(); it != items.end(); ++it) {
                if (it->id == id) {
                    if (depth > 0) {
                        // Indices stay valid while notifications run; compacted afterwards.
                        it->callback.reset();
                        removedWhileNotifying = true;
                    } else {
                        items.erase(it);
                    }
                    return;
                }
            }
        }
        void leave() {
            if (--depth == 0 && removedWhileNotifying) {
                removedWhileNotifying = false;
                std::erase_if(items, [](const Entry& e) { return !e.callback; });
            }
        }
    };
    std::shared_ptr<Entries> entries_;
};

} // namespace velmora
