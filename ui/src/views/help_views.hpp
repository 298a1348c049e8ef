#pragma once

#include "views/availability_model.hpp"
#include "views/help_content_model.hpp"

#include <QAbstractButton>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QLineEdit;
class QVBoxLayout;

namespace velmora {
class VelmoraWidgetController;
}

namespace velmora::detail {

/// Carries out a tap of the home or help screen: one call (two for opening a FAQ from home) on
/// the controller.
void performHelpAction(VelmoraWidgetController& controller, const HelpAction& action);

/// Runs a help action; the panel hands in one that reaches its controller.
using HelpActionHandler = std::function<void(const HelpAction&)>;

/// A tappable area holding a row of its own widgets: the contact card, the headers of the help
/// cards and the home card's rows. Its children take no clicks, so the whole rectangle is the
/// hit area.
class HelpTapArea final : public QAbstractButton {
    Q_OBJECT

public:
    struct Look {
        std::optional<VelmoraColor> fill;
        std::optional<VelmoraColor> border;
        /// A hairline along the top edge.
        std::optional<VelmoraColor> topRule;
        double minimumHeight = 44;
    };
    HelpTapArea(const Look& look, QWidget* parent = nullptr);
    /// Adds a child; call `finish()` once the last is in.
    void add(QWidget* child, int stretch = 0);
    void setMargins(int left, int top, int right, int bottom, int spacing);
    void finish();
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look look_;
};

/// The home column, rebuilt whenever what it shows changes.
class HomeScreenView final : public QWidget {
    Q_OBJECT

public:
    explicit HomeScreenView(QWidget* parent = nullptr);
    void apply(const HomeScreenModel& model,
               const std::optional<AvailabilityCardModel>& availability, bool reduceMotion,
               double textScale);
    HelpActionHandler onAction;

private:
    QWidget* body_ = nullptr;
    std::optional<HomeScreenModel> model_;
    std::optional<AvailabilityCardModel> availability_;
    bool reduceMotion_ = false;
    double textScale_ = 1;
};

/// The help screen: the search field stays while the results under it are rebuilt, so typing
/// keeps its focus and cursor.
class HelpScreenView final : public QWidget {
    Q_OBJECT

public:
    explicit HelpScreenView(QWidget* parent = nullptr);
    void apply(const HelpScreenModel& model, const std::string& query, bool reduceMotion,
               double textScale);
    QLineEdit* searchField() const noexcept { return field_; }
    HelpActionHandler onAction;
    std::function<void(const std::string&)> onQueryChanged;

private:
    QWidget* searchRow_ = nullptr;
    QLineEdit* field_ = nullptr;
    QVBoxLayout* column_ = nullptr;
    QWidget* results_ = nullptr;
    std::optional<HelpScreenModel> model_;
    bool reduceMotion_ = false;
    double textScale_ = 1;
};

} // namespace velmora::detail
