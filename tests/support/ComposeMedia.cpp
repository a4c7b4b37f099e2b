#include "tests/support/ComposeMedia.h"

#include "tests/support/TestMedia.h"

#include <sstream>

namespace qv::test
{

namespace
{

// Sets the delay of every graphic control extension to 0.
bool ZeroGifDelays(const std::string& path)
{
    std::string bytes;
    if (!ReadWholeFile(path, &bytes))
        return false;
    int nPatched = 0;
    for (size_t i = 0; i + 6 <= bytes.size(); ++i)
    {
        if (uint8_t(bytes[i]) == 0x21 && uint8_t(bytes[i + 1]) == 0xF9 &&
            uint8_t(bytes[i + 2]) == 0x04)
        {
            bytes[i + 4] = 0;
            bytes[i + 5] = 0;
            ++nPatched;
        }
    }
    return nPatched > 0 && WriteWholeFile(path, bytes);
}

const std::string kGif4 = "-f lavfi -i testsrc2=s=64x48:r=10:d=0.4 -f gif";

} // namespace

std::string ComposeMediaPath(EComposeMedia eMedia)
{
    switch (eMedia)
    {
    case EComposeMedia::Bgra640:
        return CachedFile("bgra640", ".mkv",
                          "-f lavfi -i testsrc2=s=640x480:r=30:d=0.5 -pix_fmt bgra -c:v ffv1",
                          nullptr);
    case EComposeMedia::Bgra642:
        return CachedFile("bgra642", ".mkv",
                          "-f lavfi -i testsrc2=s=642x480:r=30:d=0.5 -pix_fmt bgra -c:v ffv1",
                          nullptr);
    case EComposeMedia::Gif4:
        return CachedFile("anim4", ".gif", kGif4, nullptr);
    case EComposeMedia::GifZero:
        return CachedFile("anim0", ".gif", kGif4, &ZeroGifDelays);
    }
    return std::string();
}

bool ExtractRawFrame(const std::string& path, int nFrame, int nWidth, int nHeight,
                     std::vector<uint8_t>* pBytes)
{
    CQVScratchFolder folder;
    const std::string raw = folder / "frame.raw";
    std::ostringstream arguments;
    arguments << "-i \"" << path << "\" -vf \"select=eq(n\\," << nFrame
              << ")\" -frames:v 1 -f rawvideo -pix_fmt bgra \"" << raw << "\"";
    std::string bytes;
    if (!RunFFmpeg(arguments.str()) || !ReadWholeFile(raw, &bytes) ||
        bytes.size() != size_t(nWidth) * size_t(nHeight) * 4)
        return false;
    pBytes->assign(bytes.begin(), bytes.end());
    return true;
}

uint64_t HashBytes(const uint8_t* pBytes, size_t nSize)
{
    uint64_t nHash = 1469598103934665603ull;
    for (size_t i = 0; i < nSize; ++i)
    {
        nHash ^= pBytes[i];
        nHash *= 1099511628211ull;
    }
    return nHash;
}

std::unique_ptr<tagQVMediaData> MakeVideoItem(const std::string& path, int nWidth, int nHeight,
                                              double dDuration)
{
    auto item = std::make_unique<tagQVMediaData>();
    item->eMediaType = 0;
    item->eMediaTypeLine = 0;
    item->source = path;
    item->nVideoWidth = nWidth;
    item->nVideoHeight = nHeight;
    item->dVSelfStartTime = 0.0;
    item->dVSelfEndTime = dDuration;
    item->dVSelfDuration = dDuration;
    item->dEditorStartTime = 0.0;
    item->dEditorEndTime = dDuration;
    item->dPlaybackRate = 1.0;
    item->eImageFillMode = 1;
    return item;
}

std::unique_ptr<tagQVMediaData> MakePictureItem(const std::string& path, double dStart, double dEnd)
{
    auto item = std::make_unique<tagQVMediaData>();
    item->eMediaType = 2;
    item->eMediaTypeLine = 0;
    item->source = path;
    item->dEditorStartTime = dStart;
    item->dEditorEndTime = dEnd;
    item->eImageFillMode = 1;
    return item;
}

const uint8_t* UprightPixel(const std::vector<uint8_t>& frame, int nWidth, int nHeight, int x,
                            int y)
{
    return frame.data() + (size_t(nHeight - 1 - y) * size_t(nWidth) + size_t(x)) * 4;
}

} // namespace qv::test
