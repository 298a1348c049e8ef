// Building, laying out and painting message rows offscreen, per row; and the first draw of a
// row with a long text, shown in a scroll area and run through the event loop so the layout and
// painting of a real frame are counted.
#include "views/message_row.hpp"
#include "views/message_text_view.hpp"
#include "views/text_block_view.hpp"

#include "fixtures.hpp"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>

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

/// Counts the paint events a widget receives.
class PaintWatch final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

/// CPU time of the calling thread: on a loaded machine, what the GUI thread itself spent.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

/// Builds the row inside a transcript-sized scroll area, shows it and runs the event loop, one
/// pass at a time, until the row has been painted once. Prints the mean time and its ratio to
/// `goalMs`, and the GUI thread's CPU time for it; beside them, the time until every line of the
/// text is laid out and the row has its exact height (laid out in steps on later turns), and the
/// longest of those later turns.
void firstDraw(benchmark::State& state, const VelmoraMessage& message, double goalMs) {
    const auto experience = fixtures::experience("en");
    auto settings = std::make_shared<VelmoraFixedPlatformSettings>();
    double totalMs = 0;
    double cpuMs = 0;
    double settledMs = 0;
    double longestTurnMs = 0;
    const auto since = [](std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = threadCpuMs();
        QScrollArea area;
        area.setWidgetResizable(true);
        area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area.resize(380, 700);
        PaintWatch watch;
        auto row = std::make_unique<detail::VelmoraWidgetMessageRow>(
            message, experience.appearance, experience.copy, nullptr, "en", false, settings);
        row->installEventFilter(&watch);
        // The body text (the author tag is a text block too).
        detail::TextBlockView* body = nullptr;
        for (auto* block : row->findChildren<detail::TextBlockView*>())
            if (!body || block->block().text().size() > body->block().text().size())
                body = block;
        area.setWidget(row.release());
        area.show();
        QElapsedTimer deadline;
        deadline.start();
        while (watch.paints == 0 && deadline.elapsed() < 600'000)
            QCoreApplication::processEvents();
        const double ms = since(start);
        cpuMs += threadCpuMs() - cpuStart;
        state.SetIterationTime(ms / 1000);
        totalMs += ms;
        if (watch.paints == 0)
            state.SkipWithError("the row was never painted");
        // The rest of the text, after the first frame; one more turn applies the exact height.
        bool settled = false;
        while (!settled && deadline.elapsed() < 600'000) {
            settled = body == nullptr || body->block().complete();
            const auto turn = std::chrono::steady_clock::now();
            QCoreApplication::processEvents();
            longestTurnMs = std::max(longestTurnMs, since(turn));
        }
        settledMs += since(start);
    }
    const double iterations = static_cast<double>(state.iterations());
    const double meanMs = totalMs / iterations;
    state.counters["first_draw_ms"] = meanMs;
    state.counters["goal_ms"] = goalMs;
    state.counters["ratio_to_goal"] = meanMs / goalMs;
    state.counters["first_draw_cpu_ms"] = cpuMs / iterations;
    state.counters["all_lines_ms"] = settledMs / iterations;
    state.counters["longest_turn_after_ms"] = longestTurnMs;
}

/// Latin, Hebrew, Arabic, CJK, emoji sequences and combining marks, with spaces and newlines.
std::string mixedScriptText(std::size_t length) {
    static const std::string pieces[] = {"Hello world ",
                                         "你好，世界。我们已收到您的订单。",
                                         "مرحبا بالعالم ",
                                         "👩‍👩‍👧‍👦 ",
                                         "こんにちは、ご注文ありがとうございます。",
                                         "שלום עולם ",
                                         "e\u0301te\u0301 🇺🇦🇩🇪 ",
                                         "Supercalifragilisticexpialidocious ",
                                         "안녕하세요 👍🏽 ١٢٣٤٥ ",
                                         "\n"};
    std::string text;
    std::size_t characters = 0; // UTF-16 units, as the row's text counts them
    for (std::size_t i = 0; characters < length; ++i) {
        const std::string& piece = pieces[i % std::size(pieces)];
        text += piece;
        characters += static_cast<std::size_t>(QString::fromStdString(piece).size());
    }
    return text;
}

/// A base64-like run of letters and digits: no line break opportunity anywhere.
std::string unbrokenWord(std::size_t length) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string text(length, 'A');
    for (std::size_t i = 0; i < length; ++i)
        text[i] = alphabet[(i * 7 + i / 64) % (sizeof(alphabet) - 1)];
    return text;
}

void BM_MessageRowFirstDrawMixedScript(benchmark::State& state) {
    const auto message = fixtures::message(
        "l", "outbound", "ai", mixedScriptText(static_cast<std::size_t>(state.range(0))));
    firstDraw(state, message, 16);
}
BENCHMARK(BM_MessageRowFirstDrawMixedScript)
    ->Arg(10'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_MessageRowFirstDrawUnbrokenWord(benchmark::State& state) {
    const auto message = fixtures::message("w", "inbound", "customer",
                                           unbrokenWord(static_cast<std::size_t>(state.range(0))));
    firstDraw(state, message, 1000);
}
BENCHMARK(BM_MessageRowFirstDrawUnbrokenWord)
    ->Arg(100'000)
    ->Arg(300'000)
    ->Arg(1'000'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

/// Pasting an unbroken run into the composer, and typing one character at its end, with the
/// document laid out as the frame after each needs it.
void BM_ComposerPasteUnbrokenWord(benchmark::State& state) {
    const std::string blob = unbrokenWord(static_cast<std::size_t>(state.range(0)));
    QFont font;
    font.setPixelSize(15);
    detail::VelmoraMessageTextView view({.placeholder = "Write", .font = font});
    view.resize(340, 36);
    view.show();
    for (auto _ : state) {
        view.setBoundText(blob);
        view.document()->documentLayout()->documentSize();
        view.moveCursor(QTextCursor::End);
        view.insertPlainText(QStringLiteral("x"));
        benchmark::DoNotOptimize(view.document()->documentLayout()->documentSize());
        state.PauseTiming();
        view.setBoundText("");
        state.ResumeTiming();
    }
    state.SetLabel("paste and one keystroke");
}
BENCHMARK(BM_ComposerPasteUnbrokenWord)->Arg(100'000)->Unit(benchmark::kMillisecond);

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
