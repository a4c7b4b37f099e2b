// The crop dialog driven with real mouse and key events on the offscreen platform: the frame
// it shows, dragging, zoom, typed values, OK's rules, Detect and the time slider. With
// VANTREL_SCREENSHOT_DIR set, the 100 % and 50 % views are saved there.
#include "frontend/CQVCropDlg.h"
#include "frontend/CropFrameLoader.h"
#include "frontend/CropFrames.h"
#include "tests/frontend/FrontEndTestSupport.h"
#include "tests/support/TestMedia.h"
#include "ui/CQVCheck.h"
#include "ui/CQVComboBox.h"
#include "ui/CQVComboBoxList.h"
#include "ui/CQVComboBoxWnd.h"
#include "ui/CQVEdit.h"
#include "ui/CQVEditCtrl.h"
#include "ui/CQVSlider.h"

#include <QApplication>
#include <QDir>
#include <QImageReader>
#include <QLineEdit>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <functional>
#include <mutex>

using namespace qv;
using namespace qv::test;

namespace qv
{
// How gtest shows a crop in a failure.
static void PrintTo(const tagQVCropValues& r, std::ostream* pStream)
{
    *pStream << "(" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << ")";
}
} // namespace qv

namespace
{

class CropDialogTest : public CFrontEndTest
{
protected:
    // A clip made once per test in the scratch folder.
    std::string Make(const std::string& name, const std::string& input,
                     const std::string& filter = "")
    {
        const std::string path = scratch / name;
        EXPECT_TRUE(RunFFmpeg(input + (filter.empty() ? "" : " -vf \"" + filter + "\"") +
                              " -c:v libx264 -preset ultrafast -pix_fmt yuv420p \"" + path + "\""));
        return path;
    }
    // Frames that show their number (see TestMedia.h), nFps for dSeconds.
    std::string MakeNumbered(const std::string& name, int nFps, int nSeconds)
    {
        const std::string bit = "if(lt(Y,H/2),255*mod(floor(N/pow(2,floor(X*8/W))),2),0)";
        return Make(name, "-f lavfi -i \"color=black:s=160x120:r=" + std::to_string(nFps) +
                              ":d=" + std::to_string(nSeconds) + ",format=gbrp,geq=r='" + bit +
                              "':g='" + bit + "':b='if(lt(Y,H/2)," + bit + ",255)'\"");
    }
    static tagQVCropRequest Request(const std::string& path, double dDuration, int w, int h,
                                    tagQVCropValues crop)
    {
        return tagQVCropRequest{path, dDuration, w, h, crop.x, crop.y, crop.w, crop.h};
    }

    static CQVEdit* Edit(CQVCropDlg& dialog, int nId)
    {
        return dynamic_cast<CQVEdit*>(dialog.GetUIManager()->Find(nId, kKindEdit));
    }
    static tagQVCropValues Edits(CQVCropDlg& dialog)
    {
        int values[4] = {};
        const int ids[4] = {CQVCropDlg::kIdCropX, CQVCropDlg::kIdCropY, CQVCropDlg::kIdCropWidth,
                            CQVCropDlg::kIdCropHeight};
        for (int i = 0; i < 4; ++i)
            values[i] = Edit(dialog, ids[i])->GetText().toInt();
        return tagQVCropValues{values[0], values[1], values[2], values[3]};
    }
    // Replaces the edit's text by typing.
    static void Type(CQVCropDlg& dialog, int nId, const QString& text)
    {
        auto* pLine = qobject_cast<QLineEdit*>(Edit(dialog, nId)->GetEditCtrl()->GetWidget());
        ASSERT_TRUE(pLine);
        pLine->setFocus();
        pLine->selectAll();
        QTest::keyClick(pLine, Qt::Key_Backspace);
        QTest::keyClicks(pLine, text);
    }
    static void Drag(CQVCropDlg& dialog, QPoint from, QPoint to)
    {
        QWidget* pWidget = dialog.GetWidget();
        QTest::mouseMove(pWidget, from);
        QTest::mousePress(pWidget, Qt::LeftButton, {}, from);
        QTest::mouseMove(pWidget, (from + to) / 2);
        QTest::mouseMove(pWidget, to);
        QTest::mouseRelease(pWidget, Qt::LeftButton, {}, to);
    }
    static void Click(CQVCropDlg& dialog, QPoint pt)
    {
        QTest::mouseClick(dialog.GetWidget(), Qt::LeftButton, {}, pt);
        DeliverPosted();
    }
    static QPoint OkButton(CQVCropDlg& dialog)
    {
        const QRect client = dialog.GetClientRect();
        return QPoint(client.width() - 40, client.height() - 20);
    }
    static void ChooseZoom(CQVCropDlg& dialog, int nIndex)
    {
        auto* pZoom = dynamic_cast<CQVComboBox*>(
            dialog.GetUIManager()->Find(CQVCropDlg::kIdZoom, kKindComboBox));
        Click(dialog, pZoom->GetRect().center());
        ASSERT_TRUE(pZoom->IsDropDownOpen());
        CQVComboBoxWnd* pDrop = pZoom->GetDropDown();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pDrop->GetWidget()));
        const QPoint pt = pDrop->GetList().RowRect(nIndex).center();
        QTest::mouseMove(pDrop->GetWidget(), pt);
        QTest::mouseClick(pDrop->GetWidget(), Qt::LeftButton, {}, pt);
        DeliverPosted();
    }
    // Runs the dialog modally; the actions run once it shows.
    static int RunModal(CQVCropDlg& dialog, const std::function<void()>& actions)
    {
        QTimer::singleShot(0,
                           [&]
                           {
                               ASSERT_TRUE(WaitFor([&] { return dialog.IsWindowVisible(); }));
                               ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.GetWidget()));
                               dialog.UpdateWindow();
                               actions();
                           });
        return dialog.DoModal();
    }
    // The exact picture of the time asked for is shown and its frame image saved.
    static bool WaitExact(CQVCropDlg& dialog)
    {
        return WaitFor(
            [&] {
                return dialog.IsFrameExact() && std::filesystem::exists(dialog.GetFrameImagePath());
            },
            15000);
    }
    static bool FolderEmpty(const std::string& folder)
    {
        std::error_code error;
        return !std::filesystem::exists(folder, error) || std::filesystem::is_empty(folder, error);
    }

    CQVScratchFolder scratch;
};

} // namespace

TEST_F(CropDialogTest, AShortSourceShowsItsMiddleALongOneTheFifthSecond)
{
    const struct
    {
        int nFps, nSeconds;
        double dTime;
        const char* szFile;
        int nFrame;
    } rows[] = {{10, 3, 1.5, "1.5.jpg", 15}, {2, 12, 5.0, "5.0.jpg", 10}};
    for (const auto& row : rows)
    {
        const std::string clip = MakeNumbered("numbered" + std::to_string(row.nSeconds) + ".mp4",
                                              row.nFps, row.nSeconds);
        CQVCropDlg dialog(Request(clip, row.nSeconds, 160, 120, {0, 0, 160, 120}), nullptr);
        ASSERT_TRUE(OpenShown(dialog));
        ASSERT_TRUE(WaitExact(dialog));
        EXPECT_EQ(dialog.GetFrameTime(), row.dTime);
        EXPECT_EQ(dialog.GetFrameImagePath(),
                  FrameFolder(FrontEndGlobals().tempFolder) + row.szFile);
        const QImage& frame = dialog.GetFrameImage();
        ASSERT_EQ(frame.size(), QSize(160, 120));
        EXPECT_EQ(ReadFrameNumber(frame.constBits(), frame.bytesPerLine(), 160, 120, false),
                  row.nFrame);
        EXPECT_EQ(dialog.GetWindowText(), QStringLiteral("Crop 160 X 120"));
    }
    EXPECT_TRUE(FolderEmpty(FrameFolder(FrontEndGlobals().tempFolder)))
        << "the dialogs took their frames with them";
}

TEST_F(CropDialogTest, DraggingStopsAtTwoPixelsAndAMoveAgainstTheBorderKeepsTheSize)
{
    const std::string clip = Make("clip.mp4", "-f lavfi -i testsrc2=s=320x240:r=10:d=1");
    {
        CQVCropDlg dialog(Request(clip, 1, 320, 240, {0, 0, 320, 240}), nullptr);
        ASSERT_TRUE(OpenShown(dialog));
        const QRect r = dialog.Geometry().VisibleRect();
        QTest::mouseMove(dialog.GetWidget(), r.topLeft() + QPoint(1, 1));
        EXPECT_EQ(dialog.GetCursorShape(), Qt::SizeFDiagCursor);
        Drag(dialog, r.topLeft() + QPoint(1, 1), r.bottomRight() + QPoint(40, 40));
        EXPECT_EQ(Edits(dialog), (tagQVCropValues{318, 238, 2, 2}));
    }
    {
        CQVCropDlg dialog(Request(clip, 1, 320, 240, {40, 30, 100, 80}), nullptr);
        ASSERT_TRUE(OpenShown(dialog));
        const QPoint inside = dialog.Geometry().VisibleRect().center();
        QTest::mouseMove(dialog.GetWidget(), inside);
        EXPECT_EQ(dialog.GetCursorShape(), Qt::SizeAllCursor);
        Drag(dialog, inside, inside + QPoint(400, 300));
        EXPECT_EQ(Edits(dialog), (tagQVCropValues{220, 160, 100, 80}));
        Drag(dialog, dialog.Geometry().VisibleRect().center(),
             QPoint(1, 1)); // QTest takes (0, 0) for the centre
        EXPECT_EQ(Edits(dialog), (tagQVCropValues{0, 0, 100, 80}));
    }
}

TEST_F(CropDialogTest, AtHalfZoomADragWritesEvenValuesAtFullZoomExactOnes)
{
    const std::string clip = Make("clip.mp4", "-f lavfi -i testsrc2=s=640x360:r=10:d=1");
    CQVCropDlg dialog(Request(clip, 1, 640, 360, {101, 51, 301, 201}), nullptr);
    ASSERT_TRUE(OpenShown(dialog));
    EXPECT_EQ(dialog.GetClientRect().size(), QSize(680, 560));
    QPoint inside = dialog.Geometry().VisibleRect().center();
    Drag(dialog, inside, inside + QPoint(7, 3));
    EXPECT_EQ(Edits(dialog), (tagQVCropValues{108, 54, 301, 201}));

    ChooseZoom(dialog, 2);
    EXPECT_EQ(dialog.GetZoom(), 0.5);
    EXPECT_EQ(dialog.GetClientRect().size(), QSize(390, 380));
    EXPECT_EQ(dialog.Geometry().DisplayCrop(), QRect(54, 27, 150, 100));
    inside = dialog.Geometry().VisibleRect().center();
    Drag(dialog, inside, inside + QPoint(7, 3));
    EXPECT_EQ(Edits(dialog), (tagQVCropValues{122, 60, 300, 200}));

    // Typed values move the rectangle at the zoom, as typed.
    Type(dialog, CQVCropDlg::kIdCropX, QStringLiteral("31"));
    EXPECT_EQ(dialog.Geometry().DisplayCrop(), QRect(15, 30, 150, 100));
    EXPECT_EQ(Edits(dialog).x, 31);
}

TEST_F(CropDialogTest, OkRulesForTheRowAndTheFramesGoAfterTheRun)
{
    const std::string clip = Make("clip.mp4", "-f lavfi -i testsrc2=s=320x240:r=10:d=1");
    const tagQVCropValues row{10, 20, 200, 100};
    const struct
    {
        const char* szCase;
        std::function<void(CQVCropDlg&)> actions;
        int nCode;
        bool bChanged;
        tagQVCropValues cells;
    } rows[] = {
        {"typed values",
         [](CQVCropDlg& d)
         {
             Type(d, CQVCropDlg::kIdCropY, "44");
             Click(d, OkButton(d));
         },
         kIdOk,
         true,
         {10, 44, 200, 100}},
        {"width 0",
         [](CQVCropDlg& d)
         {
             Type(d, CQVCropDlg::kIdCropWidth, "0");
             Click(d, OkButton(d));
         },
         kIdOk, false, row},
        {"Enable cleared",
         [](CQVCropDlg& d)
         {
             Click(d, QPoint(30, 50));
             Click(d, OkButton(d));
         },
         kIdOk,
         true,
         {0, 0, 320, 240}},
        {"Cancel",
         [](CQVCropDlg& d)
         {
             Type(d, CQVCropDlg::kIdCropY, "44");
             QTest::keyClick(d.GetWidget(), Qt::Key_Escape);
         },
         kIdCancel, false, row},
    };
    for (const auto& test : rows)
    {
        CQVCropDlg dialog(Request(clip, 1, 320, 240, row), nullptr);
        bool bSawFrame = false;
        EXPECT_EQ(RunModal(dialog,
                           [&]
                           {
                               bSawFrame = WaitExact(dialog);
                               test.actions(dialog);
                           }),
                  test.nCode)
            << test.szCase;
        const tagQVCropResult& result = dialog.GetResult();
        EXPECT_EQ(result.bOk, test.nCode == kIdOk) << test.szCase;
        EXPECT_EQ(result.bChanged, test.bChanged) << test.szCase;
        EXPECT_EQ(
            (tagQVCropValues{result.nCropX, result.nCropY, result.nCropWidth, result.nCropHeight}),
            test.cells)
            << test.szCase;
        EXPECT_TRUE(bSawFrame) << test.szCase;
        EXPECT_TRUE(FolderEmpty(FrameFolder(FrontEndGlobals().tempFolder))) << test.szCase;
    }
}

TEST_F(CropDialogTest, ClearedEnableGreysTheRectangleAndAPressMovesTheWindow)
{
    const std::string clip = Make("clip.mp4", "-f lavfi -i testsrc2=s=320x240:r=10:d=1");
    CQVCropDlg dialog(Request(clip, 1, 320, 240, {40, 30, 100, 80}), nullptr);
    ASSERT_TRUE(OpenShown(dialog));
    Click(dialog, QPoint(30, 50));
    EXPECT_FALSE(Edit(dialog, CQVCropDlg::kIdCropX)->IsEnabled());
    const QRect r = dialog.Geometry().VisibleRect();
    EXPECT_EQ(dialog.GetContentImage().pixel(r.topLeft()), CQVCropImageArea::kOutlineGrey.rgb());

    const QPoint at = dialog.GetWindowRect().topLeft();
    QTest::mouseMove(dialog.GetWidget(), r.center());
    EXPECT_EQ(dialog.GetCursorShape(), Qt::ArrowCursor);
    QTest::mousePress(dialog.GetWidget(), Qt::LeftButton, {}, r.center());
    QTest::mouseMove(dialog.GetWidget(), r.center() + QPoint(30, 20));
    QTest::mouseRelease(dialog.GetWidget(), Qt::LeftButton, {}, r.center() + QPoint(30, 20));
    EXPECT_EQ(dialog.GetWindowRect().topLeft(), at + QPoint(30, 20));
    EXPECT_EQ(Edits(dialog), (tagQVCropValues{40, 30, 100, 80}));
    EXPECT_EQ(CQVPlatformWindow::GetCapture(), nullptr);
}

TEST_F(CropDialogTest, ASourceWhoseWidthIsNoMultipleOfFourIsShownWhole)
{
    const std::string clip = Make("wide.mp4", "-f lavfi -i testsrc2=s=642x360:r=10:d=1");
    CQVCropDlg dialog(Request(clip, 1, 642, 360, {0, 0, 642, 360}), nullptr);
    ASSERT_TRUE(OpenShown(dialog));
    ASSERT_TRUE(WaitExact(dialog));
    dialog.UpdateWindow();
    EXPECT_EQ(dialog.GetFrameImage().size(), QSize(642, 360));
    EXPECT_EQ(QImageReader(QString::fromStdString(dialog.GetFrameImagePath())).size(),
              QSize(642, 360));
    const QRect image = dialog.Geometry().ImageRect();
    ASSERT_EQ(image.width(), 642);
    for (int y : {10, 100, 350}) // clear of the right edge's handles
        EXPECT_EQ(dialog.GetContentImage().pixel(image.x() + 641, image.y() + y),
                  dialog.GetFrameImage().pixel(641, y))
            << y;
}

TEST_F(CropDialogTest, DetectPutsThePictureIntoTheEditsOrSaysItFoundNone)
{
    const std::string letterbox =
        Make("letterbox.mp4", "-f lavfi -i testsrc2=s=320x160:r=10:d=2", "pad=320:240:0:40:black");
    const std::string black = Make("black.mp4", "-f lavfi -i color=black:s=320x240:r=10:d=2");
    const QPoint detect(240, 15);
    {
        CQVCropDlg dialog(Request(letterbox, 2, 320, 240, {0, 0, 320, 240}), nullptr);
        ASSERT_TRUE(OpenShown(dialog));
        Click(dialog, detect);
        EXPECT_TRUE(dialog.IsDetecting());
        ASSERT_TRUE(WaitFor([&] { return !dialog.IsDetecting(); }, 20000));
        EXPECT_EQ(Edits(dialog), (tagQVCropValues{0, 40, 320, 160}));
        EXPECT_EQ(dialog.Geometry().DisplayCrop(), QRect(0, 40, 320, 160));
    }
    {
        CQVCropDlg dialog(Request(black, 2, 320, 240, {8, 8, 300, 200}), nullptr);
        ASSERT_TRUE(OpenShown(dialog));
        QString strShown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout,
                         [&]
                         {
                             for (QWidget* pWidget : QApplication::topLevelWidgets())
                                 if (pWidget->isVisible() &&
                                     pWidget->windowTitle() == QLatin1String("Tips"))
                                 {
                                     strShown = pWidget->windowTitle();
                                     QTest::keyClick(pWidget, Qt::Key_Escape);
                                 }
                         });
        poll.start(20);
        Click(dialog, detect);
        ASSERT_TRUE(WaitFor([&] { return !dialog.IsDetecting() && !strShown.isEmpty(); }, 20000));
        EXPECT_EQ(Edits(dialog), (tagQVCropValues{8, 8, 300, 200}));
    }
}

TEST_F(CropDialogTest, TheSlidersReleaseGrabsTheFrameAtItsTimeAndKeepsTheCrop)
{
    const std::string clip = MakeNumbered("numbered.mp4", 10, 3);
    CQVCropDlg dialog(Request(clip, 3, 160, 120, {10, 10, 100, 60}), nullptr);
    ASSERT_TRUE(OpenShown(dialog));
    const QRect slider =
        dialog.GetUIManager()->Find(CQVCropDlg::kIdTimeSlider, kKindSlider)->GetRect();
    Click(dialog, QPoint(slider.right(), slider.center().y()));
    ASSERT_TRUE(WaitExact(dialog));
    EXPECT_EQ(dialog.GetFrameTime(), 3.0);
    EXPECT_EQ(dialog.GetFrameImagePath(), FrameFolder(FrontEndGlobals().tempFolder) + "3.0.jpg");
    const QImage& frame = dialog.GetFrameImage();
    EXPECT_EQ(ReadFrameNumber(frame.constBits(), frame.bytesPerLine(), 160, 120, false), 29);
    EXPECT_EQ(Edits(dialog), (tagQVCropValues{10, 10, 100, 60}));
}

TEST_F(CropDialogTest, ScreenshotsAtFullAndHalfZoomWithACrop)
{
    const std::string clip = Make("shot.mp4", "-f lavfi -i testsrc2=s=640x360:r=10:d=1");
    CQVCropDlg dialog(Request(clip, 1, 640, 360, {80, 40, 480, 280}), nullptr);
    ASSERT_TRUE(OpenShown(dialog));
    const QByteArray folder = qgetenv("VANTREL_SCREENSHOT_DIR");
    for (int nZoom : {0, 2})
    {
        if (nZoom != 0)
            ChooseZoom(dialog, nZoom);
        dialog.UpdateWindow();
        const QRect r = dialog.Geometry().VisibleRect();
        EXPECT_EQ(dialog.GetContentImage().pixel(r.topLeft()), CQVCropImageArea::kOutline.rgb());
        EXPECT_EQ(dialog.GetContentImage().pixel(r.right() + 1, r.center().y()),
                  CQVCropImageArea::kOutline.rgb());
        if (!folder.isEmpty())
        {
            EXPECT_TRUE(dialog.GetWidget()->grab().save(
                QDir(QString::fromLocal8Bit(folder))
                    .filePath(nZoom == 0 ? QStringLiteral("crop_100.png")
                                         : QStringLiteral("crop_50.png"))));
        }
    }
}

// A clip whose only key frame is its first picture: the first answer is that picture at
// the display size, marked approximate and saved nowhere; then comes the exact one at the
// display size, then its whole frame, saved under its time.
TEST_F(CropDialogTest, TheLoaderAnswersWithTheKeyFrameFirstAndThenTheExactPicture)
{
    const std::string clip =
        Make("gop.mp4", "-f lavfi -i \"color=black:s=160x120:r=10:d=6,format=gbrp,geq=r='" +
                            std::string("if(lt(Y,H/2),255*mod(floor(N/pow(2,floor(X*8/"
                                        "W))),2),0)") +
                            "':g='if(lt(Y,H/2),255*mod(floor(N/pow(2,floor(X*8/W))),2),"
                            "0)':b='if(lt(Y,H/2),255*mod(floor(N/pow(2,floor(X*8/W))),"
                            "2),255)'\" -g 600 -keyint_min 600 -sc_threshold 0");
    struct tagSeen
    {
        int nSerial;
        bool bExact;
        int nFrame; // read from the whole frame, else from the display picture
        bool bFileThere;
        QSize frame, display;
    };
    std::mutex mutex;
    std::vector<tagSeen> seen;
    CQVCropFrameLoader* pLoader = nullptr;
    CQVCropFrameLoader loader(clip, 160, 120,
                              [&]
                              {
                                  std::lock_guard<std::mutex> lock(mutex);
                                  tagQVCropPicture picture;
                                  if (!pLoader || !pLoader->Take(&picture))
                                      return;
                                  const QImage& f =
                                      picture.frame.isNull() ? picture.display : picture.frame;
                                  seen.push_back({picture.nSerial, picture.bExact,
                                                  ReadFrameNumber(f.constBits(), f.bytesPerLine(),
                                                                  f.width(), f.height(), false),
                                                  std::filesystem::exists(picture.imagePath),
                                                  picture.frame.size(), picture.display.size()});
                              });
    {
        std::lock_guard<std::mutex> lock(mutex);
        pLoader = &loader;
    }
    const std::string path = FrameImagePath(FrontEndGlobals().tempFolder, 4.0);
    loader.Request(4.0, path, QSize(80, 60));
    const auto Count = [&]
    {
        std::lock_guard<std::mutex> lock(mutex);
        return seen.empty() || seen.back().frame.isEmpty() ? 0 : seen.size();
    };
    ASSERT_TRUE(WaitFor([&] { return Count() > 0; }, 15000));
    {
        std::lock_guard<std::mutex> lock(mutex);
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_FALSE(seen[0].bExact);
        EXPECT_LE(seen[0].nFrame, 1) << "the key frame's picture, or the one after it";
        EXPECT_FALSE(seen[0].bFileThere) << "the approximate picture is never saved";
        for (int i : {1, 2})
        {
            EXPECT_TRUE(seen[i].bExact) << i;
            EXPECT_EQ(seen[i].nFrame, 40) << i;
            EXPECT_EQ(seen[i].display, QSize(80, 60)) << i;
        }
        EXPECT_TRUE(seen[1].frame.isEmpty());
        EXPECT_EQ(seen[2].frame, QSize(160, 120));
        seen.clear();
    }
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(path); }, 5000));
    const QImage saved(QString::fromStdString(path));
    EXPECT_EQ(ReadFrameNumber(saved.convertToFormat(QImage::Format_RGB32).constBits(),
                              saved.convertToFormat(QImage::Format_RGB32).bytesPerLine(), 160, 120,
                              false),
              40);

    // Requests one after the other: the last one's exact picture ends the run, and no
    // answer is older than one before it.
    for (double dTime : {1.0, 2.0, 3.0, 5.5})
        loader.Request(dTime, FrameImagePath(FrontEndGlobals().tempFolder, dTime), QSize(160, 120));
    ASSERT_TRUE(WaitFor(
        [&]
        {
            std::lock_guard<std::mutex> lock(mutex);
            return !seen.empty() && !seen.back().frame.isEmpty() && seen.back().nSerial == 5;
        },
        15000));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(seen.back().nFrame, 55);
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_LE(seen[i - 1].nSerial, seen[i].nSerial);
    pLoader = nullptr;
}

// A slider dragged along asks for every position and ends on the exact picture of the
// last; the crop stays.
TEST_F(CropDialogTest, ASliderDragEndsOnItsLastPosition)
{
    const std::string clip = MakeNumbered("numbered.mp4", 10, 3);
    CQVCropDlg dialog(Request(clip, 3, 160, 120, {10, 10, 100, 60}), nullptr);
    ASSERT_TRUE(OpenShown(dialog));
    ASSERT_TRUE(WaitExact(dialog));
    auto* pSlider = dynamic_cast<CQVSlider*>(
        dialog.GetUIManager()->Find(CQVCropDlg::kIdTimeSlider, kKindSlider));
    QWidget* pWidget = dialog.GetWidget();
    QPoint pt = pSlider->ThumbRect().center();
    QTest::mousePress(pWidget, Qt::LeftButton, {}, pt);
    for (int i = 0; i < 12; ++i)
    {
        pt += QPoint(i < 8 ? -9 : 4, 0);
        QTest::mouseMove(pWidget, pt);
        QCoreApplication::processEvents();
    }
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, pt);
    const double dLast = pSlider->GetPos();
    ASSERT_NE(dLast, FirstFrameTime(3)) << "the thumb moved";
    EXPECT_EQ(dialog.GetFrameTime(), dLast);
    ASSERT_TRUE(WaitExact(dialog));
    EXPECT_EQ(dialog.GetFrameTime(), dLast);
    const QImage& frame = dialog.GetFrameImage();
    // The first picture at or after the time.
    EXPECT_EQ(ReadFrameNumber(frame.constBits(), frame.bytesPerLine(), 160, 120, false),
              static_cast<int>(std::ceil(dLast * 10 - 0.001)));
    EXPECT_EQ(Edits(dialog), (tagQVCropValues{10, 10, 100, 60}));
}

// A frame larger than the screen opens at "Fit": the window fits the work area and the
// picture fills exactly the image rectangle of that zoom, the area's grey around it.
TEST_F(CropDialogTest, ALargeFrameOpensAtFitAndFillsItsImageRectangle)
{
    const std::string clip = Make("blue.mp4", "-f lavfi -i color=c=0x3366CC:s=1920x1080:r=5:d=1");
    CQVCropDlg dialog(Request(clip, 1, 1920, 1080, {0, 0, 1920, 1080}), nullptr);
    ASSERT_TRUE(OpenShown(dialog));
    ASSERT_TRUE(WaitExact(dialog));
    dialog.UpdateWindow();
    EXPECT_TRUE(dialog.GetWorkArea().contains(dialog.GetWindowRect()));
    const QSize work = dialog.GetWorkArea().size();
    EXPECT_EQ(dialog.GetZoom(), dialog.Geometry().FitZoom(work, 380));
    const QRect image = dialog.Geometry().ImageRect();
    const QImage content = dialog.GetContentImage();
    const auto Near = [](QRgb a, QColor b, int n)
    {
        return std::abs(qRed(a) - b.red()) <= n && std::abs(qGreen(a) - b.green()) <= n &&
               std::abs(qBlue(a) - b.blue()) <= n;
    };
    for (const QPoint& pt :
         {image.topLeft() + QPoint(10, 10), image.bottomRight() - QPoint(10, 10), image.center()})
        EXPECT_TRUE(Near(content.pixel(pt), QColor(0x33, 0x66, 0xCC), 12))
            << pt.x() << "," << pt.y();
    for (const QPoint& pt : {image.topLeft() - QPoint(3, 3), image.bottomRight() + QPoint(3, 3)})
        EXPECT_TRUE(Near(content.pixel(pt), CQVCropImageArea::kAreaGrey, 0))
            << pt.x() << "," << pt.y();
}
