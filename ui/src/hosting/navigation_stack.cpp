#include "platform/qt_child.hpp"
#include "velmora/ui/widget_hosting.hpp"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <memory>
#include <stdexcept>

namespace velmora {

namespace {

constexpr int kCrossDissolveMilliseconds = 200;
constexpr int kSlideMilliseconds = 250;

} // namespace

namespace detail {

class NavigationStackPrivate {
public:
    void animateIn(QWidget* page, VelmoraWidgetNavigationStack::Transition transition) const;

    /// The pages, bottom first; the current one is the top.
    QStackedWidget* stack = nullptr;
};

} // namespace detail

VelmoraWidgetNavigationStack::VelmoraWidgetNavigationStack(QWidget* parent)
    : QWidget(parent), d_(std::make_unique<detail::NavigationStackPrivate>()) {
    auto* layout = detail::makeQtChild<QVBoxLayout>(this);
    layout->setContentsMargins(0, 0, 0, 0);
    d_->stack = detail::makeQtChild<QStackedWidget>(this);
    layout->addWidget(d_->stack);
}

VelmoraWidgetNavigationStack::~VelmoraWidgetNavigationStack() = default;

void VelmoraWidgetNavigationStack::push(QWidget* page, Transition transition) {
    if (!page)
        throw std::invalid_argument("A navigation stack cannot push a null page.");
    if (contains(page))
        throw std::invalid_argument("The page is already on this navigation stack.");
    d_->stack->addWidget(page);
    d_->stack->setCurrentWidget(page);
    d_->animateIn(page, transition);
}

QWidget* VelmoraWidgetNavigationStack::pop(Transition transition) {
    QWidget* page = top();
    if (page)
        remove(page, transition);
    return page;
}

bool VelmoraWidgetNavigationStack::remove(QWidget* page, Transition transition) {
    const int index = page ? d_->stack->indexOf(page) : -1;
    if (index < 0)
        return false;
    const bool wasTop = index == d_->stack->count() - 1;
    // Only the top page is current: removing it uncovers the one below, removing a covered one
    // leaves the top where it is.
    d_->stack->removeWidget(page);
    if (wasTop && d_->stack->count() > 0) {
        d_->stack->setCurrentIndex(d_->stack->count() - 1);
        d_->animateIn(d_->stack->currentWidget(), transition);
    }
    page->hide();
    Q_EMIT pageRemoved(page);
    return true;
}

QWidget* VelmoraWidgetNavigationStack::top() const {
    return d_->stack->count() > 0 ? d_->stack->widget(d_->stack->count() - 1) : nullptr;
}

int VelmoraWidgetNavigationStack::count() const {
    return d_->stack->count();
}

bool VelmoraWidgetNavigationStack::contains(const QWidget* page) const {
    return page && d_->stack->indexOf(page) >= 0;
}

std::vector<QWidget*> VelmoraWidgetNavigationStack::pages() const {
    std::vector<QWidget*> result;
    for (int i = 0; i < d_->stack->count(); ++i)
        result.push_back(d_->stack->widget(i));
    return result;
}

VelmoraWidgetNavigationStack* VelmoraWidgetNavigationStack::of(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* stack = qobject_cast<VelmoraWidgetNavigationStack*>(w))
            return stack;
    return nullptr;
}

void detail::NavigationStackPrivate::animateIn(
    QWidget* page, VelmoraWidgetNavigationStack::Transition transition) const {
    using Transition = VelmoraWidgetNavigationStack::Transition;
    switch (transition) {
    case Transition::none:
        return;
    case Transition::crossDissolve: {
        auto* effect = detail::makeQtChild<QGraphicsOpacityEffect>(page);
        page->setGraphicsEffect(effect);
        auto* fade = detail::makeQtChild<QPropertyAnimation>(effect, "opacity", effect);
        fade->setDuration(kCrossDissolveMilliseconds);
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        // The effect goes once the page is fully shown (it would slow every later paint).
        QObject::connect(fade, &QPropertyAnimation::finished, page,
                         [page] { page->setGraphicsEffect(nullptr); });
        fade->start(QAbstractAnimation::DeleteWhenStopped);
        return;
    }
    case Transition::standard: {
        auto* slide = detail::makeQtChild<QPropertyAnimation>(page, "pos", page);
        slide->setDuration(kSlideMilliseconds);
        slide->setStartValue(QPoint(stack->width(), 0));
        slide->setEndValue(QPoint(0, 0));
        slide->setEasingCurve(QEasingCurve::OutCubic);
        slide->start(QAbstractAnimation::DeleteWhenStopped);
        return;
    }
    }
}

} // namespace velmora
