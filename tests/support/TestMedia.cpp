#include "tests/support/TestMedia.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace qv::test
{

namespace
{

namespace fs = std::filesystem;

// The numbered-blocks pattern as an RGB source of the given size, rate (frames per second,
// a number or a fraction such as "24000/1001") and frame count.
std::string PatternSource(int nWidth, int nHeight, const std::string& rate, int nFrames)
{
    const std::string bit = "if(lt(Y,H/2),255*mod(floor(N/pow(2,floor(X*8/W))),2),0)";
    std::ostringstream s;
    s << "-f lavfi -i \"color=black:s=" << nWidth << "x" << nHeight << ":r=" << rate
      << ",format=gbrp,geq=r='" << bit << "':g='" << bit << "':b='if(lt(Y,H/2)," << bit
      << ",255)',trim=end_frame=" << nFrames << "\"";
    return s.str();
}

std::string PatternSource(int nWidth, int nHeight, int nRate, int nFrames)
{
    return PatternSource(nWidth, nHeight, std::to_string(nRate), nFrames);
}

std::string CacheFolder()
{
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error);
    if (error)
        folder = "/tmp";
    folder /= "vantrel-media-tests-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    return folder.string();
}

struct tagRecipe
{
    const char* szName;
    const char* szExtension;
    std::string arguments; // everything but the output file
};

tagRecipe Recipe(EMedia eMedia)
{
    switch (eMedia)
    {
    case EMedia::H264:
        return {"h264", ".mp4",
                PatternSource(160, 120, 30, 90) +
                    " -f lavfi -i sine=f=440:r=44100:d=3 -ac 2 -c:v libx264 -preset veryfast"
                    " -x264-params bframes=2:keyint=30:min-keyint=30:scenecut=0 -pix_fmt yuv420p"
                    " -crf 18 -c:a aac -movflags +faststart"};
    case EMedia::Mpeg2Ps:
        return {"mpeg2", ".mpg",
                PatternSource(160, 120, 25, 75) +
                    " -f lavfi -i sine=f=440:r=48000:d=3 -ac 2 -c:v mpeg2video -q:v 2 -g 12"
                    " -bf 2 -c:a mp2 -f mpeg"};
    case EMedia::Declares100:
        return {"declares100", ".avi", PatternSource(160, 120, 30, 110) + " -c:v mpeg4 -q:v 2"};
    case EMedia::AudioOnly:
        return {"audioonly", ".m4a", "-f lavfi -i sine=f=440:r=44100:d=1 -ac 2 -c:a aac"};
    case EMedia::SixChannels:
        return {"sixch", ".mkv",
                "-f lavfi -i \"aevalsrc=exprs='if(gte(t,0.5),0.5*sin(2*PI*440*t),0)|0|"
                "if(lt(t,0.5),0.5*sin(2*PI*440*t),0)|0|0|0':c=5.1:s=48000:d=1\" -c:a flac"};
    case EMedia::LateAudio:
        return {"lateaudio", ".mkv",
                PatternSource(160, 120, 30, 60) +
                    " -itsoffset 0.5 -f lavfi -i sine=f=440:r=44100:d=1.5 -ac 2 -c:v libx264"
                    " -preset veryfast -pix_fmt yuv420p -c:a flac"};
    case EMedia::OddSize:
        return {"oddsize", ".mkv", PatternSource(161, 121, 30, 20) + " -pix_fmt yuv420p -c:v ffv1"};
    case EMedia::Yuv422:
        return {"yuv422", ".mkv",
                PatternSource(160, 120, 30, 30) +
                    " -pix_fmt yuv422p -c:v libx264 -preset veryfast -crf 12"};
    case EMedia::Yuv444:
        return {"yuv444", ".mkv", PatternSource(160, 120, 30, 20) + " -pix_fmt yuv444p -c:v ffv1"};
    case EMedia::LowRateFlac:
        return {"lowrate", ".mkv",
                "-f lavfi -i sine=f=440:r=8000:d=2 -ac 2 -c:a flac -frame_size 4608"};
    case EMedia::Wide:
        return {"wide", ".mp4",
                PatternSource(330, 250, 30, 5) + " -pix_fmt yuv420p -c:v libx264 -preset veryfast"};
    }
    return {"none", ".bin", ""};
}

// The stream length in the AVI stream header and the frame total in the main header.
bool PatchDeclaredFrames(const std::string& path, uint32_t nFrames)
{
    std::string bytes;
    if (!ReadWholeFile(path, &bytes))
        return false;
    const size_t nStreamHeader = bytes.find("strh");
    const size_t nMainHeader = bytes.find("avih");
    if (nStreamHeader == std::string::npos || nMainHeader == std::string::npos ||
        nStreamHeader + 44 > bytes.size() || nMainHeader + 28 > bytes.size())
        return false;
    const char little[4] = {char(nFrames & 0xFF), char((nFrames >> 8) & 0xFF),
                            char((nFrames >> 16) & 0xFF), char((nFrames >> 24) & 0xFF)};
    bytes.replace(nStreamHeader + 8 + 32, 4, little, 4); // dwLength
    bytes.replace(nMainHeader + 8 + 16, 4, little, 4);   // dwTotalFrames
    return WriteWholeFile(path, bytes);
}

} // namespace

bool RunFFmpeg(const std::string& arguments)
{
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments;
    return std::system(command.c_str()) == 0;
}

std::string CachedFile(const std::string& name, const std::string& extension,
                       const std::string& arguments, bool (*pPatch)(const std::string&))
{
    std::ostringstream file;
    file << name << "-" << std::hex << std::hash<std::string>()(arguments) << extension;
    const std::string path = CacheFolder() + "/" + file.str();
    std::error_code error;
    if (fs::exists(path, error))
        return path;

    // Made under a private name and renamed, so that tests running side by side never
    // read a half-written file.
    const std::string partial =
        CacheFolder() + "/part-" + std::to_string(getpid()) + "-" + file.str();
    if (!RunFFmpeg(arguments + " \"" + partial + "\""))
        return std::string();
    if (pPatch != nullptr && !pPatch(partial))
        return std::string();
    fs::rename(partial, path, error);
    return error ? std::string() : path;
}

namespace
{

bool Declare100Frames(const std::string& path)
{
    return PatchDeclaredFrames(path, 100);
}

// The recipe's file in the cache folder, made when missing. bPatch100 declares 100 frames
// in the AVI headers of the made file.
std::string CachedMedia(const tagRecipe& recipe, bool bPatch100)
{
    return CachedFile(recipe.szName, recipe.szExtension, recipe.arguments,
                      bPatch100 ? Declare100Frames : nullptr);
}

} // namespace

std::string MediaPath(EMedia eMedia)
{
    return CachedMedia(Recipe(eMedia), eMedia == EMedia::Declares100);
}

namespace
{

const std::string& CornerBase()
{
    static const std::string path =
        CachedMedia({"corners", ".mp4",
                     "-f lavfi -i \"color=blue:s=480x360:r=30:d=1,"
                     "drawbox=x=0:y=0:w=120:h=90:color=red:t=fill,"
                     "drawbox=x=360:y=0:w=120:h=90:color=yellow:t=fill,"
                     "drawbox=x=360:y=270:w=120:h=90:color=lime:t=fill,"
                     "drawbox=x=0:y=270:w=120:h=90:color=white:t=fill\""
                     " -c:v libx264 -preset veryfast -crf 12 -pix_fmt yuv420p"},
                    false);
    return path;
}

// The nine 32-bit values of the video track's matrix in the track header (version 0).
bool PatchTrackMatrix(const std::string& path, const int32_t matrix[9])
{
    std::string bytes;
    if (!ReadWholeFile(path, &bytes))
        return false;
    const size_t nHeader = bytes.find("tkhd");
    if (nHeader == std::string::npos || nHeader + 4 + 40 + 36 > bytes.size() ||
        bytes[nHeader + 4] != 0)
        return false;
    for (int i = 0; i < 9; ++i)
    {
        const uint32_t v = static_cast<uint32_t>(matrix[i]);
        const char big[4] = {char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF),
                             char(v & 0xFF)};
        bytes.replace(nHeader + 4 + 40 + size_t(i) * 4, 4, big, 4);
    }
    return WriteWholeFile(path, bytes);
}

} // namespace

std::string CornerClipPath(int nRotateTag)
{
    if (CornerBase().empty())
        return std::string();
    return CachedMedia({"corners-rotate", ".mp4",
                        "-i \"" + CornerBase() +
                            "\" -metadata:s:v:0 rotate=" + std::to_string(nRotateTag) + " -c copy"},
                       false);
}

std::string MirroredCornerClipPath(bool bTransposed)
{
    if (CornerBase().empty())
        return std::string();
    const std::string name = bTransposed ? "corners-transposed" : "corners-mirrored";
    const std::string path = CacheFolder() + "/" + name + ".mp4";
    std::error_code error;
    if (fs::exists(path, error))
        return path;
    // Made under a private name and renamed, as CachedMedia does.
    const std::string partial = CacheFolder() + "/part-" + std::to_string(getpid()) + name;
    // Rows of the matrix (a b u, c d v, x y w); a displayed point is (a p + c q, b p + d q).
    const int32_t mirrored[9] = {-65536, 0, 0, 0, 65536, 0, 480 << 16, 0, 1 << 30};
    const int32_t transposed[9] = {0, 65536, 0, 65536, 0, 0, 0, 0, 1 << 30};
    if (!fs::copy_file(CornerBase(), partial, fs::copy_options::overwrite_existing, error) ||
        !PatchTrackMatrix(partial, bTransposed ? transposed : mirrored))
        return std::string();
    fs::rename(partial, path, error);
    return error ? std::string() : path;
}

ECornerColour CornerColourAt(const uint8_t* pPixel)
{
    struct tagReference
    {
        ECornerColour eColour;
        int r, g, b;
    };
    static const tagReference kColours[] = {
        {ECornerColour::Red, 255, 0, 0},   {ECornerColour::Yellow, 255, 255, 0},
        {ECornerColour::Green, 0, 255, 0}, {ECornerColour::White, 255, 255, 255},
        {ECornerColour::Blue, 0, 0, 255},
    };
    ECornerColour eBest = ECornerColour::Other;
    int nBest = 60 * 60 * 3; // farther than this from every colour is none of them
    for (const tagReference& c : kColours)
    {
        const int db = pPixel[0] - c.b, dg = pPixel[1] - c.g, dr = pPixel[2] - c.r;
        const int nDistance = db * db + dg * dg + dr * dr;
        if (nDistance < nBest)
        {
            nBest = nDistance;
            eBest = c.eColour;
        }
    }
    return eBest;
}

std::string NumberedClipPath(ENumberedContainer eContainer, int nFrameRate)
{
    const std::string source = PatternSource(160, 120, nFrameRate, 4 * nFrameRate);
    const std::string h264 = " -c:v libx264 -preset veryfast -pix_fmt yuv420p -crf 18"
                             " -x264-params bframes=2:b-adapt=0:keyint=" +
                             std::to_string(nFrameRate) + ":scenecut=0";
    switch (eContainer)
    {
    case ENumberedContainer::Mp4BFrames:
        return CachedMedia({"numbered", ".mp4", source + h264}, false);
    case ENumberedContainer::Matroska:
        return CachedMedia({"numbered", ".mkv", source + h264}, false);
    case ENumberedContainer::RawH264:
        return CachedMedia({"numbered", ".h264", source + h264}, false);
    case ENumberedContainer::Avi:
        return CachedMedia({"numbered", ".avi", source + " -c:v mpeg4 -q:v 2"}, false);
    case ENumberedContainer::MpegPs:
        return CachedMedia(
            {"numbered", ".mpg", source + " -c:v mpeg2video -q:v 2 -g 12 -bf 2 -f mpeg"}, false);
    }
    return std::string();
}

std::string NumberedClipPath(ENumberedContainer eContainer, const std::string& rate, int nFrames,
                             const std::string& timing)
{
    if (eContainer != ENumberedContainer::Mp4BFrames && eContainer != ENumberedContainer::Matroska)
        return std::string();
    std::string source = PatternSource(160, 120, rate, nFrames);
    if (!timing.empty())
        source.insert(source.size() - 1, ",setpts='(" + timing + ")/TB'");
    const std::string h264 = " -fps_mode passthrough -c:v libx264 -preset veryfast -pix_fmt yuv420p"
                             " -crf 18 -x264-params bframes=2:b-adapt=0:keyint=24:scenecut=0";
    return CachedMedia({"numbered-rate",
                        eContainer == ENumberedContainer::Matroska ? ".mkv" : ".mp4",
                        source + h264},
                       false);
}

int ReadFrameNumber(const uint8_t* pImage, int nStride, int nWidth, int nHeight, bool bBottomUp)
{
    if (pImage == nullptr)
        return -1;
    const int y = nHeight / 4;
    const int nRow = bBottomUp ? nHeight - 1 - y : y;
    int nNumber = 0;
    for (int nBit = 0; nBit < 8; ++nBit)
    {
        const int x = (2 * nBit + 1) * nWidth / 16;
        const uint8_t* pPixel = pImage + static_cast<ptrdiff_t>(nRow) * nStride + x * 4;
        const int nGreen = pPixel[1];
        if (nGreen > 200)
            nNumber |= 1 << nBit;
        else if (nGreen > 55)
            return -1;
    }
    return nNumber;
}

bool IsBlue(const uint8_t* pImage, int nStride, int nHeight, int x, int y, bool bBottomUp)
{
    const int nRow = bBottomUp ? nHeight - 1 - y : y;
    const uint8_t* pPixel = pImage + static_cast<ptrdiff_t>(nRow) * nStride + x * 4;
    return pPixel[0] > 200 && pPixel[1] < 60 && pPixel[2] < 60;
}

bool ReadWholeFile(const std::string& path, std::string* pBytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    *pBytes = content.str();
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

CQVScratchFolder::CQVScratchFolder()
{
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    if (error)
        base = "/tmp";
    std::string pattern = (base / "vantrel-media-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr)
        m_path = pattern;
}

CQVScratchFolder::~CQVScratchFolder()
{
    if (!m_path.empty())
    {
        std::error_code error;
        fs::remove_all(m_path, error);
    }
}

} // namespace qv::test
