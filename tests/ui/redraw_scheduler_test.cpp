#include "platform/qt_child.hpp"
#include "platform/redraw_scheduler.hpp"

#include "ui/ui_test_support.hpp"

#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace velmora {
namespace {

TEST(RedrawSchedulerTest, ManyRequestsInOneTurnRedrawOnceOnTheNextTurn) {
    QObject owner;
    int redraws = 0;
    detail::RedrawScheduler scheduler(&owner, [&] { ++redraws; });
    for (int i = 0; i < 10; ++i)
        scheduler.request();
    EXPECT_EQ(redraws, 0);
    EXPECT_TRUE(scheduler.pending());
    testing::drainEvents();
    EXPECT_EQ(redraws, 1);
    EXPECT_FALSE(scheduler.pending());
    scheduler.request();
    testing::drainEvents();
    EXPECT_EQ(redraws, 2);
}

TEST(RedrawSchedulerTest, APendingRedrawIsDroppedWithItsOwner) {
    int redraws = 0;
    {
        QObject owner;
        detail::RedrawScheduler scheduler(&owner, [&] { ++redraws; });
        scheduler.request();
    }
    testing::drainEvents();
    EXPECT_EQ(redraws, 0);
}

// A view whose retry button removes itself when clicked, as an error notice does.
class RetryNotice : public QWidget {
public:
    RetryNotice() {
        auto* layout = detail::makeQtChild<QVBoxLayout>(this);
        button = detail::makeQtChild<QPushButton>("Retry", this);
        layout->addWidget(button);
        QObject::connect(button, &QPushButton::clicked, this, [this] {
            failed = false;
            redraw.request();
            buttonAliveAfterHandler = !button.isNull();
        });
    }
    void apply() {
        if (!failed)
            delete button.data();
    }
    bool failed = true;
    bool buttonAliveAfterHandler = false;
    QPointer<QPushButton> button;
    detail::RedrawScheduler redraw{this, [this] { apply(); }};
};

TEST(RedrawSchedulerTest, AControlRemovedByItsOwnClickOutlivesItsHandler) {
    RetryNotice notice;
    notice.button->click();
    EXPECT_TRUE(notice.buttonAliveAfterHandler);
    EXPECT_FALSE(notice.button.isNull());
    testing::drainEvents();
    EXPECT_TRUE(notice.button.isNull());
}

} // namespace
} // namespace velmora
