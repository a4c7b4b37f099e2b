#include "probe/WavExtraction.h"

#include "probe/FFmpegCommon.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

extern "C"
{
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace qv
{

namespace
{

constexpr int kWavRate = 44100;
constexpr int kWavChannels = 2;
constexpr int kWavBytesPerFrame = 4;
constexpr uint32_t kWavHeaderSize = 44;

struct QVFileCloser
{
    void operator()(FILE* p) const { std::fclose(p); }
};
using QVFilePtr = std::unique_ptr<FILE, QVFileCloser>;

void PutLe32(uint8_t* p, uint32_t n)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(n >> (8 * i));
}

void PutLe16(uint8_t* p, uint16_t n)
{
    p[0] = static_cast<uint8_t>(n);
    p[1] = static_cast<uint8_t>(n >> 8);
}

// The sizes are written once the data is complete.
void FillHeader(uint8_t (&header)[kWavHeaderSize], uint32_t nDataBytes)
{
    std::memcpy(header, "RIFF", 4);
    PutLe32(header + 4, nDataBytes + 36);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutLe32(header + 16, 16);
    PutLe16(header + 20, 1);
    PutLe16(header + 22, kWavChannels);
    PutLe32(header + 24, kWavRate);
    PutLe32(header + 28, kWavRate * kWavBytesPerFrame);
    PutLe16(header + 32, kWavBytesPerFrame);
    PutLe16(header + 34, 16);
    std::memcpy(header + 36, "data", 4);
    PutLe32(header + 40, nDataBytes);
}

class CQVWavWriter
{
public:
    bool Open(const std::string& path)
    {
        m_file.reset(std::fopen(path.c_str(), "wb"));
        uint8_t header[kWavHeaderSize];
        FillHeader(header, 0);
        return m_file && std::fwrite(header, 1, kWavHeaderSize, m_file.get()) == kWavHeaderSize;
    }
    bool Write(const uint8_t* pData, int nFrames)
    {
        const size_t nBytes = static_cast<size_t>(nFrames) * kWavBytesPerFrame;
        // A RIFF file cannot hold more than 4 GiB of data.
        if (m_nDataBytes + nBytes > 0xFFFFFFFFull - 36)
            return false;
        m_nDataBytes += nBytes;
        return std::fwrite(pData, 1, nBytes, m_file.get()) == nBytes;
    }
    bool Finish()
    {
        if (!m_file)
            return false;
        uint8_t header[kWavHeaderSize];
        FillHeader(header, static_cast<uint32_t>(m_nDataBytes));
        FILE* pFile = m_file.get();
        bool bOk =
            std::fseek(pFile, 4, SEEK_SET) == 0 && std::fwrite(header + 4, 1, 4, pFile) == 4 &&
            std::fseek(pFile, 40, SEEK_SET) == 0 && std::fwrite(header + 40, 1, 4, pFile) == 4;
        bOk = std::fflush(pFile) == 0 && bOk;
        return std::fclose(m_file.release()) == 0 && bOk;
    }

private:
    QVFilePtr m_file;
    uint64_t m_nDataBytes = 0;
};

class CQVWavExtraction
{
public:
    bool Open(const std::string& sourcePath)
    {
        m_format = QVOpenInput(sourcePath);
        if (!m_format)
            return false;
        m_nStream = QVFindFirstStream(m_format.get(), AVMEDIA_TYPE_AUDIO);
        if (m_nStream < 0)
            return false;
        const AVCodecParameters* pParameters = m_format->streams[m_nStream]->codecpar;
        const AVCodec* pCodec = avcodec_find_decoder(pParameters->codec_id);
        if (!pCodec)
            return false;
        m_codec.reset(avcodec_alloc_context3(pCodec));
        if (!m_codec || avcodec_parameters_to_context(m_codec.get(), pParameters) < 0 ||
            avcodec_open2(m_codec.get(), pCodec, nullptr) < 0)
            return false;
        m_frame.reset(av_frame_alloc());
        m_packet.reset(av_packet_alloc());
        return m_frame && m_packet;
    }

    bool Run(CQVWavWriter& writer)
    {
        while (true)
        {
            const int nRead = av_read_frame(m_format.get(), m_packet.get());
            if (nRead < 0)
                break;
            const bool bOurs = m_packet->stream_index == m_nStream;
            const int nSent = bOurs ? avcodec_send_packet(m_codec.get(), m_packet.get()) : 0;
            av_packet_unref(m_packet.get());
            // A damaged packet is skipped, as a player would; the rest of the sound still counts.
            if (nSent < 0 && nSent != AVERROR(EAGAIN))
                continue;
            if (bOurs && !Receive(writer))
                return false;
        }
        avcodec_send_packet(m_codec.get(), nullptr);
        if (!Receive(writer))
            return false;
        return Flush(writer) && m_bAnySound;
    }

private:
    bool Receive(CQVWavWriter& writer)
    {
        while (avcodec_receive_frame(m_codec.get(), m_frame.get()) == 0)
        {
            const bool bOk = Convert(writer, m_frame.get());
            av_frame_unref(m_frame.get());
            if (!bOk)
                return false;
        }
        return true;
    }

    bool MakeResampler(const AVFrame* pFrame)
    {
        AVChannelLayout outLayout = AV_CHANNEL_LAYOUT_STEREO;
        AVChannelLayout inLayout{};
        if (pFrame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC ||
            pFrame->ch_layout.nb_channels <= 0)
            av_channel_layout_default(&inLayout, std::max(1, pFrame->ch_layout.nb_channels));
        else if (av_channel_layout_copy(&inLayout, &pFrame->ch_layout) < 0)
            return false;
        SwrContext* pResampler = nullptr;
        const int nResult = swr_alloc_set_opts2(
            &pResampler, &outLayout, AV_SAMPLE_FMT_S16, kWavRate, &inLayout,
            static_cast<AVSampleFormat>(pFrame->format), pFrame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        m_resampler.reset(pResampler);
        return nResult >= 0 && m_resampler && swr_init(m_resampler.get()) >= 0;
    }

    bool Convert(CQVWavWriter& writer, const AVFrame* pFrame)
    {
        if (pFrame->sample_rate <= 0 || pFrame->nb_samples <= 0)
            return true;
        if (!m_resampler && !MakeResampler(pFrame))
            return false;
        const int nCapacity = swr_get_out_samples(m_resampler.get(), pFrame->nb_samples);
        if (nCapacity < 0)
            return false;
        m_buffer.resize(static_cast<size_t>(nCapacity) * kWavBytesPerFrame + kWavBytesPerFrame);
        uint8_t* pOut = m_buffer.data();
        const int nFrames =
            swr_convert(m_resampler.get(), &pOut, nCapacity + 1,
                        const_cast<const uint8_t**>(pFrame->extended_data), pFrame->nb_samples);
        if (nFrames < 0)
            return false;
        m_bAnySound = true;
        return writer.Write(pOut, nFrames);
    }

    bool Flush(CQVWavWriter& writer)
    {
        if (!m_resampler)
            return true;
        m_buffer.resize(4096 * kWavBytesPerFrame);
        uint8_t* pOut = m_buffer.data();
        int nFrames = 0;
        while ((nFrames = swr_convert(m_resampler.get(), &pOut, 4096, nullptr, 0)) > 0)
            if (!writer.Write(pOut, nFrames))
                return false;
        return nFrames == 0;
    }

    QVFormatPtr m_format;
    QVCodecPtr m_codec;
    QVFramePtr m_frame;
    QVPacketPtr m_packet;
    QVResamplerPtr m_resampler;
    std::vector<uint8_t> m_buffer;
    int m_nStream = -1;
    bool m_bAnySound = false;
};

} // namespace

bool ExtractWav(const std::string& sourcePath, const std::string& wavPath)
{
    CQVWavExtraction extraction;
    if (!extraction.Open(sourcePath))
        return false;
    CQVWavWriter writer;
    bool bOk = writer.Open(wavPath) && extraction.Run(writer);
    bOk = writer.Finish() && bOk;
    if (!bOk)
        std::remove(wavPath.c_str());
    return bOk;
}

} // namespace qv
