// The whole program as a person uses it, on the X server: the real Vantrel (a copy of the
// program folder the build leaves), driven only by xdotool's pointer and keys, watched only
// from outside (its windows, the screen, its engine processes and the files it writes).
// Two clips are added by typing their paths into the file dialog, one is cropped by
// dragging the rectangle and the other by Detect, MP4 is chosen, the batch is rendered
// into a folder typed into the folder dialog and a row is previewed. The screenshots are
// the user guide's: with VANTREL_GUIDE_SHOTS=<folder> they are written there, else into
// vantrel-e2e-shots/ under the temporary folder.
#include "frontend/CropGeometry.h"
#include "platform/Process.h"
#include "platform/ProgramFolder.h"
#include "tests/frontend/RealProgramSupport.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestMedia.h"

#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRect>
#include <QScreen>
#include <QStandardPaths>
#include <QStyleHints>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

using namespace qv;
using qv::test::RunProgram;
using qv::test::WaitUntil;

namespace
{

struct tagQVWindow
{
    QString id;
    QRect rect; // screen coordinates; the windows have no frame, so this is the client area
    QPoint At(int x, int y) const { return rect.topLeft() + QPoint(x, y); }
    QPoint FromRight(int x, int y) const { return At(rect.width() - x, rect.height() - y); }
};

QString Xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The shown window with exactly this title, once it is there.
tagQVWindow FindWindow(const QString& title, int nTimeoutMs = 10000)
{
    tagQVWindow window;
    WaitUntil(
        [&]
        {
            window.id = Xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"})
                            .section('\n', 0, 0);
            return !window.id.isEmpty();
        },
        nTimeoutMs);
    if (window.id.isEmpty())
        return window;
    int values[4] = {};
    for (const QString& line : Xdotool({"getwindowgeometry", "--shell", window.id}).split('\n'))
        for (int i = 0; i < 4; ++i)
            if (line.startsWith(QStringList{"X=", "Y=", "WIDTH=", "HEIGHT="}[i]))
                values[i] = line.section('=', 1).toInt();
    window.rect = QRect(values[0], values[1], values[2], values[3]);
    return window;
}

bool WindowGone(const QString& title, int nTimeoutMs = 10000)
{
    return WaitUntil(
        [&] {
            return Xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}).isEmpty();
        },
        nTimeoutMs);
}

// A press a double-click time after the last one, so that no two clicks make a double click.
void Click(QPoint pt)
{
    QThread::msleep(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
    Xdotool({"mousemove", QString::number(pt.x()), QString::number(pt.y()), "click", "1"});
}

// Presses at one point, moves to another and lets go there.
void Drag(QPoint from, QPoint to)
{
    QThread::msleep(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
    Xdotool({"mousemove", "--sync", QString::number(from.x()), QString::number(from.y()),
             "mousedown", "1", "mousemove", "--sync", QString::number(to.x()),
             QString::number(to.y()), "mouseup", "1"});
}

void Type(const QString& text)
{
    Xdotool({"type", "--delay", "5", text});
}

// Out of every window, so that no hover look is caught in a picture.
void PointerAway()
{
    Xdotool({"mousemove", "2", "2"});
}

QImage Grab(const QRect& rect)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Once two grabs 200 ms apart agree (painting is done), or after 3 s.
QImage GrabSettled(const QRect& rect)
{
    QImage last = Grab(rect);
    for (int i = 0; i < 15; ++i)
    {
        QThread::msleep(200);
        QImage next = Grab(rect);
        if (next == last)
            break;
        last = next;
    }
    return last;
}

// Pictures of a file through an ffmpeg filter chain, as top-down BGRA one after the other;
// every picture once, none repeated for its time.
std::string DecodePictures(const std::string& path, const std::string& filters)
{
    std::string out;
    if (RunProgram("ffmpeg",
                   {"-nostdin", "-v", "error", "-i", path, "-vf", filters, "-fps_mode",
                    "passthrough", "-f", "rawvideo", "-pix_fmt", "bgra", "-"},
                   &out, nullptr) != 0)
        return std::string();
    return out;
}

std::string DecodePicture(const std::string& path, int nPicture, const std::string& filters)
{
    const std::string select = "select=eq(n\\," + std::to_string(nPicture) + ")";
    return DecodePictures(path, filters.empty() ? select : select + "," + filters);
}

// Mean absolute difference of the colour bytes of two BGRA pictures of nBytes (the first
// nBytes of each); infinite when either is shorter.
double MeanDifference(const char* pA, size_t nA, const char* pB, size_t nB, size_t nBytes)
{
    if (nBytes == 0 || nA < nBytes || nB < nBytes)
        return INFINITY;
    double dSum = 0;
    for (size_t i = 0; i < nBytes; ++i)
        if (i % 4 != 3)
            dSum += std::abs(static_cast<uint8_t>(pA[i]) - static_cast<uint8_t>(pB[i]));
    return dSum / static_cast<double>(nBytes / 4 * 3);
}

double MeanDifference(const std::string& a, const std::string& b)
{
    return a.size() != b.size() ? INFINITY
                                : MeanDifference(a.data(), a.size(), b.data(), b.size(), a.size());
}

// The source picture (of those decoded one after the other) that a grab of the screen
// shows, and how far it is from it.
struct tagQVMatch
{
    int nPicture = -1;
    double dDifference = INFINITY;
};

tagQVMatch BestMatch(const QImage& grab, const std::string& pictures, QSize size)
{
    tagQVMatch best;
    const size_t nPictureBytes = static_cast<size_t>(size.width()) * size.height() * 4;
    const size_t nBytes = static_cast<size_t>(grab.width()) * grab.height() * 4;
    if (grab.width() != size.width() || grab.height() > size.height())
        return best;
    const char* pGrab = reinterpret_cast<const char*>(grab.constBits());
    for (size_t n = 0; (n + 1) * nPictureBytes <= pictures.size(); ++n)
    {
        const double d = MeanDifference(pGrab, grab.sizeInBytes(),
                                        pictures.data() + n * nPictureBytes, nPictureBytes, nBytes);
        if (d < best.dDifference)
            best = {static_cast<int>(n), d};
    }
    return best;
}

// One clip as the test adds, crops and renders it.
struct tagQVClip
{
    const char* pszName;
    const char* pszMake; // ffmpeg arguments before the output path
    QSize source;
    QRect crop;   // what the crop dialog leaves
    QSize output; // the crop rounded down to multiples of 4
};

const tagQVClip kClips[] = {
    {"harbour.mp4",
     "-f lavfi -i testsrc2=size=400x300:rate=30 -f lavfi -i sine=frequency=440 -t 2 "
     "-c:v libx264 -pix_fmt yuv420p -c:a aac",
     {400, 300},
     {41, 30, 241, 181},
     {240, 180}},
    // 320 x 180 in black bars of 30 above and below.
    {"widescreen.mp4",
     "-f lavfi -i testsrc2=size=320x180:rate=30 -f lavfi -i sine=frequency=660 -t 2 "
     "-vf pad=320:240:0:30:black -c:v libx264 -pix_fmt yuv420p -c:a aac",
     {320, 240},
     {0, 30, 320, 180},
     {320, 180}},
};
constexpr double kClipSeconds = 2.0;

// Places in the main window (client coordinates).
const QPoint kAddButton(30, 55);
const QPoint kCropButton(235, 60);
const QPoint kPreviewButton(275, 60);
const QPoint kCloseButton(988, 15);
QPoint SettingsButton(const tagQVWindow& w)
{
    return w.At(w.rect.width() - 193, 55);
}
QPoint RenderButton(const tagQVWindow& w)
{
    return w.At(w.rect.width() - 74, 55);
}
QRect RenderButtonRect(const tagQVWindow& w)
{
    return QRect(w.At(w.rect.width() - 137, 35), QSize(126, 40));
}
// The list's rows start below its header; "File" is 250 wide, then "State".
QPoint RowPoint(int nRow)
{
    return QPoint(100, 80 + 1 + 28 + 26 * nRow + 13);
}
// The left end of a row's state bar, left of its text: filled when the row is done.
QRect StateBarEnd(const tagQVWindow& w, int nRow)
{
    return QRect(w.At(250 + 11 + 10, 80 + 1 + 28 + 26 * nRow + 9), QSize(14, 8));
}

// The middle of a row's State bar, where its text stands.
QRect StateText(const tagQVWindow& w, int nRow)
{
    return QRect(w.At(250 + 11 + 60, 80 + 1 + 28 + 26 * nRow + 5), QSize(80, 14));
}

// The message strip below the list.
QRect MessageStripRect(const tagQVWindow& w)
{
    return QRect(w.At(2, 522), QSize(996, 116));
}

class XServerEndToEnd : public qv::test::CRealProgramTest
{
protected:
    void SetUp() override
    {
        CRealProgramTest::SetUp();
        if (IsSkipped())
            return;
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server: run under xvfb-run";
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "xdotool is not installed";
        m_shots = qEnvironmentVariable("VANTREL_GUIDE_SHOTS");
        if (m_shots.isEmpty())
            m_shots = QDir::temp().filePath(QStringLiteral("vantrel-e2e-shots"));
        QDir().mkpath(m_shots);

        // The program folder as the build leaves it, moved here as a whole: what the run
        // writes (job files, the dialogs' settings files) stays in the test's folder, and
        // its engine processes are told apart from any other by their executable.
        const std::string built = VANTREL_BUILT_FRONTEND;
        const std::string builtFolder = built.substr(0, built.rfind('/') + 1);
        ASSERT_TRUE(qv::test::CopyFile(built, m_program / "Vantrel", true));
        ASSERT_TRUE(qv::test::CopyFile(VANTREL_BUILT_ENGINE, m_program / "VantrelEngine", true));
        for (const std::string& file : qv::test::ListFiles(builtFolder + "skin"))
        {
            const std::string to = m_program / ("skin/" + file);
            ASSERT_TRUE(MakeFolders(to.substr(0, to.rfind('/'))));
            ASSERT_TRUE(qv::test::CopyFile(builtFolder + "skin/" + file, to, false));
        }
        ASSERT_TRUE(MakeFolders(m_program / "tmp"));
        // Processes are found by the resolved path of their executable.
        m_engine = QFileInfo(QString::fromStdString(m_program / "VantrelEngine"))
                       .canonicalFilePath()
                       .toStdString();
        ASSERT_TRUE(MakeFolders(m_output.Path()));
        chmod(m_runtime.Path().c_str(), 0700);

        for (const tagQVClip& clip : kClips)
            ASSERT_TRUE(qv::test::RunFFmpeg(std::string(clip.pszMake) + " \"" +
                                            (m_media / clip.pszName) + "\""));

        // Qt's own file dialogs, whatever desktop the test runs in.
        for (const char* pszName :
             {"QT_QPA_PLATFORMTHEME", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
              "GNOME_DESKTOP_SESSION_ID"})
        {
            m_savedEnvironment.emplace_back(pszName, qgetenv(pszName),
                                            qEnvironmentVariableIsSet(pszName));
            qunsetenv(pszName);
        }
    }
    void TearDown() override
    {
        EndProgram(m_pid);
        m_pid = -1;
        for (pid_t pid : Engines())
            TerminateProcess(pid);
        for (const auto& [name, value, bSet] : m_savedEnvironment)
            if (bSet)
                qputenv(name, value);
        CRealProgramTest::TearDown();
    }

    std::vector<pid_t> Engines() const
    {
        return m_engine.empty() ? std::vector<pid_t>() : FindOwnProcesses(m_engine);
    }
    // bSettled: once painting is done; else at once (a picture that plays).
    void Shot(const char* pszName, const QRect& rect, bool bSettled = true)
    {
        (bSettled ? GrabSettled(rect) : Grab(rect))
            .save(QDir(m_shots).filePath(QString::fromLatin1(pszName) + ".png"), "PNG", 0);
    }
    std::string ClipPath(int i) const { return m_media / kClips[i].pszName; }
    std::string OutputPath(int i) const
    {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "(output%03d)", i + 1);
        const std::string name = kClips[i].pszName;
        return m_output / (prefix + name.substr(0, name.rfind('.')) + ".mp4");
    }

    qv::test::CQVTestFolder m_program{"vantrel-e2e-program"};
    // Named as a user's folders would be: the guide shows their paths.
    qv::test::CQVTestFolder m_media{"Videos"};
    qv::test::CQVTestFolder m_output{"Converted"};
    std::vector<std::tuple<const char*, QByteArray, bool>> m_savedEnvironment;
    std::string m_engine;
    QString m_shots;
};

} // namespace

TEST_F(XServerEndToEnd, AddCropChooseMp4RenderAndPreviewTwoClips)
{
    PointerAway();
    // The clips' folder is the user's videos folder, where the file dialog first opens.
    ASSERT_TRUE(qv::test::WriteFileBytes(m_config / "user-dirs.dirs",
                                         "XDG_VIDEOS_DIR=\"" + m_media.Path() + "\"\n"));
    m_pid = SpawnDetached(m_program / "Vantrel", {}, m_program.Path());
    ASSERT_GT(m_pid, 0);
    const tagQVWindow main = FindWindow(QStringLiteral("Vantrel"));
    ASSERT_FALSE(main.id.isEmpty()) << "the main window appears";
    Shot("start", main.rect);

    // --- add: each path typed into the file dialog's name box
    for (int i = 0; i < 2; ++i)
    {
        Click(main.At(kAddButton.x(), kAddButton.y()));
        const tagQVWindow add = FindWindow(QStringLiteral("Add"));
        ASSERT_FALSE(add.id.isEmpty()) << "the file dialog opens";
        GrabSettled(add.rect); // keys typed before it is drawn may not reach its name box
        Type(QString::fromStdString(ClipPath(i)));
        if (i == 0)
            Shot("add-files", add.rect);
        Xdotool({"key", "Return"});
        ASSERT_TRUE(WindowGone(QStringLiteral("Add")));
    }

    // --- crop: the first clip's rectangle dragged by two corners; Detect on the second
    for (int i = 0; i < 2; ++i)
    {
        const tagQVClip& clip = kClips[i];
        Click(main.At(RowPoint(i).x(), RowPoint(i).y()));
        Click(main.At(kCropButton.x(), kCropButton.y()));
        const QString title =
            QStringLiteral("Crop %1 X %2").arg(clip.source.width()).arg(clip.source.height());
        const tagQVWindow crop = FindWindow(title);
        ASSERT_FALSE(crop.id.isEmpty()) << "the crop dialog opens for row " << i;
        if (i == 0)
        {
            // Where the frame is, as the dialog lays it out at 100 %.
            CQVCropGeometry geometry(clip.source.width(), clip.source.height());
            geometry.SetLayout(1.0, crop.rect.size());
            const QPoint image = crop.rect.topLeft() + geometry.ImageRect().topLeft();
            const QPoint topLeft = image + QPoint(2, 2);
            Drag(topLeft, topLeft + clip.crop.topLeft());
            const QPoint bottomRight =
                image + QPoint(clip.source.width() - 1, clip.source.height() - 1);
            Drag(bottomRight, image + QPoint(clip.crop.right(), clip.crop.bottom()));
            PointerAway();
            Shot("crop", crop.rect);
        }
        else
        {
            // Detect rewrites the four boxes when it is done.
            const QRect boxes(crop.At(40, 75), QSize(330, 22));
            const QImage before = GrabSettled(boxes);
            Click(crop.At(240, 15));
            ASSERT_TRUE(WaitUntil([&] { return Grab(boxes) != before; }, 10000)) << "Detect ends";
            PointerAway();
            Shot("crop-detect", crop.rect);
        }
        Click(crop.FromRight(43, 20));
        ASSERT_TRUE(WindowGone(title));
    }

    // --- settings: MP4, the first entry of the format list
    Click(SettingsButton(main));
    const tagQVWindow settings = FindWindow(QStringLiteral("Movie Settings"));
    ASSERT_FALSE(settings.id.isEmpty());
    const QPoint format = settings.At(settings.rect.width() / 3 + 5 + 100, 85 + 11);
    Click(format);
    Click(QPoint(format.x(), format.y() + 23)); // its drop-down opens below it
    PointerAway();
    Shot("settings", settings.rect);
    Click(settings.FromRight(43, 20));
    ASSERT_TRUE(WindowGone(QStringLiteral("Movie Settings")));

    // --- render into a folder typed into the folder dialog
    PointerAway();
    const QImage idleButton = GrabSettled(RenderButtonRect(main));
    const QImage readyBars[2] = {Grab(StateBarEnd(main, 0)), Grab(StateBarEnd(main, 1))};
    const QImage readyTexts[2] = {Grab(StateText(main, 0)), Grab(StateText(main, 1))};
    const QImage idleStrip = Grab(MessageStripRect(main));
    Click(RenderButton(main));
    const QString folderTitle = QStringLiteral("Please choose the target folder:");
    const tagQVWindow folder = FindWindow(folderTitle);
    ASSERT_FALSE(folder.id.isEmpty());
    GrabSettled(folder.rect);
    Type(QString::fromStdString(m_output.Path()));
    Shot("render-folder", folder.rect);
    Xdotool({"key", "Return"});
    ASSERT_TRUE(WindowGone(folderTitle));
    PointerAway();
    QElapsedTimer renderClock;
    renderClock.start();
    ASSERT_TRUE(WaitUntil([&] { return !Engines().empty(); }, 10000)) << "an engine runs";
    Shot("rendering", main.rect);

    // The batch is over when the button shows Render again and no engine of ours runs.
    ASSERT_TRUE(WaitUntil(
        [&] { return Engines().empty() && Grab(RenderButtonRect(main)) == idleButton; }, 60000))
        << "the batch ends";
    const double dRenderSeconds = renderClock.elapsed() / 1000.0;
    Shot("finished", main.rect);
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(Grab(StateBarEnd(main, i)), readyBars[i]) << "row " << i << "'s bar is full";
    EXPECT_EQ(Grab(StateBarEnd(main, 0)), Grab(StateBarEnd(main, 1)));
    // Both read the same word, which is not "Ready": "Finish" (a failed row has no full bar).
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(Grab(StateText(main, i)), readyTexts[i]) << "row " << i << "'s state text";
    EXPECT_EQ(Grab(StateText(main, 0)), Grab(StateText(main, 1)));
    EXPECT_NE(Grab(MessageStripRect(main)), idleStrip) << "the status line shows";
    EXPECT_EQ(qv::test::ListFiles(m_output.Path()).size(), 2u);

    // --- both outputs: MP4, the crop's size in fours, the length, the source's crop
    for (int i = 0; i < 2; ++i)
    {
        const tagQVClip& clip = kClips[i];
        const qv::test::tagQVProbe probe = qv::test::ProbeFile(OutputPath(i));
        ASSERT_TRUE(probe.bOk) << OutputPath(i);
        EXPECT_NE(probe.formatName.find("mp4"), std::string::npos) << probe.formatName;
        const qv::test::tagQVProbeStream* pVideo = probe.Find("video");
        ASSERT_NE(pVideo, nullptr);
        EXPECT_EQ(pVideo->codecName, "h264");
        EXPECT_EQ(QSize(pVideo->width, pVideo->height), clip.output) << clip.pszName;
        EXPECT_NE(probe.Find("audio"), nullptr);
        EXPECT_NEAR(probe.dDuration, kClipSeconds, 0.1) << clip.pszName;

        // The output's picture n stands for the time (n + 1) / 30 s: picture 29 shows the
        // source's picture at 1 s, number 30. The source is cropped after its conversion to
        // RGB, as the engine does, so that odd offsets are kept.
        auto sourceCrop = [&](QPoint offset)
        {
            const QRect c = clip.crop.translated(offset);
            return DecodePicture(ClipPath(i), 30,
                                 QStringLiteral("format=bgra,crop=%1:%2:%3:%4,scale=%5:%6")
                                     .arg(c.width())
                                     .arg(c.height())
                                     .arg(c.x())
                                     .arg(c.y())
                                     .arg(clip.output.width())
                                     .arg(clip.output.height())
                                     .toStdString());
        };
        const std::string output = DecodePicture(OutputPath(i), 29, "");
        const double dRight = MeanDifference(output, sourceCrop(QPoint(0, 0)));
        EXPECT_LT(dRight, 5.0) << clip.pszName;
        // The same comparison tells a crop 4 pixels off.
        const double dShifted = MeanDifference(
            output, sourceCrop(QPoint(clip.crop.x() >= 4 ? -4 : 0, clip.crop.y() >= 4 ? -4 : 0)));
        EXPECT_GT(dShifted, 2 * dRight) << clip.pszName;
        std::printf("%s: %.2f against the crop, %.2f against it shifted\n", clip.pszName, dRight,
                    dShifted);
    }

    // --- preview the second row: pictures arrive in the dialog's picture band
    Click(main.At(RowPoint(1).x(), RowPoint(1).y()));
    Click(main.At(kPreviewButton.x(), kPreviewButton.y()));
    const QString previewTitle = QStringLiteral("Preview Movie - %1x%2")
                                     .arg(kClips[1].output.width())
                                     .arg(kClips[1].output.height());
    const tagQVWindow preview = FindWindow(previewTitle);
    ASSERT_FALSE(preview.id.isEmpty()) << "the preview dialog opens";
    PointerAway();
    // The engine's window covers the picture band where the picture is, centred; a band
    // lower than the picture cuts its last rows.
    const QSize picture = kClips[1].output;
    const QRect band(preview.At(1, 31), preview.rect.size() - QSize(2, 71));
    const QRect shown(band.x() + (band.width() - picture.width()) / 2,
                      band.y() + std::max(0, (band.height() - picture.height()) / 2),
                      picture.width(), std::min(picture.height(), band.height()));
    const std::string sources =
        DecodePictures(ClipPath(1), QStringLiteral("format=bgra,crop=%1:%2:%3:%4")
                                        .arg(kClips[1].crop.width())
                                        .arg(kClips[1].crop.height())
                                        .arg(kClips[1].crop.x())
                                        .arg(kClips[1].crop.y())
                                        .toStdString());
    tagQVMatch first;
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            first = BestMatch(Grab(shown), sources, picture);
            return first.dDifference < 4.0;
        },
        15000))
        << "the crop of a source picture shows; closest " << first.dDifference;
    QThread::msleep(300);
    const tagQVMatch next = BestMatch(Grab(shown), sources, picture);
    Shot("preview", preview.rect, false);
    EXPECT_LT(next.dDifference, 4.0);
    EXPECT_GT(next.nPicture, first.nPicture) << "and the next ones follow";
    std::printf("preview: picture %d (%.2f off), then %d (%.2f off)\n", first.nPicture,
                first.dDifference, next.nPicture, next.dDifference);
    Click(preview.FromRight(43, 20));
    ASSERT_TRUE(WindowGone(previewTitle));
    EXPECT_TRUE(WaitUntil([&] { return Engines().empty(); }, 5000)) << "the preview's engine ends";

    // --- the close button ends the program cleanly
    Click(main.At(kCloseButton.x(), kCloseButton.y()));
    tagQVProcessExit exit;
    ASSERT_TRUE(WaitForProcess(m_pid, 10000, &exit));
    m_pid = -1;
    EXPECT_TRUE(exit.bExited && exit.nExitCode == 0);
    std::printf("render of both clips: %.1f s\n", dRenderSeconds);
}
