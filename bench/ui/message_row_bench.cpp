// Building, laying out and painting message rows offscreen, per row.
#include "views/message_row.hpp"

#include "fixtures.hpp"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace velmora {
namespace {

void buildLayOutAndPaint(benchmark::State& state, const VelmoraMessage& message) {
    const auto experience = fixtures::experience("en");
    auto settings = std::make_shared<VelmoraFixedPlatformSettings>();
    QImage image(360, 4000, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        detail::VelmoraWidgetMessageRow row(message, experience.appearance, experience.copy,
                                            nullptr, "en", false, settings);
        const int height = row.heightForWidth(360);
        row.resize(360, height);
        QPainter painter(&image);
        row.render(&painter);
        benchmark::DoNotOptimize(height);
    }
    state.SetLabel("per row");
}

void BM_MessageRowShort(benchmark::State& state) {
    auto message = fixtures::message("s", "outbound", "ai", fixtures::sampleText("en"));
    buildLayOutAndPaint(state, message);
}
BENCHMARK(BM_MessageRowShort)->Unit(benchmark::kMicrosecond);

void BM_MessageRowWithAttachments(benchmark::State& state) {
    auto message = fixtures::message("s", "outbound", "teammate", "Here are your files.");
    message.attachments = std::vector<VelmoraAttachment>{{.id = "a1", .fileName = "invoice.pdf"},
                                                         {.id = "a2", .fileName = "photo.jpeg"}};
    buildLayOutAndPaint(state, message);
}
BENCHMARK(BM_MessageRowWithAttachments)->Unit(benchmark::kMicrosecond);

void BM_MessageRow10000Characters(benchmark::State& state) {
    auto message = fixtures::message("l", "outbound", "ai", fixtures::mixedText(10000));
    buildLayOutAndPaint(state, message);
}
BENCHMARK(BM_MessageRow10000Characters)->Unit(benchmark::kMillisecond);

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
