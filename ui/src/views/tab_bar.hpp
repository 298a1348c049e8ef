#pragma once

#include "views/tab_bar_model.hpp"

#include <QAbstractButton>
#include <QWidget>

#include <functional>

namespace velmora::detail {

/// One tab: its icon over its label, in the tab's colour; checked while selected.
class TabButton final : public QAbstractButton {
    Q_OBJECT

public:
    TabButton(const TabModel& tab, const VelmoraFontSpec& font, QWidget* parent = nullptr);
    const TabModel& tab() const noexcept { return tab_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    /// The selection follows the controller's screen, never the click itself.
    void nextCheckState() override {}

Q_SIGNALS:
    /// Asked for by a toggle that does not go through a click (an assistive tool's toggle
    /// action): the tab reports it as a selection and keeps its own checked state.
    void selectionRequested();

private:
    TabModel tab_;
    QFont font_;
};

/// The panel's bottom band: the available tabs, or a working indicator until the navigation is
/// known. A tap only reports the tab's screen.
class TabBarView final : public QWidget {
    Q_OBJECT

public:
    explicit TabBarView(QWidget* parent = nullptr);
    void apply(const TabBarModel& model, double textScale, bool reduceMotion);
    const TabBarModel& model() const noexcept { return model_; }

    std::function<void(VelmoraWidgetViewMode)> onSelect;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TabBarModel model_;
    bool built_ = false;
    bool reduceMotion_ = false;
    QWidget* content_ = nullptr;
};

} // namespace velmora::detail
