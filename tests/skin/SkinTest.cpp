// The shipped skin component through the real library, driver and application.

#include "ProgramTest.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "ui/AboutBox.h"

#include <QApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>
#include <QHeaderView>
#include <QtTest/QTest>

using testing_support::BinDir;

namespace {

const QColor kCaption(0x16, 0x3a, 0x66);   // lumora.skf [Colors] Caption
const QColor kStartFace(0xff, 0xa0, 0x40); // lumora.skf [Element Start] Face

int CountNear(const QImage& image, const QRect& r, const QColor& c, int tolerance) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor p = image.pixelColor(x, y);
            n += qAbs(p.red() - c.red()) <= tolerance && qAbs(p.green() - c.green()) <= tolerance &&
                 qAbs(p.blue() - c.blue()) <= tolerance;
        }
    return n;
}

// The program folder as the build lays it out; the skin must be off again after each test.
class SkinTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        styleSheetBefore = qApp->styleSheet();
        windowBefore = QApplication::palette().color(QPalette::Window);
    }
    void TearDown() override {
        ProgramTest::TearDown();
        EXPECT_EQ(qApp->styleSheet(), styleSheetBefore) << "the skin is taken off again";
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), windowBefore);
    }

    void InstallAll() {
        Install(BinDir() + "SkinCrafter.dll");
        ASSERT_TRUE(QDir().mkpath(folder + "lumora"));
        for (const char* file : {"lumora.skf", "lumora/start.png", "lumora/logo.png"})
            Install(BinDir() + file, file);
    }

    static QWidget* Strip(QWidget* dlg) {
        return dlg->findChild<QWidget*>("skinCaptionStrip", Qt::FindDirectChildrenOnly);
    }

    QString styleSheetBefore;
    QColor windowBefore;
};

// The rendered strip and Start element, lists that look disabled under Keep
// Original, and a strip that moves and closes the window.
TEST_F(SkinTest, RenderedStripMovesAndClosesTheWindowAndExitTakesTheSkinOff) {
    InstallAll();
    QPoint moved;
    bool menuBelowStrip = false;
    QImage image, enabled, disabled;
    QRect strip, start;
    QString label;
    const bool result = Run(
        [&](COstrelaDlg* dlg) {
            QWidget* bar = Strip(dlg);
            ASSERT_NE(bar, nullptr);
            EXPECT_EQ(bar->geometry(), QRect(0, 0, dlg->width(), bar->height()));
            image = dlg->grab().toImage();
            strip = bar->geometry();
            start = dlg->convertButton->geometry();
            label = dlg->convertButton->text();
            QWidget* list = GetDlgItem(dlg, IDC_AUDIO_BITRATE);
            enabled = list->grab().toImage();
            dlg->OnCommand(IDC_KEEP_ORIGINAL);
            ASSERT_FALSE(list->isEnabled());
            disabled = list->grab().toImage();
            menuBelowStrip = dlg->menuBar->y() >= strip.height();
            const QPoint before = dlg->pos();
            QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(60, 10));
            QTest::mouseMove(bar, QPoint(110, 40));
            QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(110, 40));
            moved = dlg->pos() - before;
            QTest::mouseClick(bar->findChild<QToolButton*>("skinCloseButton"), Qt::LeftButton);
        },
        [](COstrelaDlg*) { FAIL() << "the caption's close button left the window open"; });
    EXPECT_FALSE(result);
    EXPECT_TRUE(menuBelowStrip);
    EXPECT_EQ(moved, QPoint(50, 30));
    EXPECT_NE(qApp->styleSheet(), styleSheetBefore) << "the skin stays until ExitInstance";
    EXPECT_EQ(theApp.ExitInstance(), 0); // which takes the skin off (TearDown)
    EXPECT_TRUE(boxes.boxes.empty());
    ASSERT_GT(strip.height(), 10);
    EXPECT_GT(CountNear(image, QRect(0, 0, 8, strip.height()), kCaption, 30),
              8 * strip.height() * 3 / 4);
    EXPECT_GT(CountNear(image, start, kStartFace, 40), start.width() * start.height() / 4);
    EXPECT_GT(CountNear(image, start.adjusted(0, start.height() * 2 / 3, 0, -4), Qt::white, 40), 30)
        << "the label";
    EXPECT_EQ(label, "Start");
    // Dark pixels where the list's text is, clear of the frame and the arrow.
    const auto dark = [](const QImage& list) {
        int n = 0;
        for (int y = 2; y < list.height() - 2; ++y)
            for (int x = 2; x < list.width() / 2; ++x)
                n += list.pixelColor(x, y).lightness() < 100;
        return n;
    };
    EXPECT_GT(dark(enabled), 20);
    EXPECT_LT(dark(disabled), dark(enabled) / 4);
}

// Other dialogs take the skin's colours, and windows built with a font of their
// own take its family in their own size; closing the skin gives both back.
TEST_F(SkinTest, DialogsTakeTheSkinsColoursAndFontsUntilItCloses) {
    Install(BinDir() + "SkinCrafter.dll");
    ASSERT_TRUE(testing_support::WriteFile(folder + "serif.skf",
                                           "[Skin]\nFormat = 1\n[Colors]\nWindow = #203040\n"
                                           "[Fonts]\nDefault = DejaVu Serif, 11\n"));
    ASSERT_TRUE(theApp.RegisterSkinLibrary());
    ASSERT_TRUE(theApp.skin.CreateDispatch("SkinCrafter.SCSkin"));
    theApp.skin.SetSkinOption1(1);
    theApp.skin.OpenSkinFile(folder + "serif.skf");
    theApp.skin.ActivateSkin();
    QDialog dialog;
    dialog.show();
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(0x20, 0x30, 0x40));
    EXPECT_EQ(Strip(&dialog), nullptr) << "windows with a title bar keep it";
    CAboutBox about;
    const int size = about.font().pointSize();
    about.show();
    QPushButton* ok = about.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(QFontInfo(ok->font()).family(), "DejaVu Serif");
    EXPECT_EQ(about.font().pointSize(), size) << "dialog units keep their measure";
    theApp.skin.CloseSkin();
    EXPECT_EQ(QFontInfo(ok->font()).family(), "DejaVu Sans") << "the window's own font is back";
}

// Without a usable skin the program starts in the default look and frame, silently.
TEST_F(SkinTest, WithoutAUsableSkinTheProgramStartsWithTheDefaultLookAndNoMessage) {
    QByteArray garbage = "[Colors]\nWindow = #000000\n";
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 7919 + 13) % 251 + 1);
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"no component", [] {}},
        {"no skin file", [this] { Install(BinDir() + "SkinCrafter.dll"); }},
        {"garbage skin file",
         [&] { ASSERT_TRUE(testing_support::WriteFile(folder + "lumora.skf", garbage)); }},
        {"skin file is a folder", [this] {
             ASSERT_TRUE(QFile::remove(folder + "lumora.skf"));
             ASSERT_TRUE(QDir().mkpath(folder + "lumora.skf"));
         }}};
    for (const auto& [name, prepare] : cases) {
        prepare();
        QString label = "unset";
        bool strip = true, frameless = true;
        EXPECT_FALSE(Run([&](COstrelaDlg* dlg) {
            label = dlg->convertButton->text();
            strip = Strip(dlg) != nullptr;
            frameless = dlg->windowFlags() & Qt::FramelessWindowHint;
        }));
        EXPECT_EQ(theApp.ExitInstance(), 0);
        theApp.skin.ReleaseDispatch();
        EXPECT_FALSE(strip) << name;
        EXPECT_FALSE(frameless) << name;
        EXPECT_EQ(label, "Start") << name; // no skin draws it: the button says it
        EXPECT_EQ(qApp->styleSheet(), styleSheetBefore) << name;
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

// Under the skin's larger font the headers keep the list's, so each title fits.
TEST_F(SkinTest, ColumnHeadersShowEveryTitleWholeInTheListFont) {
    InstallAll();
    QFont header, list;
    int windowSize = 0;
    QStringList cut;
    Run([&](COstrelaDlg* dlg) {
        QHeaderView* h = dlg->taskList->header();
        header = h->font();
        list = dlg->taskList->font();
        windowSize = dlg->font().pointSize();
        for (int c = 0; c < h->count(); ++c)
            if (h->sectionSizeHint(c) > h->sectionSize(c))
                cut << dlg->taskList->headerItem()->text(c);
    });
    theApp.ExitInstance();
    EXPECT_EQ(header, list);
    EXPECT_EQ(header.pointSize(), windowSize);
    EXPECT_TRUE(cut.isEmpty()) << cut.join(", ").toStdString();
}

} // namespace
