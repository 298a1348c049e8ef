// The widget's drafts file as left on disk: read by a store, and one draft read on its own. A
// file the store cannot decode is set aside and the store starts empty; a draft it holds, saved
// back, reads again the same from a new store.
#include "fuzz_support.hpp"
#include "offline_client.hpp"
#include "scratch_dir.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/ui/widget_draft_store.hpp"

using namespace velmora;

namespace {

const VelmoraClient& client() {
    static fuzz::OfflineClient offline("{}");
    return offline.client;
}

void savesAndReadsBack(const std::filesystem::path& file, const VelmoraWidgetDraftState& state) {
    VelmoraWidgetDraftStore store(file);
    if (store.save(state, client())) {
        return;
    }
    VelmoraWidgetDraftStore again(file);
    const auto read = again.state(client());
    fuzz::check(!again.persistenceError(), "a saved drafts file reads back");
    if (state.text.empty() && state.attachments.empty()) {
        fuzz::check(!read, "an empty draft is cleared");
    } else {
        fuzz::check(read == state, "a saved draft reads back the same");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bytes = fuzz::asText(data, size);
    const auto file = fuzz::scratchFile("widget-drafts.json", bytes);
    {
        VelmoraWidgetDraftStore store(file);
        if (const auto state = store.state(client())) {
            savesAndReadsBack(file, *state);
        }
    }
    try {
        const auto state = decodeWidgetDraftState(bytes);
        fuzz::check(decodeWidgetDraftState(encodeJSON(state)) == state,
                    "a draft's JSON reads back the same");
        savesAndReadsBack(fuzz::scratchPath("widget-drafts.json"), state);
    } catch (const VelmoraDecodingError&) {
    } catch (const VelmoraError&) {
    }
    return 0;
}
