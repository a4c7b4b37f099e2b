#include "encode/WindowsMediaWriter.h"

#include "formats/CQVWmProfileManager.h"
#include "formats/WindowsMediaResults.h"
#include "project/OutputFrameRate.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace qv
{

namespace
{

constexpr int64_t kUnitsPerSecond = 10000000; // 100-ns units
constexpr int64_t kMaxKeyFrameSpacing = 3600 * kUnitsPerSecond;
constexpr int32_t kMinSide = 16;
constexpr int32_t kMaxSide = 4096;
const int32_t kSampleRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000};

struct tagQVFreeDeleter
{
    void operator()(char* p) const { std::free(p); }
};

class CQVFileDescriptor
{
public:
    explicit CQVFileDescriptor(int fd) : m_fd(fd) {}
    ~CQVFileDescriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    CQVFileDescriptor(const CQVFileDescriptor&) = delete;
    CQVFileDescriptor& operator=(const CQVFileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

bool ValidSide(int32_t nSide)
{
    return nSide >= kMinSide && nSide <= kMaxSide && nSide % 2 == 0;
}

bool ValidSampleRate(int32_t nRate)
{
    for (int32_t nKnown : kSampleRates)
    {
        if (nKnown == nRate)
            return true;
    }
    return false;
}

int CountStreams(const CQVWmProfile& profile, EQVWmMediaType eType)
{
    int nCount = 0;
    for (const tagQVWmStreamConfig& stream : profile.Streams())
        nCount += stream.eType == eType ? 1 : 0;
    return nCount;
}

} // namespace

int32_t LoadProfileFile(const std::string& path, CQVWmProfile* pProfile)
{
    if (pProfile == nullptr)
        return kQVWmInvalidArgument;
    std::unique_ptr<CQVWmProfileManager> pManager;
    int32_t nResult = CQVWmProfileManager::Create(&pManager);
    if (nResult != kQVWmOk)
        return nResult;

    // Non-blocking, so that a FIFO under the name cannot hold the engine at open.
    CQVFileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0)
        return ResultFromErrno(errno);
    struct stat info;
    if (fstat(file.Get(), &info) != 0)
        return ResultFromErrno(errno);
    if (!S_ISREG(info.st_mode))
        return kQVWmNotDiskFile;
    if (info.st_size > kQVMaxProfileFileBytes)
        return ResultFromErrno(EFBIG);

    const size_t nSize = static_cast<size_t>(info.st_size);
    std::unique_ptr<char, tagQVFreeDeleter> pBuffer(static_cast<char*>(std::calloc(nSize + 2, 1)));
    if (!pBuffer)
        return kQVWmOutOfMemory;
    // The file may shrink while it is read; what was there is what counts.
    size_t nRead = 0;
    while (nRead < nSize)
    {
        const ssize_t nGot = read(file.Get(), pBuffer.get() + nRead, nSize - nRead);
        if (nGot < 0 && errno == EINTR)
            continue;
        if (nGot < 0)
            return ResultFromErrno(errno);
        if (nGot == 0)
            break;
        nRead += static_cast<size_t>(nGot);
    }

    std::u16string text;
    text.reserve(nRead / 2 + 1);
    const unsigned char* pBytes = reinterpret_cast<const unsigned char*>(pBuffer.get());
    for (size_t i = 0; i + 1 < nRead + 2; i += 2)
        text.push_back(static_cast<char16_t>(pBytes[i] | (pBytes[i + 1] << 8)));
    return pManager->LoadProfileByData(text, pProfile);
}

int32_t ConfigureFromProfile(const CQVWmProfile& profile, tagQVEncodeSettings* pSettings)
{
    if (pSettings == nullptr)
        return kQVWmInvalidArgument;
    if (CountStreams(profile, EQVWmMediaType::Video) != 1 ||
        CountStreams(profile, EQVWmMediaType::Audio) != 1)
        return kQVWmInvalidData;
    const tagQVWmStreamConfig& video = *profile.FindStream(EQVWmMediaType::Video);
    const tagQVWmStreamConfig& audio = *profile.FindStream(EQVWmMediaType::Audio);
    tagQVEncodeSettings settings = *pSettings;

    if (video.video.codec == "wmv2")
        settings.eVideoCodec = EQVVideoCodec::Wmv2;
    else if (video.video.codec == "wmv1")
        settings.eVideoCodec = EQVVideoCodec::Wmv1;
    else
        return kQVWmInvalidData;
    const tagQVWmVideoFormat& format = video.video;
    if (!ValidSide(format.nWidth) || !ValidSide(format.nHeight) || video.nBitrate <= 0)
        return kQVWmInvalidData;
    if (format.nAvgTimePerFrame < kUnitsPerSecond / 120 ||
        format.nAvgTimePerFrame > kUnitsPerSecond || video.nMaxKeyFrameSpacing < 0 ||
        video.nMaxKeyFrameSpacing > kMaxKeyFrameSpacing)
        return kQVWmInvalidData;
    settings.nWidth = format.nWidth;
    settings.nHeight = format.nHeight;
    settings.eRateMode = EQVRateMode::Bitrate;
    settings.nVideoBitrate = video.nBitrate;
    // 333,333 units per frame is 30 frames/s written to the unit, not 30.00003; 417,083
    // is 24000/1001.
    const double dFrameRate = FrameRateFromTimePerFrame(format.nAvgTimePerFrame);
    settings.dFrameRate = dFrameRate;
    settings.nKeyFrameInterval = 0;
    if (video.nMaxKeyFrameSpacing > 0)
    {
        const double dFrames = video.nMaxKeyFrameSpacing * dFrameRate / kUnitsPerSecond;
        settings.nKeyFrameInterval = std::max(1, static_cast<int32_t>(std::lround(dFrames)));
    }

    const tagQVWmAudioFormat& wave = audio.audio;
    if (wave.codec == "wmav2")
        settings.eAudioCodec = EQVAudioCodec::Wma2;
    else if (wave.codec == "wmav1")
        settings.eAudioCodec = EQVAudioCodec::Wma1;
    else
        return kQVWmInvalidData;
    const int64_t nKbps = std::llround(wave.nAvgBytesPerSec * 8.0 / 1000.0);
    if (!ValidSampleRate(wave.nSampleRate) || wave.nChannels < 1 || wave.nChannels > 2 ||
        nKbps < 24 || nKbps > 320)
        return kQVWmInvalidData;
    settings.nAudioSampleRate = wave.nSampleRate;
    settings.eChannelMode = wave.nChannels == 1 ? EQVChannelMode::Mono : EQVChannelMode::Stereo;
    settings.bLowFrequencyChannel = false;
    settings.nAudioBitrateKbps = static_cast<int32_t>(nKbps);

    *pSettings = settings;
    return kQVWmOk;
}

int32_t ConfigureFromProfileFile(const std::string& path, tagQVEncodeSettings* pSettings)
{
    CQVWmProfile profile;
    const int32_t nResult = LoadProfileFile(path, &profile);
    if (nResult != kQVWmOk)
        return nResult;
    return ConfigureFromProfile(profile, pSettings);
}

} // namespace qv
