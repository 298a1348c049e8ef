// Font registration in a process of its own: the call made before the application object exists
// must not decide the outcome for the life of the process.
#include "velmora/ui/widget_font.hpp"

#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(WidgetFontRegistrationTest, ACallBeforeTheApplicationExistsIsRetriedOnceItDoes) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    VelmoraWidgetFont::registerFonts();
    EXPECT_EQ(VelmoraWidgetFont::registrationFailure(),
              "Fonts can be registered only once a QGuiApplication exists.");

    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "velmora_font_registration_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    VelmoraWidgetFont::registerFonts();
    EXPECT_EQ(VelmoraWidgetFont::registrationFailure(), std::nullopt);
    const QFontInfo info(QFont(QString::fromUtf8(VelmoraWidgetFont::familyName.data())));
    EXPECT_EQ(info.family(), "Noto Sans");
}

} // namespace
} // namespace velmora
