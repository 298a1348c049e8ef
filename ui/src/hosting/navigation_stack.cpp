#include "platform/qt_child.hpp"
#include "velmora/ui/widget_hosting.hpp"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <stdexcept>

namespace velmora {

namespace {

constexpr int kCrossDissolveMilliseconds = 200;
constexpr int kSlideMilliseconds = 250;

} // namespace

VelmoraWidgetNavigationStack::VelmoraWidgetNavigationStack(QWidget* parent) : QWidget(parent) {
    auto* layout = detail::makeQtChild<QVBoxLayout>(this);
    layout->setContentsMargins(0, 0, 0, 0);
    stack_ = detail::makeQtChild<QStackedWidget>(this);
    layout->addWidget(stack_);
}

VelmoraWidgetNavigationStack::~VelmoraWidgetNavigationStack() = default;

void VelmoraWidgetNavigationStack::push(QWidget* page, Transition transition) {
    if (!page)
        throw std::invalid_argument("A navigation stack cannot push a null page.");
    if (contains(page))
        throw std::invalid_argument("The page is already on this navigation stack.");
    stack_->addWidget(page);
    stack_->setCurrentWidget(page);
    animateIn(page, transition);
}

QWidget* VelmoraWidgetNavigationStack::pop(Transition transition) {
    QWidget* page = top();
    if (page)
        remove(page, transition);
    return page;
}

bool VelmoraWidgetNavigationStack::remove(QWidget* page, Transition transition) {
    const int index = page ? stack_->indexOf(page) : -1;
    if (index < 0)
        return false;
    const bool wasTop = index == stack_->count() - 1;
    // Only the top page is current: removing it uncovers the one below, removing a covered one
    // leaves the top where it is.
    stack_->removeWidget(page);
    if (wasTop && stack_->count() > 0) {
        stack_->setCurrentIndex(stack_->count() - 1);
        animateIn(stack_->currentWidget(), transition);
    }
    page->hide();
    Q_EMIT pageRemoved(page);
    return true;
}

QWidget* VelmoraWidgetNavigationStack::top() const {
    return stack_->count() > 0 ? stack_->widget(stack_->count() - 1) : nullptr;
}

int VelmoraWidgetNavigationStack::count() const {
    return stack_->count();
}

bool VelmoraWidgetNavigationStack::contains(const QWidget* page) const {
    return page && stack_->indexOf(page) >= 0;
}

std::vector<QWidget*> VelmoraWidgetNavigationStack::pages() const {
    std::vector<QWidget*> result;
    for (int i = 0; i < stack_->count(); ++i)
        result.push_back(stack_->widget(i));
    return result;
}

VelmoraWidgetNavigationStack* VelmoraWidgetNavigationStack::of(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* stack = qobject_cast<VelmoraWidgetNavigationStack*>(w))
            return stack;
    return nullptr;
}

void VelmoraWidgetNavigationStack::animateIn(QWidget* page, Transition transition) {
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
        connect(fade, &QPropertyAnimation::finished, page,
                [page] { page->setGraphicsEffect(nullptr); });
        fade->start(QAbstractAnimation::DeleteWhenStopped);
        return;
    }
    case Transition::standard: {
        auto* slide = detail::makeQtChild<QPropertyAnimation>(page, "pos", page);
        slide->setDuration(kSlideMilliseconds);
        slide->setStartValue(QPoint(stack_->width(), 0));
        slide->setEndValue(QPoint(0, 0));
        slide->setEasingCurve(QEasingCurve::OutCubic);
        slide->start(QAbstractAnimation::DeleteWhenStopped);
        return;
    }
    }
}

} // namespace velmora
