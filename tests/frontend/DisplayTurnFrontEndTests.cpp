// Sources with a display matrix, through the front-end as a person uses it: added to the
// main window's list, cropped with Detect in the crop dialog opened by the Crop button, and
// the job values the engine is given; and the note for a matrix that is no quarter turn. With
// VANTREL_SCREENSHOT_DIR set, the crop dialog of the 90° and 45° sources is saved there.
#include "frontend/CQVCropDlg.h"
#include "frontend/CQVMainDlg.h"
#include "frontend/CQVMessageStrip.h"
#include "frontend/DisplayTurnNote.h"
#include "frontend/FrontEndCommands.h"
#include "tests/frontend/FrontEndTestSupport.h"
#include "tests/support/TestMedia.h"
#include "ui/CQVEdit.h"
#include "ui/CQVListCtrl.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cmath>
#include <functional>

using namespace qv;
using namespace qv::test;

namespace qv::test
{
// How gtest shows a colour in a failure.
static void PrintTo(ECornerColour eColour, std::ostream* pStream)
{
    static const char* const kNames[] = {"red", "yellow", "green", "white", "blue", "other"};
    *pStream << kNames[static_cast<int>(eColour)];
}
} // namespace qv::test

namespace
{

// 480 × 360 stored: a 48 pixel black bar on the left, then a blue picture with a 100 × 80
// block in each of its corners (red top left, yellow top right, green bottom right, white
// bottom left), copied with the "rotate" tag, which players show turned that many degrees
// counterclockwise.
std::string TurnedClip(int nRotateTag)
{
    static CQVScratchFolder folder;
    const std::string base = folder / "bar.mp4";
    if (!PathExists(base))
        RunFFmpeg("-f lavfi -i \"color=blue:s=480x360:r=10:d=1,"
                  "drawbox=x=0:y=0:w=48:h=360:color=black:t=fill,"
                  "drawbox=x=48:y=0:w=100:h=80:color=red:t=fill,"
                  "drawbox=x=380:y=0:w=100:h=80:color=yellow:t=fill,"
                  "drawbox=x=380:y=280:w=100:h=80:color=lime:t=fill,"
                  "drawbox=x=48:y=280:w=100:h=80:color=white:t=fill\""
                  " -c:v libx264 -preset veryfast -crf 12 -pix_fmt yuv420p \"" +
                  base + "\"");
    const std::string path = folder / ("bar" + std::to_string(nRotateTag) + ".mp4");
    if (!PathExists(path))
        RunFFmpeg("-i \"" + base + "\" -metadata:s:v:0 rotate=" + std::to_string(nRotateTag) +
                  " -c copy \"" + path + "\"");
    return path;
}

// What the crop dialog showed and found.
struct tagSeen
{
    QString strTitle;
    QSize frameSize;
    ECornerColour eTopLeft = ECornerColour::Other;
    ECornerColour eTopRight = ECornerColour::Other;
    QString strNote;
    bool bNoteControl = false;
    QString strDetected; // the four edits after Detect, "x,y,w,h"
};

// The colour just inside a corner of the rectangle in the frame image.
ECornerColour ColourInside(const QImage& frame, const QRect& r, bool bRight)
{
    const int x = bRight ? r.right() - 10 : r.left() + 10, y = r.top() + 10;
    if (!frame.rect().contains(x, y))
        return ECornerColour::Other;
    return CornerColourAt(frame.constScanLine(y) + x * 4);
}

class DisplayTurnFrontEndTest : public CFrontEndTest
{
protected:
    void SetUp() override
    {
        CFrontEndTest::SetUp();
        InstallFrontEndCommands(&dialog);
        ASSERT_TRUE(OpenShown(dialog));
    }
    void TearDown() override
    {
        dialog.DestroyWindow();
        CFrontEndTest::TearDown();
    }
    void Click(CQVDialogBase& target, unsigned nId, int nKind)
    {
        CQVButton* pControl = target.GetUIManager()->Find(static_cast<int>(nId), nKind);
        ASSERT_NE(pControl, nullptr) << nId;
        QTest::mouseClick(target.GetWidget(), Qt::LeftButton, {}, pControl->GetRect().center());
        DeliverPosted();
    }
    // Presses Crop for the selected row; once the crop dialog is up, presses Detect, records
    // what it shows and found, optionally saves a screenshot, and presses OK.
    tagSeen CropWithDetect(const QString& strScreenshot)
    {
        tagSeen seen;
        QTimer poll;
        QObject::connect(
            &poll, &QTimer::timeout,
            [&]
            {
                auto* pCrop = dynamic_cast<CQVCropDlg*>(CQVPlatformWindow::GetActiveWindow());
                if (!pCrop || !pCrop->IsWindowVisible() || pCrop->IsEnded())
                    return;
                poll.stop();
                // The picture comes from the dialog's loader thread.
                EXPECT_TRUE(WaitFor([&] { return pCrop->IsFrameExact(); }, 20000));
                pCrop->UpdateWindow();
                seen.strTitle = pCrop->GetWindowText();
                const QImage& frame = pCrop->GetFrameImage();
                seen.frameSize = frame.size();
                seen.strNote = pCrop->GetTurnNote();
                seen.bNoteControl =
                    pCrop->GetUIManager()->Find(CQVCropDlg::kIdTurnNote, kKindStatic) != nullptr;
                Click(*pCrop, CQVCropDlg::kIdDetect, kKindTextButton);
                EXPECT_TRUE(WaitFor([&] { return !pCrop->IsDetecting(); }, 20000));
                QStringList edits;
                for (int nId : {CQVCropDlg::kIdCropX, CQVCropDlg::kIdCropY,
                                CQVCropDlg::kIdCropWidth, CQVCropDlg::kIdCropHeight})
                    edits << dynamic_cast<CQVEdit*>(pCrop->GetUIManager()->Find(nId, kKindEdit))
                                 ->GetText();
                seen.strDetected = edits.join(QLatin1Char(','));
                const QRect picture = pCrop->Geometry().DisplayCrop();
                seen.eTopLeft = ColourInside(frame, picture, false);
                seen.eTopRight = ColourInside(frame, picture, true);
                const QByteArray folder = qgetenv("VANTREL_SCREENSHOT_DIR");
                if (!folder.isEmpty() && !strScreenshot.isEmpty())
                {
                    pCrop->UpdateWindow();
                    EXPECT_TRUE(pCrop->GetWidget()->grab().save(
                        QDir(QString::fromLocal8Bit(folder)).filePath(strScreenshot)));
                }
                Click(*pCrop, kIdOk, kKindTextButton);
            });
        poll.start(20);
        Click(dialog, CQVMainDlg::kIdCrop, kKindButton);
        return seen;
    }

    CQVMainDlg dialog;
};

} // namespace

TEST_F(DisplayTurnFrontEndTest, ListCropDialogDetectAndJobWorkInDisplayedPixels)
{
    const QString strNote45 =
        QStringLiteral("This video asks to be shown turned by 45° counterclockwise; it is shown "
                       "as stored.");
    using E = ECornerColour;
    const struct
    {
        int nRotateTag;
        const char* szSize;    // as shown: "Source W,Source H"
        const char* szPicture; // Detect's rectangle: the bar is cut off wherever it shows
        ECornerColour eTopLeft, eTopRight;
        QString strNote;
        const char* szScreenshot;
    } rows[] = {
        {0, "480,360", "48,0,432,360", E::Red, E::Yellow, {}, ""},
        {90, "360,480", "0,0,360,432", E::Yellow, E::Green, {}, "crop_turned90.png"},
        {180, "480,360", "0,0,432,360", E::Green, E::White, {}, ""},
        {270, "360,480", "0,48,360,432", E::White, E::Red, {}, ""},
        // No quarter turn: shown, detected and converted as stored, and the user is told.
        {45, "480,360", "48,0,432,360", E::Red, E::Yellow, strNote45, "crop_turned45.png"},
    };
    CQVListCtrl* pList = dialog.FileList();
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.nRotateTag);
        dialog.Batch().Clear();
        const QString strPath = QString::fromStdString(TurnedClip(row.nRotateTag));
        ASSERT_EQ(dialog.AddFiles({strPath}), 1);
        QStringList cells = dialog.RowCells(0);
        const auto Cells = [&](int nFirst, int nCount)
        { return cells.mid(nFirst, nCount).join(QLatin1Char(',')); };
        const QString strSize = QLatin1String(row.szSize);
        EXPECT_EQ(Cells(kColumnSourceWidth, 2), strSize);
        EXPECT_EQ(Cells(kColumnCropX, 4), QStringLiteral("0,0,") + strSize);
        const QStringList expectedLines =
            row.strNote.isEmpty() ? QStringList()
                                  : QStringList{QFileInfo(strPath).fileName() + ": " + row.strNote};
        EXPECT_EQ(dialog.MessageStrip()->Lines(), expectedLines);

        pList->SelectRow(0);
        const tagSeen seen = CropWithDetect(QString::fromLatin1(row.szScreenshot));
        EXPECT_EQ(seen.strTitle, QStringLiteral("Crop ") + QString(strSize).replace(',', " X "));
        EXPECT_EQ(QString::asprintf("%d,%d", seen.frameSize.width(), seen.frameSize.height()),
                  strSize);
        EXPECT_EQ(seen.strDetected, QLatin1String(row.szPicture));
        EXPECT_EQ(seen.eTopLeft, row.eTopLeft) << "the still frame stands as players show it";
        EXPECT_EQ(seen.eTopRight, row.eTopRight);
        EXPECT_EQ(seen.strNote, row.strNote);
        EXPECT_EQ(seen.bNoteControl, !row.strNote.isEmpty());

        // The row and the job hold the detected rectangle in the same displayed pixels (its
        // sides are multiples of 4, so the output has its size).
        cells = dialog.RowCells(0);
        EXPECT_EQ(Cells(kColumnCropX, 4), QLatin1String(row.szPicture));
        const tagQVRowJob rowJob = JobOfRow(*dialog.Batch().Row(0));
        const tagQVJobRow& job = rowJob.item;
        ASSERT_TRUE(job.bCropped);
        EXPECT_EQ(QString::asprintf("%d,%d,%d,%d", job.crop.xcrop, job.crop.ycrop, job.crop.wcrop,
                                    job.crop.hcrop),
                  QLatin1String(row.szPicture));
        const tagQVFrameSize output = rowJob.size;
        EXPECT_EQ(QString::asprintf("%d,%d", output.nWidth, output.nHeight),
                  Cells(kColumnCropWidth, 2));
    }
}

TEST(DisplayTurnNote, NamesTheAngleAndDirectionOfAMatrixThatIsNoPlainTurn)
{
    // The matrix that a "rotate" tag of N writes (16.16 values): shown N° counterclockwise.
    const auto NoteOfRotateTag = [](double dDegrees)
    {
        const int32_t c = int32_t(std::lrint(std::cos(dDegrees * M_PI / 180) * 65536));
        const int32_t s = int32_t(std::lrint(std::sin(dDegrees * M_PI / 180) * 65536));
        const int32_t matrix[9] = {c, -s, 0, s, c, 0, 0, 0, 1 << 30};
        return UnsupportedTurnNote(QVDisplayTurnOfMatrix(matrix)).toStdString();
    };
    EXPECT_EQ(NoteOfRotateTag(45), "This video asks to be shown turned by 45° counterclockwise; "
                                   "it is shown as stored.");
    EXPECT_EQ(NoteOfRotateTag(-12.5), "This video asks to be shown turned by 12.5° clockwise; it "
                                      "is shown as stored.");
    EXPECT_EQ(NoteOfRotateTag(90), "") << "a quarter turn is followed";
    const int32_t stretched[9] = {2 << 16, 0, 0, 0, 1 << 16, 0, 0, 0, 1 << 30};
    EXPECT_EQ(UnsupportedTurnNote(QVDisplayTurnOfMatrix(stretched)).toStdString(),
              "This video asks to be shown stretched or slanted; it is shown as stored.");
}
