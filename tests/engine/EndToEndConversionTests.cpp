// Whole conversions through the engine process: the picture is the crop of the source,
// trim and speed set the length, volume and delay shape the sound, a gap stays black.
#include "probe/MediaInfoProbe.h"
#include "project/FrontEndProject.h"
#include "project/LineTypes.h"
#include "project/ProjectWriter.h"
#include "protocol/SharedControlBlock.h"
#include "tests/support/CQVEngineDriver.h"
#include "tests/support/MediaProbe.h"
#include "tests/support/TestMedia.h"

#include <cmath>
#include <gtest/gtest.h>
#include <regex>

using namespace qv;
using qv::test::CQVEngineDriver;

namespace
{

constexpr int kTimeoutMs = 120000;

// 320 x 240 moving test pattern at 30 fps with a 440 Hz tone, 4 s.
const std::string& SourceClip()
{
    static std::string path;
    if (path.empty())
    {
        std::string made = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                           "/vantrel-e2e-source-" + std::to_string(getuid()) + ".mp4";
        if (test::RunFFmpeg("-f lavfi -i testsrc2=size=320x240:rate=30:duration=4 -f lavfi -i "
                            "sine=frequency=440:sample_rate=44100:duration=4 -c:v libx264 "
                            "-preset veryfast -crf 12 -pix_fmt yuv420p -c:a aac -b:a 192k "
                            "-shortest \"" +
                            made + "\""))
            path = made;
    }
    return path;
}

tagQVOutputSettings Mp4Settings(int nWidth, int nHeight)
{
    tagQVOutputSettings settings = DefaultPresets(PresetTable::FrontEnd)[5];
    settings.nWidth = nWidth;
    settings.nHeight = nHeight;
    settings.nOutputFormat = 0;
    settings.nQuality = 12;
    settings.nAudioChannels = 1;
    settings.nAudioSampleRate = 44100;
    settings.nAudioBitrate = 192;
    return settings;
}

tagQVJobRow SourceRow()
{
    tagQVJobRow row;
    row.source = SourceClip();
    row.dDuration = 4.0;
    row.dEndTime = 4.0;
    row.bHadAudio = 1;
    row.nVideoWidth = 320;
    row.nVideoHeight = 240;
    return row;
}

int Convert(CQVEngineDriver& driver, const ProjectTimeline& project,
            const tagQVOutputSettings& settings, const std::string& output)
{
    if (!driver.CreateBlock() ||
        !WriteProjectFile(project, 5, driver.ProgramPath("tmp/qvengine.qvprj")) ||
        !driver.StartConversion(output, settings) || !driver.Launch())
        return -1;
    tagQVProcessExit exit;
    if (!driver.WaitForExit(kTimeoutMs, &exit) || !exit.bExited)
        return -1;
    return exit.nExitCode;
}

// Mean volume in dB of the output's sound between two times.
double MeanVolume(const std::string& path, double dFrom, double dTo)
{
    std::string err;
    test::RunProgram(
        "ffmpeg",
        {"-hide_banner", "-i", path, "-af",
         "atrim=" + std::to_string(dFrom) + ":" + std::to_string(dTo) + ",volumedetect", "-f",
         "null", "-"},
        nullptr, &err);
    std::smatch match;
    if (!std::regex_search(err, match, std::regex("mean_volume: (-?[0-9.]+|-inf) dB")))
        return NAN;
    return match[1] == "-inf" ? -200.0 : std::stod(match[1]);
}

} // namespace

TEST(EndToEndConversion, TheOutputPictureIsTheCropOfTheSource)
{
    ASSERT_FALSE(SourceClip().empty());
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    tagQVJobRow row = SourceRow();
    row.dEndTime = 3.0;
    row.bCropped = true;
    row.crop.enablecrop = 1;
    row.crop.xcrop = 40;
    row.crop.ycrop = 20;
    row.crop.wcrop = 160;
    row.crop.hcrop = 120;
    std::string output = driver.ProgramPath("cropped.mp4");
    ASSERT_EQ(Convert(driver, BuildJobProject(row, 1), Mp4Settings(160, 120), output),
              kEngineCompleted);

    test::tagQVProbe probe = test::ProbeFile(output);
    ASSERT_TRUE(probe.bOk);
    const test::tagQVProbeStream* video = probe.Find("video");
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->width, 160);
    EXPECT_EQ(video->height, 120);
    EXPECT_EQ(video->rFrameRate, "30/1");
    EXPECT_NEAR(probe.dDuration, 3.0, 0.1);

    // Output frame k shows source time k/30, so the reference starts at source frame 1.
    std::string err;
    test::RunProgram("ffmpeg",
                     {"-hide_banner", "-i", output, "-i", SourceClip(), "-lavfi",
                      "[1:v]crop=160:120:40:20,trim=start_frame=1,setpts=PTS-STARTPTS[ref];"
                      "[0:v]setpts=PTS-STARTPTS[out];[out][ref]psnr=shortest=1",
                      "-f", "null", "-"},
                     nullptr, &err);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(err, match, std::regex("average:([0-9.]+|inf)"))) << err;
    double psnr = match[1] == "inf" ? 99.0 : std::stod(match[1]);
    EXPECT_GT(psnr, 30.0);
}

TEST(EndToEndConversion, TrimAtDoubleSpeedLastsHalfTheTrim)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    tagQVJobRow row = SourceRow();
    row.dStartTime = 1.0;
    row.dEndTime = 3.0;
    row.dPlaybackRate = 2.0;
    std::string output = driver.ProgramPath("fast.mp4");
    ASSERT_EQ(Convert(driver, BuildJobProject(row, 1), Mp4Settings(320, 240), output),
              kEngineCompleted);
    EXPECT_DOUBLE_EQ(driver.Block()->dPosition, 1.0);
    test::tagQVProbe probe = test::ProbeFile(output);
    ASSERT_TRUE(probe.bOk);
    EXPECT_NEAR(probe.dDuration, 1.0, 0.1);
    const test::tagQVProbeStream* audio = probe.Find("audio");
    ASSERT_NE(audio, nullptr);
}

TEST(EndToEndConversion, HalfVolumeIsSixDecibelsDownAndDelayStartsLate)
{
    ASSERT_FALSE(SourceClip().empty());
    std::string full, half, late;
    CQVEngineDriver first, second, third;
    ASSERT_TRUE(first.Ready() && second.Ready() && third.Ready());
    tagQVJobRow row = SourceRow();
    row.dEndTime = 2.0;
    full = first.ProgramPath("full.mp4");
    ASSERT_EQ(Convert(first, BuildJobProject(row, 1), Mp4Settings(64, 48), full), kEngineCompleted);
    first.DestroyBlock();
    row.dVoiceScale = 0.5;
    half = second.ProgramPath("half.mp4");
    ASSERT_EQ(Convert(second, BuildJobProject(row, 1), Mp4Settings(64, 48), half),
              kEngineCompleted);
    second.DestroyBlock();
    row.dVoiceScale = 1.0;
    row.dAudioDelay = 0.5;
    late = third.ProgramPath("late.mp4");
    ASSERT_EQ(Convert(third, BuildJobProject(row, 1), Mp4Settings(64, 48), late), kEngineCompleted);

    double loud = MeanVolume(full, 0.5, 1.5), quiet = MeanVolume(half, 0.5, 1.5);
    ASSERT_FALSE(std::isnan(loud));
    EXPECT_NEAR(loud - quiet, 6.02, 0.5);
    EXPECT_LT(MeanVolume(late, 0.05, 0.4), loud - 40.0) << "the delayed sound has not begun";
    EXPECT_NEAR(MeanVolume(late, 0.6, 1.5), loud, 1.0) << "it begins after 0.5 s, not later";
}

TEST(EndToEndConversion, ATimeWithoutAnItemIsBlackAndFadesShapeTheSound)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ProjectTimeline project = BuildJobProject(SourceRow(), 1);
    tagQVMediaData& item = *project.lines[0].items[0];
    // The item starts one second into the timeline: that second has nothing to show.
    item.dEditorStartTime = 1.0;
    item.dEditorEndTime = 3.0;
    item.dVSelfEndTime = item.dASelfEndTime = 2.0;
    item.bEnableAudioEffect = 1;
    item.dAudioFadeInDuration = 1.0;
    std::string output = driver.ProgramPath("gap.mp4");
    ASSERT_EQ(Convert(driver, project, Mp4Settings(320, 240), output), kEngineCompleted);

    std::vector<uint8_t> pixels;
    ASSERT_TRUE(test::DecodeFrameBgra(output, 10, 320, 240, &pixels));
    int bright = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        bright += (pixels[i] > 24 || pixels[i + 1] > 24 || pixels[i + 2] > 24) ? 1 : 0;
    EXPECT_EQ(bright, 0) << "frame 10 lies before the item";
    ASSERT_TRUE(test::DecodeFrameBgra(output, 60, 320, 240, &pixels));
    bright = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        bright += (pixels[i] > 24 || pixels[i + 1] > 24 || pixels[i + 2] > 24) ? 1 : 0;
    EXPECT_GT(bright, 1000);

    EXPECT_LT(MeanVolume(output, 0.2, 0.9), -60.0) << "silence before the item";
    EXPECT_LT(MeanVolume(output, 1.05, 1.3), MeanVolume(output, 2.2, 2.8) - 6.0)
        << "the fade-in is still low at its start";
}

TEST(EndToEndConversion, ASourceThatCannotBeOpenedFailsTheJob)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    ASSERT_TRUE(test::WriteFileBytes(driver.ProgramPath("garbage.mp4"), std::string(5000, 'g')));
    tagQVJobRow row = SourceRow();
    row.source = driver.ProgramPath("garbage.mp4");
    std::string output = driver.ProgramPath("never.mp4");
    EXPECT_EQ(Convert(driver, BuildJobProject(row, 1), Mp4Settings(64, 48), output), kEngineFailed);
    EXPECT_EQ(driver.Block()->nState, kStateIdle);
    EXPECT_FALSE(test::ListFiles(driver.ProgramFolder()).empty());
    for (const std::string& file : test::ListFiles(driver.ProgramFolder()))
        EXPECT_EQ(file.find("never"), std::string::npos) << file;
}

// Every output type but the two Windows Media ones (their profile has tests of its own),
// from a real source with B-frames and sound: the file decodes without a single error and
// carries the cropped picture and the sound.
TEST(EndToEndConversion, EveryOutputTypeDecodesCleanlyWithPictureAndSound)
{
    ASSERT_FALSE(SourceClip().empty());
    for (int32_t type : {0, 1, 2, 3, 4, 5, 6, 9, 10, 11, 12, 13})
    {
        CQVEngineDriver driver;
        ASSERT_TRUE(driver.Ready());
        tagQVJobRow row = SourceRow();
        row.dEndTime = 1.0;
        row.bCropped = true;
        row.crop.enablecrop = 1;
        row.crop.xcrop = 80;
        row.crop.ycrop = 60;
        row.crop.wcrop = 160;
        row.crop.hcrop = 120;
        tagQVOutputSettings settings = Mp4Settings(160, 120);
        settings.nOutputFormat = type;
        settings.nQuality = 5;
        std::string output = driver.ProgramPath("typed output");
        ASSERT_EQ(Convert(driver, BuildJobProject(row, 1), settings, output), kEngineCompleted)
            << "type " << type;
        std::string errors;
        EXPECT_TRUE(test::DecodesCleanly(output, &errors)) << "type " << type << ": " << errors;
        test::tagQVProbe probe = test::ProbeFile(output);
        ASSERT_TRUE(probe.bOk) << type;
        const test::tagQVProbeStream* video = probe.Find("video");
        ASSERT_NE(video, nullptr) << type;
        EXPECT_EQ(video->width, 160) << type;
        EXPECT_EQ(video->height, 120) << type;
        EXPECT_NE(probe.Find("audio"), nullptr) << type;
        // Types 5 and 11 are 5.1: the stereo mix sits on two of six channels (-4.8 dB).
        double expected = (type == 5 || type == 11) ? -24.1 - 4.77 : -24.1;
        EXPECT_NEAR(MeanVolume(output, 0.2, 0.8), expected, 2.0) << type;
        std::vector<uint8_t> pixels;
        ASSERT_TRUE(test::DecodeFrameBgra(output, 15, 160, 120, &pixels)) << type;
        int bright = 0;
        for (size_t i = 0; i < pixels.size(); i += 4)
            bright += (pixels[i] > 40 || pixels[i + 1] > 40 || pixels[i + 2] > 40) ? 1 : 0;
        EXPECT_GT(bright, 160 * 120 / 4) << "type " << type << " shows the picture";
    }
}

// A white flash and a beep at the same moment (1.0 s) of the source stay together in the
// output: for an MPEG program stream, whose clocks start near half a second, from its
// start and from a trim start that makes the engine seek, and for H.264 with B-frames and
// AAC in MP4.
TEST(EndToEndConversion, PictureAndSoundStayTogether)
{
    struct Case
    {
        double trim;
        const char* name;
        const char* codecs;
    };
    for (Case c : {Case{0.0, "flash.mpg", "-c:v mpeg2video -q:v 2 -c:a mp2 -b:a 192k -f vob"},
                   Case{0.6, "flash.mpg", "-c:v mpeg2video -q:v 2 -c:a mp2 -b:a 192k -f vob"},
                   Case{0.6, "flash.mp4", "-c:v libx264 -bf 2 -c:a aac -b:a 192k"}})
    {
        double trim = c.trim;
        CQVEngineDriver driver;
        ASSERT_TRUE(driver.Ready());
        std::string source = driver.ProgramPath(c.name);
        ASSERT_TRUE(test::RunFFmpeg(
            "-f lavfi -i \"color=black:size=320x240:rate=25:duration=3,drawbox=enable='between(t,"
            "1.0,1.08)':x=0:y=0:w=320:h=240:color=white:t=fill\" -f lavfi -i \"aevalsrc='if("
            "between(t,1.0,1.08),0.8*sin(2*PI*1000*t),0)':s=48000:d=3\" " +
            std::string(c.codecs) + " \"" + source + "\""));
        tagQVJobRow row = SourceRow();
        row.source = source;
        row.dDuration = row.dEndTime = 3.0;
        row.dStartTime = trim;
        std::string output = driver.ProgramPath("output.mp4");
        ASSERT_EQ(Convert(driver, BuildJobProject(row, 1), Mp4Settings(320, 240), output),
                  kEngineCompleted);

        std::string out, err;
        test::RunProgram("ffmpeg",
                         {"-hide_banner", "-i", output, "-vf",
                          "signalstats,metadata=print:key=lavfi.signalstats.YAVG", "-an", "-f",
                          "null", "-"},
                         &out, &err);
        std::regex frameLine("pts_time:([0-9.]+)[^\\n]*\\n[^\\n]*YAVG=([0-9.]+)");
        double flash = -1.0;
        for (auto it = std::sregex_iterator(err.begin(), err.end(), frameLine);
             it != std::sregex_iterator() && flash < 0.0; ++it)
            if (std::stod((*it)[2]) > 128.0)
                flash = std::stod((*it)[1]);
        test::RunProgram("ffmpeg",
                         {"-hide_banner", "-i", output, "-af", "silencedetect=n=-30dB:d=0.02",
                          "-vn", "-f", "null", "-"},
                         &out, &err);
        std::smatch match;
        ASSERT_TRUE(std::regex_search(err, match, std::regex("silence_end: ([0-9.]+)"))) << err;
        double beep = std::stod(match[1]);
        ASSERT_GE(flash, 0.0) << c.name << " " << trim;
        EXPECT_NEAR(flash, 1.0 - trim, 0.08) << c.name << " " << trim;
        EXPECT_NEAR(beep, 1.0 - trim, 0.05) << c.name << " " << trim;
        EXPECT_NEAR(flash, beep, 0.08) << c.name << " " << trim;
    }
}

TEST(EndToEndConversion, HalfSpeedDoublesTheLengthAndKeepsTheSound)
{
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    tagQVJobRow row = SourceRow();
    row.dEndTime = 1.0;
    row.dPlaybackRate = 0.5;
    std::string output = driver.ProgramPath("slow.mp4");
    ASSERT_EQ(Convert(driver, BuildJobProject(row, 1), Mp4Settings(160, 120), output),
              kEngineCompleted);
    test::tagQVProbe probe = test::ProbeFile(output);
    ASSERT_TRUE(probe.bOk);
    EXPECT_NEAR(probe.dDuration, 2.0, 0.1);
    EXPECT_NEAR(MeanVolume(output, 0.2, 1.8), -24.1, 1.5) << "sound all the way through";
}

// Output picture n shows output time (n + 1) / 30; an item shows, at item time u, the first
// source picture at or after trim + u × speed, counted from the stream's start. Each clip
// is converted once, with one item per trim and speed, 1.5 s apart (whole output
// pictures) and 1.1 s long. Every picture of an item from its opening to 1 s in is checked
// exactly: a picture early or late is a fault. Each clip goes through both frame paths: the
// source's own pixels, and composition (forced by a colour adjustment that changes nothing).
TEST(EndToEndConversion, EveryOutputPictureIsTheSourcePictureItsTimeNames)
{
    using test::ENumberedContainer;
    struct tagClip
    {
        ENumberedContainer eContainer;
        const char* szName;
        int nRate;
    };
    const tagClip kClips[] = {
        {ENumberedContainer::Mp4BFrames, "mp4", 30}, {ENumberedContainer::Mp4BFrames, "mp4", 25},
        {ENumberedContainer::Mp4BFrames, "mp4", 15}, {ENumberedContainer::Matroska, "mkv", 30},
        {ENumberedContainer::Matroska, "mkv", 25},   {ENumberedContainer::Matroska, "mkv", 15},
        {ENumberedContainer::Avi, "avi", 30},        {ENumberedContainer::Avi, "avi", 25},
        {ENumberedContainer::Avi, "avi", 15},        {ENumberedContainer::MpegPs, "mpg", 25},
        {ENumberedContainer::RawH264, "h264", 30},
    };
    const int kTrimsMs[] = {0, 17, 517, 1000};
    const int kSpeeds[] = {1, 2};
    constexpr int kSpacingPictures = 45; // 1.5 s
    constexpr double kItemLength = 1.1;

    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    for (const bool bComposed : {false, true})
        for (const tagClip& clip : kClips)
        {
            const char* szPath = bComposed ? "composed" : "direct";
            const std::string source = test::NumberedClipPath(clip.eContainer, clip.nRate);
            ASSERT_FALSE(source.empty()) << clip.szName << clip.nRate;
            tagQVJobRow row;
            row.source = source;
            row.dDuration = 4.0;
            row.nVideoWidth = 160;
            row.nVideoHeight = 120;
            ProjectTimeline project = BuildJobProject(row, 1);
            TimelineLine& main = project.lines[0];
            main.items.clear();
            for (int nTrim : kTrimsMs)
                for (int nSpeed : kSpeeds)
                {
                    row.dStartTime = nTrim / 1000.0;
                    row.dPlaybackRate = nSpeed;
                    row.dEndTime = row.dStartTime + kItemLength * nSpeed;
                    auto item = std::make_unique<tagQVMediaData>();
                    FillItemFromRow(row, int32_t(main.items.size()) + 1, nullptr, item.get());
                    item->dEditorStartTime = main.items.size() * kSpacingPictures / 30.0;
                    item->dEditorEndTime = item->dEditorStartTime + kItemLength;
                    if (bComposed)
                        item->pColorAdjustment = std::make_unique<tagQVColorAdjustment>();
                    main.items.push_back(std::move(item));
                }
            main.LinkItems();
            const std::string output = driver.ProgramPath("timing.mp4");
            ASSERT_EQ(Convert(driver, project, Mp4Settings(160, 120), output), kEngineCompleted)
                << clip.szName << clip.nRate;

            std::string pictures;
            ASSERT_EQ(test::RunProgram("ffmpeg",
                                       {"-nostdin", "-v", "error", "-i", output, "-f", "rawvideo",
                                        "-pix_fmt", "bgra", "-"},
                                       &pictures, nullptr),
                      0);
            constexpr size_t kPictureBytes = 160 * 120 * 4;
            int nItem = 0;
            for (int nTrim : kTrimsMs)
                for (int nSpeed : kSpeeds)
                {
                    std::vector<int> shown, named;
                    // The first item opens at 1/30 s, the others at their start.
                    for (int k = nItem == 0 ? 1 : 0; k <= 30; ++k)
                    {
                        const size_t n = size_t(nItem * kSpacingPictures + k - 1);
                        ASSERT_LE((n + 1) * kPictureBytes, pictures.size());
                        shown.push_back(test::ReadFrameNumber(
                            reinterpret_cast<const uint8_t*>(pictures.data()) + n * kPictureBytes,
                            160 * 4, 160, 120, false));
                        // Source picture j stands at j / rate; the first at or after
                        // trim + k / 30 × speed, in whole numbers.
                        const int64_t nNumerator = int64_t(30) * nTrim * clip.nRate +
                                                   int64_t(1000) * k * nSpeed * clip.nRate;
                        named.push_back(int((nNumerator + 29999) / 30000));
                    }
                    EXPECT_EQ(shown, named) << szPath << " " << clip.szName << " " << clip.nRate
                                            << " fps, trim " << nTrim << " ms, speed " << nSpeed;
                    ++nItem;
                }
        }
}

// Phone videos stand upright: a crop of the top-left quarter as players show the picture
// converts to the top-left quarter of the upright picture, and the output carries no
// display matrix. The item's own rotation still turns the result afterwards.
TEST(EndToEndConversion, ATurnedSourceConvertsUpright)
{
    using test::ECornerColour;
    struct tagCase
    {
        const char* szName;
        std::string source;
        int32_t nItemRotation; // clockwise degrees of the item's rotation record; 0: none
        ECornerColour eMarker; // the corner block of the upright top-left quarter
        int nQuarter;          // where it lands in the output: 0 top left, 1 top right,
                               // 2 bottom right, 3 bottom left
    };
    const tagCase kCases[] = {
        {"rotate 0", test::CornerClipPath(0), 0, ECornerColour::Red, 0},
        {"rotate 90", test::CornerClipPath(90), 0, ECornerColour::Yellow, 0},
        {"rotate 180", test::CornerClipPath(180), 0, ECornerColour::Green, 0},
        {"rotate 270", test::CornerClipPath(270), 0, ECornerColour::White, 0},
        {"mirrored", test::MirroredCornerClipPath(false), 0, ECornerColour::Yellow, 0},
        {"transposed", test::MirroredCornerClipPath(true), 0, ECornerColour::Red, 0},
        {"rotate 90, item turned 90", test::CornerClipPath(90), 90, ECornerColour::Yellow, 1},
    };
    CQVEngineDriver driver;
    ASSERT_TRUE(driver.Ready());
    for (const tagCase& c : kCases)
    {
        ASSERT_FALSE(c.source.empty()) << c.szName;
        // The front-end crops in the size the probe reports.
        tagQVMediaInfo info;
        ASSERT_NE(ProbeMediaInfo(c.source, &info), 0) << c.szName;
        tagQVJobRow row;
        row.source = c.source;
        row.dDuration = 1.0;
        row.dEndTime = 1.0;
        row.nVideoWidth = info.nWidth;
        row.nVideoHeight = info.nHeight;
        row.bCropped = true;
        row.crop.enablecrop = 1;
        row.crop.wcrop = info.nWidth / 2;
        row.crop.hcrop = info.nHeight / 2;
        ProjectTimeline project = BuildJobProject(row, 1);
        if (c.nItemRotation != 0)
        {
            project.lines[0].items[0]->pRotation = std::make_unique<tagQVRotationData>();
            project.lines[0].items[0]->pRotation->rotationangle = c.nItemRotation;
        }
        const int w = row.crop.wcrop, h = row.crop.hcrop;
        const std::string output = driver.ProgramPath("upright.mp4");
        ASSERT_EQ(Convert(driver, project, Mp4Settings(w, h), output), kEngineCompleted)
            << c.szName;

        std::vector<uint8_t> pixels;
        ASSERT_TRUE(test::DecodeFrameBgra(output, 10, w, h, &pixels)) << c.szName;
        const int kCentres[4][2] = {
            {w / 4, h / 4}, {w * 3 / 4, h / 4}, {w * 3 / 4, h * 3 / 4}, {w / 4, h * 3 / 4}};
        for (int q = 0; q < 4; ++q)
        {
            const uint8_t* pPixel =
                pixels.data() + (size_t(kCentres[q][1]) * size_t(w) + size_t(kCentres[q][0])) * 4;
            EXPECT_EQ(test::CornerColourAt(pPixel),
                      q == c.nQuarter ? c.eMarker : ECornerColour::Blue)
                << c.szName << ", quarter " << q;
        }
        std::string streams;
        test::RunProgram("ffprobe", {"-v", "error", "-show_streams", output}, &streams, nullptr);
        EXPECT_EQ(streams.find("Display Matrix"), std::string::npos) << c.szName;
    }
}
