// The dispatch driver against real libraries: the stand-in, one without exports, none.

#include "ProgramTest.h"
#include "platform/DispatchDriver.h"
#include "platform/WindowHandle.h"

#include <QWidget>

#include <climits>

namespace {

const QString kSkinClass = QStringLiteral("SkinCrafter.SCSkin");

// The recording stand-in component, under the name the program ships it with.
class DispatchDriverTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        component = Install(QStringLiteral(OSTRELA_TEST_SKIN_COMPONENT));
    }
    QString component;
};

// A failed creation leaves an empty driver, no call, nothing loaded; another copy's
// library (in another folder) is not this program's.
TEST_F(DispatchDriverTest, FailedCreationLeavesAnEmptyDriverAndNothingLoaded) {
    const QString noFactory = Install(QStringLiteral(OSTRELA_TEST_NOEXPORTS_LIBRARY), "x.dll");
    ASSERT_TRUE(RegisterComponentClass("Missing.Library", folder + "gone.dll"));
    ASSERT_TRUE(RegisterComponentClass("No.Factory", noFactory));
    ASSERT_TRUE(RegisterComponentClass("Refused.Class", component));
    for (const char* className :
         {"Not.Registered", "Missing.Library", "No.Factory", "Refused.Class"}) {
        COleDispatchDriver driver;
        EXPECT_FALSE(driver.CreateDispatch(className)) << className;
        EXPECT_EQ(driver.InvokeHelper(17, {0}), OSTRELA_E_POINTER) << className;
        driver.ReleaseDispatch();
    }
    ASSERT_TRUE(RegisterComponentClass(kSkinClass, OSTRELA_TEST_SKIN_COMPONENT));
    EXPECT_FALSE(COleDispatchDriver().CreateDispatch(kSkinClass)) << "another copy's component";
    EXPECT_FALSE(IsLoaded(noFactory));
    EXPECT_FALSE(IsLoaded(component));
    EXPECT_FALSE(IsLoaded(OSTRELA_TEST_SKIN_COMPONENT));
    EXPECT_TRUE(Calls().isEmpty());
}

// The component beside the program is taken even while the registry names another copy's.
TEST_F(DispatchDriverTest, CallsArriveWithTheirTypesAndValuesInOrder) {
    ASSERT_TRUE(RegisterComponentClass(kSkinClass, dir.filePath("other/SkinCrafter.dll")));
    QWidget window;
    window.setObjectName("ctl1019");
    const qint32 handle = GetWindowHandle(&window);
    {
        COleDispatchDriver driver;
        ASSERT_TRUE(driver.CreateDispatch(kSkinClass));
        ASSERT_TRUE(driver.CreateDispatch(kSkinClass)); // releases the first object
        EXPECT_EQ(driver.InvokeHelper(17, {0}), OSTRELA_S_OK);
        driver.InvokeHelper(1, {INT_MIN});
        driver.InvokeHelper(2, {QStringLiteral("/tmp/Ünïcode dir/lumora.skf")});
        driver.InvokeHelper(21, {handle, "Start", INT_MAX});
        driver.InvokeHelper(18);
        EXPECT_EQ(Calls().count("release"), 1) << "the second object lives with the driver";
    }
    EXPECT_EQ(Calls(),
              QStringList({"create SkinCrafter.SCSkin", "release", "create SkinCrafter.SCSkin",
                           "invoke 17 long:0", "invoke 1 long:-2147483648",
                           "invoke 2 string:/tmp/Ünïcode dir/lumora.skf",
                           QStringLiteral("invoke 21 long:%1 string:Start "
                                          "long:2147483647 window:ctl1019")
                               .arg(handle),
                           "invoke 18 mainWindows:0", "release"}));
    EXPECT_FALSE(IsLoaded(component)) << "the library goes with its object";
}

TEST(WindowHandleTest, HandlesAreStableDistinctAndForgetDestroyedWindows) {
    auto a = std::make_unique<QObject>();
    QObject b;
    const qint32 ha = GetWindowHandle(a.get());
    EXPECT_NE(ha, 0);
    EXPECT_NE(ha, GetWindowHandle(&b));
    EXPECT_EQ(GetWindowHandle(a.get()), ha);
    EXPECT_EQ(FindWindowHandle(ha), a.get());
    a.reset();
    EXPECT_EQ(FindWindowHandle(ha), nullptr);
}

} // namespace
