// Test main: every test runs inside one QApplication on the offscreen platform,
// so widgets are real but nothing appears on a display. The user's config
// folder (where components register) is a temporary one, so no test writes
// into the real home. The application counts the runner notices being
// delivered, so a message box can tell that it opened inside one.

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
        if (event->type() != CRunnerNoticeEvent::EventType())
            return QApplication::notify(receiver, event);
        ++testing_support::NoticesBeingDelivered();
        const bool handled = QApplication::notify(receiver, event);
        --testing_support::NoticesBeingDelivered();
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
