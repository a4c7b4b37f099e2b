// The crop dialog's files and pixels: emptying folders, loading frame images at the source
// size, and the composed image area.
#include "frontend/CropFrames.h"
#include "frontend/CropImageArea.h"
#include "frontend/TempFolder.h"
#include "tests/support/TestMedia.h"

#include <QImage>
#include <QImageReader>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace fs = std::filesystem;

namespace
{

void Touch(const fs::path& path)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
}

::testing::AssertionResult Near(QRgb actual, QColor expected, int nTolerance = 1)
{
    const QColor a = QColor::fromRgba(actual);
    if (std::abs(a.red() - expected.red()) <= nTolerance &&
        std::abs(a.green() - expected.green()) <= nTolerance &&
        std::abs(a.blue() - expected.blue()) <= nTolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << a.red() << ", " << a.green() << ", " << a.blue() << ") instead of ("
           << expected.red() << ", " << expected.green() << ", " << expected.blue() << ")";
}

} // namespace

TEST(TempFolder, EmptiesEverythingInsideButNotTheFolderNorWhatLinksPointTo)
{
    CQVScratchFolder scratch;
    const fs::path folder = scratch / "tmp";
    const fs::path outside = scratch / "outside";
    Touch(folder / "option.dat");
    Touch(folder / "tlframe" / "2.5.jpg");
    Touch(folder / "tlframe" / "deeper" / "x.wav");
    Touch(outside / "keep.txt");
    fs::create_directory_symlink(outside, folder / "link-to-folder");
    fs::create_symlink(outside / "keep.txt", folder / "link-to-file");
    fs::permissions(folder / "tlframe", fs::perms::owner_read | fs::perms::owner_exec);

    EXPECT_TRUE(EmptyFolder(folder.string() + "/"));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_TRUE(fs::exists(outside / "keep.txt"));
    EXPECT_TRUE(EmptyFolder(folder.string())) << "an empty folder stays empty";
}

TEST(TempFolder, RefusesShortPathsMissingFoldersAndFiles)
{
    CQVScratchFolder scratch;
    Touch(scratch / "file");
    for (const std::string& path :
         {std::string(), std::string("/"), std::string("/ab"), std::string("/ab/"),
          std::string("/tmp/../"), scratch / "missing", scratch / "file"})
        EXPECT_FALSE(EmptyFolder(path)) << path;
    EXPECT_TRUE(fs::exists(scratch / "file"));
}

TEST(TempFolder, AFileThatCannotGoMakesItFail)
{
    CQVScratchFolder scratch;
    const fs::path folder = scratch / "tmp";
    Touch(folder / "stuck");
    const std::string stuck = (folder / "stuck").string();
    // An immutable file cannot be deleted even by its owner; setting the flag needs root.
    if (std::system(("chattr +i '" + stuck + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot make an undeletable file here";
    EXPECT_FALSE(EmptyFolder(folder.string()));
    EXPECT_TRUE(fs::exists(folder / "stuck"));
    std::system(("chattr -i '" + stuck + "'").c_str());
    EXPECT_TRUE(EmptyFolder(folder.string()));
}

TEST(CropFrames, FrameImagesAreStretchedToTheSourceSizeAndSavedOver)
{
    CQVScratchFolder scratch;
    const std::string small = scratch / "small.jpg";
    QImage picture(640, 360, QImage::Format_RGB32);
    picture.fill(QColor(30, 160, 90));
    ASSERT_TRUE(picture.save(QString::fromStdString(small), "JPEG"));

    const QImage stretched = LoadFrameImage(small, 642, 361);
    EXPECT_EQ(stretched.size(), QSize(642, 361));
    EXPECT_TRUE(Near(stretched.pixel(641, 360), QColor(30, 160, 90), 4));
    EXPECT_EQ(QImageReader(QString::fromStdString(small)).size(), QSize(642, 361));

    // An unreadable file becomes a black picture of the source size, in its place.
    const std::string broken = scratch / "broken.jpg";
    std::ofstream(broken) << "not a picture";
    const QImage black = LoadFrameImage(broken, 100, 50);
    EXPECT_EQ(black.size(), QSize(100, 50));
    EXPECT_EQ(black.pixel(99, 49), qRgb(0, 0, 0));
    EXPECT_EQ(QImageReader(QString::fromStdString(broken)).size(), QSize(100, 50));
    EXPECT_TRUE(LoadFrameImage(small, 0, 10).isNull());
}

TEST(CropImageArea, VeilOutsideTheCropOutlineAndHandles)
{
    QImage frame(40, 30, QImage::Format_RGB32);
    frame.fill(QColor(200, 50, 50));
    CQVCropImageArea area;
    area.SetFrame(frame);
    area.SetLayout(QRect(10, 105, 100, 80), QRect(30, 130, 40, 30));
    const QRect crop(35, 135, 20, 10); // client coordinates
    EXPECT_EQ(area.Compose(crop, true), QRegion(0, 0, 100, 80));
    const QImage& bitmap = area.Bitmap();
    ASSERT_EQ(bitmap.size(), QSize(100, 80));
    const auto At = [&](int x, int y) { return bitmap.pixel(x - 10, y - 105); };
    EXPECT_TRUE(Near(At(10, 105), CQVCropImageArea::kAreaGrey, 0));
    EXPECT_TRUE(Near(At(31, 131), QColor(188, 126, 126))) << "veiled";
    EXPECT_TRUE(Near(At(40, 140), QColor(200, 50, 50), 0)) << "inside the crop";
    for (const QPoint& pt : {QPoint(35, 140), QPoint(55, 140), QPoint(45, 135), QPoint(45, 145),
                             QPoint(51, 136), QPoint(43, 137)}) // outline, handles
        EXPECT_TRUE(Near(At(pt.x(), pt.y()), CQVCropImageArea::kOutline, 0))
            << pt.x() << ", " << pt.y();
    EXPECT_TRUE(Near(At(56, 140), QColor(188, 126, 126))) << "right of the outline";

    // Only what the crop touched changes, and the pieces add up to a fresh composition.
    const QRect moved(50, 140, 15, 12);
    EXPECT_EQ(area.Compose(moved, false).boundingRect(), QRect(25, 30, 31, 18));
    EXPECT_EQ(area.Compose(QRect(), false), QRegion(40, 35, 16, 13));
    area.Compose(moved.translated(-1, -1), false);
    const QRegion nudged = area.Compose(moved, false);
    EXPECT_EQ(nudged.boundingRect(), QRect(39, 34, 17, 14));
    EXPECT_FALSE(nudged.contains(QPoint(47, 41))) << "the inside that both crops share";
    CQVCropImageArea fresh;
    fresh.SetFrame(frame);
    fresh.SetLayout(QRect(10, 105, 100, 80), QRect(30, 130, 40, 30));
    fresh.Compose(moved, false);
    EXPECT_EQ(area.Bitmap(), fresh.Bitmap());
    EXPECT_TRUE(Near(area.Bitmap().pixel(40, 35), CQVCropImageArea::kOutlineGrey, 0));

    // A picture sent ahead at the display size, without its frame, is drawn: as it is at
    // its size, stretched at another until the frame comes.
    QImage ahead(40, 30, QImage::Format_ARGB32_Premultiplied);
    ahead.fill(QColor(20, 90, 160));
    for (const QRect& image : {QRect(30, 130, 40, 30), QRect(30, 130, 60, 45)})
    {
        CQVCropImageArea shown;
        shown.SetLayout(QRect(10, 105, 100, 80), image);
        shown.SetFrame(QImage(), ahead);
        shown.Compose(QRect(35, 135, 20, 10), true);
        EXPECT_TRUE(Near(shown.Bitmap().pixel(40 - 10, 140 - 105), QColor(20, 90, 160), 0))
            << image.width();
    }
}
