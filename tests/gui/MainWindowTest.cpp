#include "gui/MainWindow.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing QApplication down during static destruction, after Qt's
    // own statics are gone, crashes at exit.
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

} // namespace

TEST(MainWindow, StartsWithItsTitleAndClosesCleanly) {
    app();
    auto window = std::make_unique<MainWindow>();
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vantoro"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->close());
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
}
