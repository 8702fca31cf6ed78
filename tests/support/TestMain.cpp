// Test main: one QApplication on the offscreen platform, a temporary config
// folder, and a count of runner notices being delivered (for the box recorder).

#include "TestSupport.h"
#include "convert/Redirect.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class TestApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        const bool notice = event->type() == CRunnerNoticeEvent::EventType();
        testing_support::NoticesBeingDelivered() += notice;
        const bool handled = QApplication::notify(receiver, event);
        testing_support::NoticesBeingDelivered() -= notice;
        return handled;
    }
};
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    if (!config.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
