// The shipped skin component through the real library, the real driver and the
// real application object: what the user sees with the skin, and that every
// way the skin can be missing leaves the default look without a message.

#include "app/Ostrela.h"

#include "TestSupport.h"
#include "platform/ComponentRegistry.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"
#include "ui/AboutBox.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>

using testing_support::BinDir;
using testing_support::MessageBoxRecorder;
using testing_support::ProgramFolderOverride;

namespace {

const QColor kCaption(0x16, 0x3a, 0x66);   // lumora.skf [Colors] Caption
const QColor kWindow(0xee, 0xf2, 0xf7);    // lumora.skf [Colors] Window
const QColor kStartFace(0xff, 0xa0, 0x40); // lumora.skf [Element Start] Face

bool Near(const QColor& a, const QColor& b, int tolerance = 24) {
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

// Pixels of the image within `r` that are near `color`.
int CountNear(const QImage& image, const QRect& r, const QColor& color, int tolerance = 24) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (Near(image.pixelColor(x, y), color, tolerance))
                ++n;
    return n;
}

// A program folder laid out as the build lays it out, with a registry of the test's own.
class SkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.filePath("program/");
        ASSERT_TRUE(QDir().mkpath(folder + "lumora"));
        programFolder = std::make_unique<ProgramFolderOverride>(folder);
        SetComponentRegistryPathForTesting(dir.filePath("config/ostrela/components.ini"));
        styleSheetBefore = qApp->styleSheet();
        windowBefore = QApplication::palette().color(QPalette::Window);
    }
    void TearDown() override {
        theApp.skin.ReleaseDispatch();
        EXPECT_EQ(qApp->styleSheet(), styleSheetBefore) << "the skin is taken off again";
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), windowBefore);
        SetComponentRegistryPathForTesting(QString());
        programFolder.reset();
    }

    void InstallComponent() {
        ASSERT_TRUE(QFile::copy(BinDir() + "SkinCrafter.dll", folder + "SkinCrafter.dll"));
    }
    void InstallSkinFile() {
        ASSERT_TRUE(QFile::copy(BinDir() + "lumora.skf", folder + "lumora.skf"));
        for (const char* image : {"lumora/start.png", "lumora/logo.png"})
            ASSERT_TRUE(QFile::copy(BinDir() + image, folder + image));
    }
    void InstallAll() {
        InstallComponent();
        InstallSkinFile();
    }

    // The method numbers the skin object received, in order.
    static QList<int> History() {
        QList<int> calls;
        for (int i = 0;; ++i) {
            const int dispid = theApp.skin.InvokeHelper(100, {i});
            if (dispid < 0)
                return calls;
            calls << dispid;
        }
    }

    // Runs the program; once the main window shows, `whileShown` looks at it
    // and `close` ends it (unless the main window is already gone).
    bool Run(
        const std::function<void(COstrelaDlg*)>& whileShown,
        const std::function<void(COstrelaDlg*)>& close = [](COstrelaDlg* d) { d->reject(); }) {
        shown = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            COstrelaDlg* dlg = AfxGetMainDlg();
            if (!dlg || !dlg->isVisible() || shown)
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

    static QWidget* Strip(QWidget* dlg) {
        return dlg->findChild<QWidget*>("skinCaptionStrip", Qt::FindDirectChildrenOnly);
    }

    QTemporaryDir dir;
    QString folder;
    std::unique_ptr<ProgramFolderOverride> programFolder;
    MessageBoxRecorder boxes;
    QString styleSheetBefore;
    QColor windowBefore;
    bool shown = false;
};

TEST_F(SkinTest, ComponentIsRegisteredCreatedAndCalledInStartUpOrder) {
    InstallAll();
    EXPECT_FALSE(Run([](COstrelaDlg*) {}));
    EXPECT_TRUE(shown);
    EXPECT_EQ(FindComponentLibrary("SkinCrafter.SCSkin"), folder + "SkinCrafter.dll");
    EXPECT_EQ(History(), QList<int>({17, 1, 2, 18, 21}));
    EXPECT_EQ(theApp.ExitInstance(), 0);
    EXPECT_EQ(History(), QList<int>({17, 1, 2, 18, 21, 7}));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SkinTest, CaptionCloseButtonEndsTheProgramAndTheSkinClosesOnce) {
    InstallAll();
    QString title;
    bool menuBelowStrip = false;
    const bool result = Run(
        [&](COstrelaDlg* dlg) {
            QWidget* strip = Strip(dlg);
            ASSERT_NE(strip, nullptr);
            title = dlg->windowTitle();
            EXPECT_EQ(strip->geometry(), QRect(0, 0, dlg->width(), strip->height()));
            menuBelowStrip = dlg->menuBar->y() >= strip->height();
            auto* close = strip->findChild<QToolButton*>("skinCloseButton");
            ASSERT_NE(close, nullptr);
            ASSERT_TRUE(close->isVisible());
            QTest::mouseClick(close, Qt::LeftButton);
        },
        [](COstrelaDlg*) { FAIL() << "the caption's close button left the window open"; });
    EXPECT_FALSE(result);
    EXPECT_EQ(title, "Ostrela");
    EXPECT_TRUE(menuBelowStrip);
    EXPECT_NE(qApp->styleSheet(), styleSheetBefore) << "the skin stays until ExitInstance";
    EXPECT_FALSE(History().contains(7));
    EXPECT_EQ(theApp.ExitInstance(), 0);
    EXPECT_EQ(History().count(7), 1);
    EXPECT_EQ(qApp->styleSheet(), styleSheetBefore);
}

TEST_F(SkinTest, CaptionMinimiseButtonMinimisesAndTheStripMovesTheWindow) {
    InstallAll();
    bool minimised = false;
    QPoint moved;
    Run([&](COstrelaDlg* dlg) {
        QWidget* strip = Strip(dlg);
        ASSERT_NE(strip, nullptr);
        const QPoint before = dlg->pos();
        QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(60, 10));
        QTest::mouseMove(strip, QPoint(110, 40));
        QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(110, 40));
        moved = dlg->pos() - before;

        QTest::mouseClick(strip->findChild<QToolButton*>("skinMinimizeButton"), Qt::LeftButton);
        minimised = dlg->isMinimized();
    });
    EXPECT_TRUE(minimised);
    EXPECT_EQ(moved, QPoint(50, 30));
    theApp.ExitInstance();
}

TEST_F(SkinTest, StartElementShowsItsLabelAndEveryLook) {
    InstallAll();
    QString label;
    QList<QColor> faces;
    int labelPixels = 0;
    Run([&](COstrelaDlg* dlg) {
        QPushButton* start = dlg->convertButton;
        label = start->text();
        const auto face = [start] {
            return start->grab().toImage().pixelColor(start->width() / 2, 6);
        };
        const QImage normal = start->grab().toImage();
        labelPixels = CountNear(
            normal, QRect(0, normal.height() * 2 / 3, normal.width(), normal.height() / 3 - 4),
            Qt::white, 40);
        faces << face();
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(start, &enter);
        faces << face();
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(start, &leave);
        start->setDown(true);
        faces << face();
        start->setDown(false);
        start->setEnabled(false);
        faces << face();
        start->setEnabled(true);
    });
    theApp.ExitInstance();
    EXPECT_EQ(label, "Start");
    EXPECT_GT(labelPixels, 30) << "the label is drawn in the element's text colour";
    ASSERT_EQ(faces.size(), 4);
    EXPECT_TRUE(Near(faces[0], kStartFace, 30)) << faces[0].name().toStdString();
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            EXPECT_FALSE(Near(faces[i], faces[j], 8))
                << "looks " << i << " and " << j << " are alike: " << faces[i].name().toStdString();
}

TEST_F(SkinTest, RenderedMainWindowShowsTheCaptionStripAndTheStartButton) {
    InstallAll();
    QImage image;
    QRect strip, start, title;
    Run([&](COstrelaDlg* dlg) {
        image = dlg->grab().toImage();
        ASSERT_NE(Strip(dlg), nullptr);
        strip = Strip(dlg)->geometry();
        start = dlg->convertButton->geometry();
        title = QRect(40, 0, 120, strip.height());
    });
    theApp.ExitInstance();
    ASSERT_FALSE(image.isNull());
    ASSERT_GT(strip.height(), 10);
    // The strip's dark left end, with the window text drawn light upon it.
    EXPECT_GT(CountNear(image, QRect(0, 0, 8, strip.height()), kCaption, 30),
              8 * strip.height() * 3 / 4);
    EXPECT_GT(CountNear(image, title, Qt::white, 60), 40) << "the window text";
    // Below the strip, the body in the skin's window colour.
    EXPECT_TRUE(Near(image.pixelColor(image.width() - 3, image.height() / 2), kWindow, 12));
    // The Start element: an orange face with its label.
    EXPECT_GT(CountNear(image, start, kStartFace, 40), start.width() * start.height() / 4);
    EXPECT_GT(CountNear(image, start.adjusted(0, start.height() * 2 / 3, 0, -4), Qt::white, 40),
              30);
}

TEST_F(SkinTest, EveryDialogTakesTheSkinsColoursAndFonts) {
    InstallAll();
    ASSERT_TRUE(theApp.RegisterSkinLibrary());
    ASSERT_TRUE(theApp.skin.CreateDispatch("SkinCrafter.SCSkin"));
    theApp.skin.SetSkinOption17(0);
    theApp.skin.SetSkinOption1(1);
    theApp.skin.OpenSkinFile(folder + "lumora.skf");
    theApp.skin.ActivateSkin();
    {
        QDialog dialog;
        dialog.ensurePolished();
        EXPECT_EQ(dialog.palette().color(QPalette::Window), kWindow);
        EXPECT_EQ(dialog.font().family(), "DejaVu Sans");
        EXPECT_TRUE(qApp->styleSheet().contains("#eef2f7")) << "colour names replaced";
        EXPECT_FALSE(qApp->styleSheet().contains('@'));
        dialog.show();
        EXPECT_EQ(Strip(&dialog), nullptr) << "windows with a title bar keep it";

        CAboutBox about;
        const QImage image = about.grab().toImage();
        EXPECT_TRUE(Near(image.pixelColor(2, image.height() - 3), kWindow, 4));
    }
    theApp.skin.CloseSkin();
    EXPECT_EQ(qApp->styleSheet(), styleSheetBefore);
    QDialog after;
    EXPECT_EQ(after.palette().color(QPalette::Window), windowBefore);
}

TEST_F(SkinTest, DialogsBuiltWithTheirOwnFontTakeTheSkinsFamilyInTheirSize) {
    InstallComponent();
    QFile skinFile(folder + "serif.skf");
    ASSERT_TRUE(skinFile.open(QIODevice::WriteOnly));
    skinFile.write("[Skin]\nFormat = 1\n[Colors]\nWindow = #203040\n"
                   "[Fonts]\nDefault = DejaVu Serif, 11\n");
    skinFile.close();
    ASSERT_TRUE(theApp.RegisterSkinLibrary());
    ASSERT_TRUE(theApp.skin.CreateDispatch("SkinCrafter.SCSkin"));
    theApp.skin.SetSkinOption1(1);
    theApp.skin.OpenSkinFile(folder + "serif.skf");
    theApp.skin.ActivateSkin();
    auto about = std::make_unique<CAboutBox>();
    const int size = about->font().pointSize();
    about->show();
    QPushButton* ok = about->findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(QFontInfo(ok->font()).family(), "DejaVu Serif");
    EXPECT_EQ(about->font().pointSize(), size) << "dialog units keep their measure";
    EXPECT_EQ(about->palette().color(QPalette::Window), QColor(0x20, 0x30, 0x40));
    theApp.skin.CloseSkin();
    EXPECT_EQ(QFontInfo(ok->font()).family(), "DejaVu Sans") << "the window's own font is back";
}

// Every way the skin can be missing: the program starts with the default look
// and says nothing.
struct Missing {
    const char* name;
    std::function<void(SkinTest*, const QString& folder)> prepare;
};

void PrintTo(const Missing& m, std::ostream* os) {
    *os << m.name;
}

class DefaultLookTest : public SkinTest, public ::testing::WithParamInterface<Missing> {
public:
    using SkinTest::InstallAll;
    using SkinTest::InstallComponent;
};

TEST_P(DefaultLookTest, StartsWithTheDefaultLookAndNoMessage) {
    GetParam().prepare(this, folder);
    QString label = "unset";
    bool strip = true;
    EXPECT_FALSE(Run([&](COstrelaDlg* dlg) {
        label = dlg->convertButton->text();
        strip = Strip(dlg) != nullptr;
    }));
    EXPECT_TRUE(shown);
    EXPECT_EQ(theApp.ExitInstance(), 0);
    EXPECT_FALSE(strip);
    EXPECT_EQ(label, "");
    EXPECT_EQ(qApp->styleSheet(), styleSheetBefore);
    EXPECT_TRUE(boxes.boxes.empty());
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Skin, DefaultLookTest,
    ::testing::Values(Missing{"NoComponent", [](SkinTest*, const QString&) {}},
                      Missing{"NoSkinFile",
                              [](SkinTest* t, const QString&) {
                                  static_cast<DefaultLookTest*>(t)->InstallComponent();
                              }},
                      Missing{"GarbageSkinFile",
                              [](SkinTest* t, const QString& folder) {
                                  static_cast<DefaultLookTest*>(t)->InstallComponent();
                                  QByteArray junk;
                                  for (int i = 0; i < 4096; ++i)
                                      junk += char((i * 7919 + 13) % 251 + 1);
                                  WriteFile(folder + "lumora.skf",
                                            "[Colors]\nWindow = #000000\n" + junk);
                              }},
                      Missing{"SkinFileIsAFolder",
                              [](SkinTest* t, const QString& folder) {
                                  static_cast<DefaultLookTest*>(t)->InstallComponent();
                                  QDir().mkpath(folder + "lumora.skf");
                              }}),
    [](const ::testing::TestParamInfo<Missing>& info) { return std::string(info.param.name); });

} // namespace
