// The decoding core shared by the engine's capture and the front-end's still capture:
// the first video stream of a file, decoded picture by picture, seekable to a frame and
// converted to a 32-bit BGRA image of a size fixed at construction.
//
// Not thread-safe: one thread drives a capture at a time. Failures are return values;
// a failed read keeps the previous picture.
#pragma once

#include "probe/CQVColorGraph.h"
#include "probe/ColorDescription.h"
#include "probe/DisplayTurn.h"
#include "probe/FFmpegCommon.h"

#include <cstdint>
#include <string>

namespace qv
{

class CQVFFMpegCaptureBase
{
public:
    virtual ~CQVFFMpegCaptureBase();
    CQVFFMpegCaptureBase(const CQVFFMpegCaptureBase&) = delete;
    CQVFFMpegCaptureBase& operator=(const CQVFFMpegCaptureBase&) = delete;

    // Any packet read without a picture (another stream's, or one the decoder keeps)
    // is a miss; more than this many in one read end the read with false.
    static constexpr int kMaxMisses = 512;

    // 1 when opening failed in the constructor; the creator then deletes the object.
    int Failed() const { return m_bFailed; }

    // Frees every FFmpeg object and the image. Safe to call twice.
    void Close();

    // Reads until the next picture. False after more than kMaxMisses misses, at the end
    // of the file (after the decoder's delayed pictures) or when nothing is open; the
    // previous picture is kept then. The current frame timestamp becomes the picture's
    // presentation timestamp (its decoding timestamp when it has none).
    bool ReadNextFrame();

    // As ReadNextFrame, but counts pictures in FramesDecoded() and takes the best-effort
    // timestamp. Refuses without reading once FramesDecoded() exceeds a frame count the
    // stream declares, until a seek resets the count.
    bool DecodeNextFrame();

    // Positions near the frame: afterwards the current picture is at or before it (as
    // close as the key frames allow) and FramesDecoded() is that picture's index + 1.
    // A target beyond the end is clamped to GetFrameCount(). Targets 0 and 1 leave
    // FramesDecoded() at 0 and 1.
    void SeekToFrame(int64_t nTargetFrame);

    // Scales the current picture into the BGRA image (one bicubic scaler), upright as the
    // stream's display matrix shows it (a quarter turn and/or mirror; see DisplayTurn()),
    // and hands out its descriptor; any out pointer may be null. The picture is read with
    // its PictureColor(); an HDR picture is tone-mapped to BT.709 first. False without an
    // open stream or a picture, or when no scaler (or tone map) can be made for the picture.
    bool ConvertFrame(uint8_t** ppData, int* pnStride, int* pnWidth, int* pnHeight,
                      int* pnBytesPerPixel);

    // Seconds; the container's duration, else the stream's; 0 when unknown.
    double GetDuration() const;
    // Frames per second; 0 when the stream gives no usable rate.
    double GetFrameRate() const;
    // The declared frame count, else duration × frame rate rounded down.
    int64_t GetFrameCount() const;
    // Seconds since the stream's start for a timestamp in stream units; 0 without a stream.
    double PtsToSeconds(int64_t nTimestamp) const;
    // PtsToSeconds × GetFrameRate, truncated; -1 for "no timestamp".
    int64_t PtsToFrameIndex(int64_t nTimestamp) const;

    bool HasVideo() const { return m_pCodec != nullptr; }
    // The pixel format the decoder gives (AV_PIX_FMT_NONE without video).
    int StreamPixelFormat() const { return m_pCodec ? m_pCodec->pix_fmt : AV_PIX_FMT_NONE; }
    // How the stream's pictures are shown; the image is in displayed orientation, so a
    // transposing turn swaps the stored picture's width and height.
    const tagQVDisplayTurn& DisplayTurn() const { return m_turn; }
    // Seconds per stream timestamp unit; 0 without a video stream.
    double TimeBase() const;
    // Seconds by which a picture's timestamp may lie before a time and the picture still
    // count as the one at that time. Containers that store coarse timestamps (Matroska,
    // WebM and FLV keep whole milliseconds) put a picture up to a tick early: 1 ms, or one
    // tick when a frame is not a whole number of ticks, but never more than a quarter of
    // a frame, so that the picture before is never taken for the one at the time.
    double TimestampTolerance() const;

    // --- colours
    // The stream's description, completed for what it leaves out (QVCompleteDescription
    // at the stream's size and format); unspecified without video.
    tagQVColorDescription SourceColor() const;
    // The current picture's: its own tags where it has them, the stream's otherwise,
    // completed likewise. SourceColor() without a picture.
    tagQVColorDescription PictureColor() const;

    // --- the current picture
    bool HasPicture() const;
    // The picture as the decoder gave it: its own pixel format, stored orientation, top row
    // first. Null without a picture. Valid until the next read; av_frame_ref keeps it.
    const AVFrame* DecodedPicture() const { return HasPicture() ? m_pFrame.get() : nullptr; }
    // The presentation timestamp the picture's packet carried (stream units);
    // AV_NOPTS_VALUE when missing or when there is no picture.
    int64_t PicturePts() const;
    // The presentation timestamp, else the decoding one, else the decoder's best guess.
    int64_t PictureTimestamp() const;
    // The timestamp of the last picture read (see ReadNextFrame/DecodeNextFrame);
    // AV_NOPTS_VALUE before the first.
    int64_t CurrentFrameTimestamp() const { return m_nCurrentFrameTimestamp; }

    // --- counters
    int64_t FramesDecoded() const { return m_nFramesDecoded; }
    // Frame index of the first picture decoded after open; -1 until known.
    int64_t FirstFrameIndex() const { return m_nFirstFrameIndex; }
    // The frame the composer last asked for; kept here for it, not used by the capture.
    int64_t TimelineFrameIndex() const { return m_nTimelineFrameIndex; }
    void SetTimelineFrameIndex(int64_t nIndex) { m_nTimelineFrameIndex = nIndex; }

    // --- the BGRA image (valid until the next conversion or Close; never freed by callers).
    // Rows are ImageStride() bytes apart, which may be more than width × 4.
    const uint8_t* ImageData() const { return m_pImageData; }
    int ImageStride() const { return m_nImageStride; }
    int ImageWidth() const { return m_nImageWidth; }
    int ImageHeight() const { return m_nImageHeight; }
    int BytesPerPixel() const { return m_nBytesPerPixel; }
    int DestinationWidth() const { return m_nDestWidth; }
    int DestinationHeight() const { return m_nDestHeight; }
    const std::string& SourcePath() const { return m_sourcePath; }
    bool Flips() const { return m_bFlip; }

protected:
    CQVFFMpegCaptureBase(const std::string& path, int nDestWidth, int nDestHeight, bool bFlip);

    // Opens the demuxer on the path; false (and closed) on failure.
    bool OpenInputFile(const std::string& path);
    // Opens the decoder of the stream and the BGRA image at the destination size.
    bool OpenVideoStream(int nStreamIndex);
    // GetFrameAtTime's first step: about 15 frames before t by a seek, or the first
    // picture of the file when t is that close to the start.
    void PositionNear(double dSeconds);

    AVFormatContext* Format() const { return m_pFormat.get(); }

    // --- set by the variants before OpenVideoStream
    int m_bFailed = 0;
    int m_nDestWidth = 0;
    int m_nDestHeight = 0;
    bool m_bFlip = false;
    std::string m_sourcePath;

    // --- the first audio stream; only the front-end's variant records it
    int m_nAudioStreamIndex = -1;
    AVStream* m_pAudioStream = nullptr;

private:
    // One picture: bCounted selects DecodeNextFrame's bookkeeping.
    bool NextPicture(bool bCounted);
    // 1 a picture arrived, 0 the decoder wants input, -1 the decoder is drained.
    int ReceivePicture();
    void TakePicture(bool bCounted);
    // Points the planes at their last rows with negated line sizes: the scaler then reads
    // the picture upside down.
    static void FlipPlanes(const AVFrame* pFrame, uint8_t* data[AV_NUM_DATA_POINTERS],
                           int linesize[AV_NUM_DATA_POINTERS]);
    // The image from the scaled stored picture (m_nDestHeight × m_nDestWidth).
    void TransposeImage(const uint8_t* pScaled, int nScaledStride, bool bFlipX, bool bFlipY);
    void MirrorImageRows();
    void ResetFields();

    // --- owned FFmpeg objects, all reused for the life of the open file
    QVFormatPtr m_pFormat;
    int m_nVideoStreamIndex = -1;
    AVStream* m_pVideoStream = nullptr;
    QVCodecPtr m_pCodec;
    QVFramePtr m_pFrame;        // the current picture; replaced only by a new picture
    QVFramePtr m_pReceiveFrame; // receiving clears its frame even when nothing comes
    QVPacketPtr m_pPacket;
    QVScalerPtr m_pScaler;
    int m_nScalerWidth = 0;
    int m_nScalerHeight = 0;
    int m_nScalerFormat = -1;
    tagQVColorDescription m_scalerColor; // the colours the scaler reads with
    tagQVColorDescription m_streamColor; // as the stream says, not completed
    CQVColorGraph m_toneMap;             // HDR pictures become BT.709 before the scaler
    QVFramePtr m_pToneMapped;
    QVBufferPtr m_pImageBuffer;
    QVBufferPtr m_pTurnBuffer; // the scaled stored picture, only for a quarter turn
    tagQVDisplayTurn m_turn;
    uint8_t* m_destData[8] = {};
    int m_destLinesize[8] = {};
    bool m_bDraining = false; // the decoder was told the input ended

    int64_t m_nCurrentFrameTimestamp = AV_NOPTS_VALUE;
    int64_t m_nFramesDecoded = 0;
    int64_t m_nFirstFrameIndex = -1;
    int64_t m_nTimelineFrameIndex = 0;

    uint8_t* m_pImageData = nullptr;
    int m_nImageStride = 0;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    int m_nBytesPerPixel = 0;
};

} // namespace qv
