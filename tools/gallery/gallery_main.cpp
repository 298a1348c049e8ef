// Renders every view of the widget in fixture states to PNG files, for people to look at:
//   velmora-gallery <output folder>
#include "gallery.hpp"
#include "platform/qt_child.hpp"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QVBoxLayout>

#include <cstdio>

namespace velmora::gallery {

std::unique_ptr<QWidget> stack(std::vector<QWidget*> children, const QColor& background,
                               int spacing, int margin) {
    auto container = std::make_unique<QWidget>();
    container->setAutoFillBackground(true);
    QPalette palette = container->palette();
    palette.setColor(QPalette::Window, background);
    container->setPalette(palette);
    auto* layout = detail::makeQtChild<QVBoxLayout>(container.get());
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    for (auto* child : children)
        layout->addWidget(child);
    return container;
}

} // namespace velmora::gallery

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery");
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }
    std::vector<velmora::gallery::Scene> scenes;
    velmora::gallery::addControlScenes(scenes);
    velmora::gallery::addMessageRowScenes(scenes);
    // The widget panel.
    velmora::gallery::addPanelScenes(scenes);
    // Conversation forms, date fields, commerce results.
    velmora::gallery::addFormScenes(scenes);

    // The home and help screens.
    velmora::gallery::addHelpScenes(scenes);

    // Procedure cards, their calendar, confirmation details and quick actions.
    velmora::gallery::addProcedureScenes(scenes);
    int failures = 0;
    for (const auto& scene : scenes) {
        auto widget = scene.build();
        widget->setFixedWidth(scene.width);
        const int height = widget->hasHeightForWidth() ? widget->heightForWidth(scene.width)
                                                       : widget->sizeHint().height();
        widget->resize(scene.width, std::max(1, height));
        widget->show();
        QCoreApplication::processEvents();
        // Pending redraws (a download that started) may change the height once more.
        if (widget->hasHeightForWidth())
            widget->resize(scene.width, widget->heightForWidth(scene.width));
        QCoreApplication::processEvents();
        const QImage image = widget->grab().toImage();
        const QString path = folder + "/" + QString::fromStdString(scene.name) + ".png";
        if (!image.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    std::printf("%zu scenes written to %s\n", scenes.size(), qPrintable(folder));
    return failures == 0 ? 0 : 1;
}
