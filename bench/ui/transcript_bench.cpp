// The transcript offscreen: the first draw of 1000 messages, and one more message arriving
// (goal: redrawn within one 16 ms frame).
#include "views/transcript.hpp"

#include "fixtures.hpp"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace velmora {
namespace {

using namespace detail;

std::vector<VelmoraMessage> conversation(std::size_t count) {
    std::vector<VelmoraMessage> messages;
    for (std::size_t i = 0; i < count; ++i)
        messages.push_back(fixtures::message(
            "m" + std::to_string(i), i % 2 ? "outbound" : "inbound", i % 2 ? "ai" : "customer",
            fixtures::sampleText(fixtures::locales[i % 4])));
    return messages;
}

struct Transcript {
    VelmoraWidgetExperience experience = fixtures::experience("en");
    std::shared_ptr<VelmoraPlatformSettings> settings =
        std::make_shared<VelmoraFixedPlatformSettings>();
    std::unique_ptr<TranscriptView> view =
        std::make_unique<TranscriptView>(nullptr, experience, settings);
    std::optional<VelmoraWidgetAvailability> availability;
    std::optional<VelmoraSnapshot> snapshot;
    QImage frame{380, 700, QImage::Format_ARGB32_Premultiplied};

    Transcript() {
        view->resize(380, 700);
        view->show();
    }
    /// One redraw as the panel runs it, then the visible frame painted.
    void draw(const std::vector<VelmoraMessage>& messages) {
        const PanelContext context{experience};
        view->apply(TranscriptState{
            transcriptModel(
                {messages, availability, false, VelmoraLoadingState::idle, snapshot, false},
                context),
            messages, std::nullopt, std::nullopt, snapshot, VelmoraLoadingState::idle, true, false,
            1, context.font(12, VelmoraTextStyle::footnote), VelmoraColor{}, VelmoraColor{}});
        QPainter painter(&frame);
        view->render(&painter);
    }
};

void BM_TranscriptFirstDrawOf1000(benchmark::State& state) {
    const auto messages = conversation(1000);
    for (auto _ : state) {
        state.PauseTiming();
        Transcript transcript;
        state.ResumeTiming();
        transcript.draw(messages);
        state.PauseTiming();
        transcript.view.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TranscriptFirstDrawOf1000)->Unit(benchmark::kMillisecond);

void BM_Transcript1000PlusOneMessage(benchmark::State& state) {
    auto messages = conversation(1000);
    Transcript transcript;
    transcript.draw(messages);
    int next = 1000;
    for (auto _ : state) {
        messages.push_back(
            fixtures::message("m" + std::to_string(next++), "outbound", "ai", "One more answer"));
        transcript.draw(messages);
        state.PauseTiming();
        // Back to 1000, so every iteration appends to the same length.
        messages.pop_back();
        transcript.draw(messages);
        state.ResumeTiming();
    }
    state.SetLabel("goal: under 16 ms");
}
BENCHMARK(BM_Transcript1000PlusOneMessage)->Unit(benchmark::kMillisecond);

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
