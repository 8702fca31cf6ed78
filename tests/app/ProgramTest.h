#pragma once
// Start-up tests: a program folder, registry and call log of their own, and a real run.

#include "app/Ostrela.h"

#include "TestSupport.h"
#include "platform/ComponentRegistry.h"
#include "tasks/OstrelaDlg.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <functional>
#include <memory>

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.filePath("program/");
        ASSERT_TRUE(QDir().mkpath(folder));
        programFolder = std::make_unique<testing_support::ProgramFolderOverride>(folder);
        registry = dir.filePath("config/ostrela/components.ini");
        SetComponentRegistryPathForTesting(registry);
        qputenv("OSTRELA_TEST_COMPONENT_LOG", QFile::encodeName(dir.filePath("calls.log")));
    }
    void TearDown() override {
        theApp.skin.ReleaseDispatch();
        qunsetenv("OSTRELA_TEST_COMPONENT_LOG");
        qunsetenv("OSTRELA_TEST_REGISTER_RESULT");
        SetComponentRegistryPathForTesting(QString());
        programFolder.reset();
    }

    // Copies a library into the program folder under the name the program loads.
    QString Install(const QString& source, const QString& name = "SkinCrafter.dll") {
        EXPECT_TRUE(QFile::copy(source, folder + name)) << source.toStdString();
        return folder + name;
    }

    // What the recording stand-in component received, one call a line.
    QStringList Calls() const {
        QFile f(dir.filePath("calls.log"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    static bool IsLoaded(const QString& path) {
        void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
        if (handle)
            dlclose(handle);
        return handle != nullptr;
    }

    // InitInstance's result; once the window shows, `whileShown`, then `close` if still open.
    bool Run(
        const std::function<void(COstrelaDlg*)>& whileShown,
        const std::function<void(COstrelaDlg*)>& close = [](COstrelaDlg* d) { d->reject(); }) {
        shown = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            COstrelaDlg* dlg = AfxGetMainDlg();
            // As a user would: once no box of the window is open.
            if (!dlg || !dlg->isVisible() || shown || boxes.open > 0)
                return;
            shown = true;
            poll.stop();
            whileShown(dlg);
            if (AfxGetMainDlg() == dlg && dlg->isVisible())
                close(dlg);
        });
        poll.start();
        return theApp.InitInstance();
    }

    QTemporaryDir dir;
    QString folder;
    QString registry;
    bool shown = false;
    std::unique_ptr<testing_support::ProgramFolderOverride> programFolder;
    testing_support::MessageBoxRecorder boxes;
};
