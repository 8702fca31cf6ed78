// The folder walker over a real tree: names, order, limit, a link back up the tree.

#include "tasks/FolderScan.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FolderScanTest, GivesTheVideosOfATreeInNaturalOrder) {
    QTemporaryDir temp;
    const QString root = temp.filePath("tree");
    for (const char* name : {"clip10.mkv", "clip2.MP4", "Clip1.avi", "notes.txt", "avi",
                             ".hidden.avi", ".secret/x.avi", "season 10/e1.ts", "season 2/e10.ts",
                             "season 2/e2.ts", "season 2/E1.ts", "empty/x.vob"})
        ASSERT_TRUE(testing_support::WriteFile(root + "/" + name, "x")) << name;
    ASSERT_TRUE(QFile::link(root, root + "/season 2/loop"));
    ASSERT_TRUE(QFile::link(root + "/gone.avi", root + "/broken.avi"));

    const QStringList all = {"season 2/E1.ts",  "season 2/e2.ts", "season 2/e10.ts",
                             "season 10/e1.ts", "Clip1.avi",      "clip2.MP4",
                             "clip10.mkv"};
    const struct {
        QString folder;
        int limit;
        QStringList expected; // below the folder
    } cases[] = {
        {root, 100, all},
        {root + "/", 3, all.mid(0, 3)},
        {root, 0, {}},
        {root + "/season 10", 100, {"e1.ts"}},
        {root + "/missing", 100, {}},
    };
    for (const auto& c : cases) {
        QStringList below;
        for (const QString& path : ScanFolder(c.folder, c.limit))
            below << QDir(c.folder).relativeFilePath(path);
        EXPECT_EQ(below, c.expected) << c.folder.toStdString() << " " << c.limit;
    }
}

} // namespace
