// The transcript offscreen at 100, 1,000 and 10,000 messages, each run through the event loop so
// the layout a frame really does is counted:
// - one more message onto N, with that frame's layout and paint (goal: 4 ms at 10,000), the
//   panel's model of the transcript, the transcript's redraw and the frame's events apart;
// - the first draw of an N-message conversation (goal: 50 ms at 10,000), beside a trivial
//   QListView over N rows as its floor;
// - peak memory (RSS) at N, and how many row widgets are alive, at the newest message and at
//   most while scrolling from the first message to the last (rows off screen hold none).
#include "views/transcript.hpp"

#include "fixtures.hpp"

#include <QApplication>
#include <QListView>
#include <QScrollBar>
#include <QStringListModel>
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <malloc.h>
#include <map>
#include <string>

namespace velmora {
namespace {

using namespace detail;
using Clock = std::chrono::steady_clock;

std::vector<VelmoraMessage> conversation(std::size_t count) {
    std::vector<VelmoraMessage> messages;
    messages.reserve(count + 1);
    for (std::size_t i = 0; i < count; ++i)
        messages.push_back(fixtures::message(
            "m" + std::to_string(i), i % 2 ? "outbound" : "inbound", i % 2 ? "ai" : "customer",
            fixtures::sampleText(fixtures::locales[i % 4])));
    return messages;
}

/// What the event loop has queued: posted redraws, layout requests, trimming.
void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

/// The process's resident memory now and at its peak, in MiB.
std::pair<double, double> residentMemory() {
    std::ifstream status("/proc/self/status");
    std::string line;
    double now = 0;
    double peak = 0;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            now = std::stod(line.substr(6)) / 1024;
        else if (line.rfind("VmHWM:", 0) == 0)
            peak = std::stod(line.substr(6)) / 1024;
    }
    return {now, peak};
}

struct Transcript {
    VelmoraWidgetExperience experience = fixtures::experience("en");
    std::shared_ptr<VelmoraPlatformSettings> settings =
        std::make_shared<VelmoraFixedPlatformSettings>();
    std::unique_ptr<TranscriptView> view =
        std::make_unique<TranscriptView>(nullptr, experience, settings);
    std::optional<VelmoraWidgetAvailability> availability;
    std::optional<VelmoraSnapshot> snapshot;
    Transcript() {
        view->resize(380, 700);
        view->show();
        settle();
    }
    /// Milliseconds of the last draw's parts: the panel's model of the transcript, the
    /// transcript's redraw, then the events it queued: layout, trimming and the frame's paint
    /// into the window's backing store.
    double modelMs = 0, applyMs = 0, eventsMs = 0;

    /// One redraw as the panel runs it, then the events it queues up to the painted frame.
    void draw(const std::vector<VelmoraMessage>& messages) {
        const PanelContext context{experience};
        const auto ms = [](Clock::time_point from) {
            return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
        };
        auto start = Clock::now();
        auto model = transcriptModel(
            {messages, availability, false, VelmoraLoadingState::idle, snapshot, false}, context);
        modelMs = ms(start);
        start = Clock::now();
        view->apply(TranscriptState{std::move(model), messages, std::nullopt, std::nullopt,
                                    snapshot, VelmoraLoadingState::idle, true, false, 1,
                                    context.font(12, VelmoraTextStyle::footnote), VelmoraColor{},
                                    VelmoraColor{}});
        applyMs = ms(start);
        start = Clock::now();
        settle();
        eventsMs = ms(start);
    }
};

const std::vector<VelmoraMessage>& sharedConversation(std::size_t count) {
    static std::map<std::size_t, std::vector<VelmoraMessage>> made; // built once per size
    auto& messages = made[count];
    if (messages.empty())
        messages = conversation(count);
    return messages;
}

void BM_TranscriptPeakMemory(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    double growth = 0;
    double peak = 0;
    int liveAtNewest = 0;
    int maxLiveScrolling = 0;
    {
        // Fonts, styles and Qt's own caches come once per process, not per message.
        Transcript warm;
        warm.draw(conversation(50));
    }
    settle();
    for (auto _ : state) {
        malloc_trim(0);
        const double before = residentMemory().first;
        {
            const auto messages = conversation(count);
            Transcript transcript;
            transcript.draw({});
            transcript.draw(messages); // opens at the newest message
            liveAtNewest = transcript.view->liveRowCount();
            // From the first message to the last, a page at a time.
            QScrollBar* bar = transcript.view->verticalScrollBar();
            bar->setValue(0);
            settle();
            while (bar->value() < bar->maximum()) {
                bar->setValue(bar->value() + bar->pageStep());
                settle();
                maxLiveScrolling = std::max(maxLiveScrolling, transcript.view->liveRowCount());
            }
            const auto [now, top] = residentMemory();
            growth = now - before;
            peak = top;
        }
    }
    state.counters["rss_growth_MiB"] = growth;
    state.counters["peak_rss_MiB"] = peak;
    state.counters["live_rows_at_newest"] = liveAtNewest;
    state.counters["live_rows_max_scrolling"] = maxLiveScrolling;
    state.SetLabel("peak is the process's, sizes run in increasing order");
}
// First, so that each size's peak is its own (the process peak only grows).
BENCHMARK(BM_TranscriptPeakMemory)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

/// The floor: a trivial list view over `count` one-line rows, shown and painted once (the best
/// of five).
double listViewFloorMilliseconds(std::size_t count) {
    QStringList rows;
    rows.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i)
        rows.push_back(QString("Message number %1").arg(i));
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        QStringListModel model(rows);
        const auto start = Clock::now();
        QListView list;
        list.setModel(&model);
        list.resize(380, 700);
        list.show();
        settle(); // laid out and painted into its backing store, as the transcript is
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

void BM_TranscriptFirstDraw(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const auto& messages = sharedConversation(count);
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto transcript = std::make_unique<Transcript>();
        transcript->draw({});
        state.ResumeTiming();
        const auto start = Clock::now();
        transcript->draw(messages);
        total += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        state.PauseTiming();
        transcript.reset();
        settle();
        state.ResumeTiming();
    }
    const double ms = total / static_cast<double>(state.iterations());
    const double floor = listViewFloorMilliseconds(count);
    state.counters["ms"] = ms;
    state.counters["floor_QListView_ms"] = floor;
    state.counters["ratio_to_floor"] = ms / floor;
    state.counters["ratio_to_goal_50ms"] = ms / 50;
}
BENCHMARK(BM_TranscriptFirstDraw)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_TranscriptOneMoreMessage(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    auto messages = sharedConversation(count);
    Transcript transcript;
    transcript.draw({});
    transcript.draw(messages); // the reader at the newest message, as a live chat is
    int next = static_cast<int>(count);
    double total = 0;
    double model = 0, apply = 0, events = 0;
    for (auto _ : state) {
        messages.push_back(
            fixtures::message("m" + std::to_string(next++), "outbound", "ai", "One more answer"));
        const auto start = Clock::now();
        transcript.draw(messages);
        total += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        model += transcript.modelMs;
        apply += transcript.applyMs;
        events += transcript.eventsMs;
        state.PauseTiming();
        // Back to N, so every iteration appends to the same length.
        messages.pop_back();
        transcript.draw(messages);
        state.ResumeTiming();
    }
    const double ms = total / static_cast<double>(state.iterations());
    state.counters["ms"] = ms;
    state.counters["ratio_to_goal_4ms"] = ms / 4;
    const auto n = static_cast<double>(state.iterations());
    state.counters["model_ms"] = model / n;
    state.counters["apply_ms"] = apply / n;
    state.counters["layout_and_paint_ms"] = events / n;
    state.counters["live_rows"] = transcript.view->liveRowCount();
}
BENCHMARK(BM_TranscriptOneMoreMessage)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velmora

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
