// A small FFmpeg reader for the border detection: the first video stream of a file, decoded
// near chosen times into 8-bit luma on the 16-235 scale at the stream's own picture size
// (the still capture's pictures are cut to multiples of 4, which would lose border lines),
// turned upright as players show it, so that the borders are found where the crop dialog
// shows them. One thread drives a reader at a time.
#pragma once

#include "probe/DisplayTurn.h"
#include "probe/FFmpegCommon.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace qv
{

class CQVLumaFrameReader
{
public:
    // Decodes at most this many pictures after a seek while looking for the target time.
    static constexpr int kMaxPicturesPerSeek = 300;

    CQVLumaFrameReader() = default;
    CQVLumaFrameReader(const CQVLumaFrameReader&) = delete;
    CQVLumaFrameReader& operator=(const CQVLumaFrameReader&) = delete;

    // False when the file cannot be opened or has no decodable video stream.
    bool Open(const std::string& path);

    // The displayed picture size: a quarter turn swaps the stored sides.
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    // Seconds; 0 when neither the container nor the stream tells.
    double Duration() const;

    // Decodes the first picture at or after t (seconds from the stream's start); the last
    // picture of the file when t lies beyond it. Its luma goes to Luma(), LumaStride()
    // bytes per row. pnTimestamp gets the picture's timestamp in stream units, so that a caller can
    // tell one picture from another. False when no picture could be decoded or the cancel
    // flag was raised.
    bool ReadLumaAt(double dSeconds, const std::atomic<bool>* pCancel, int64_t* pnTimestamp);
    // The next picture after the last one read.
    bool ReadNextLuma(const std::atomic<bool>* pCancel, int64_t* pnTimestamp);
    // The upright picture, Width() x Height().
    const uint8_t* Luma() const { return m_turn.IsIdentity() ? m_pPlanes.get() : m_pUpright.get(); }
    int LumaStride() const { return m_turn.IsIdentity() ? m_nLumaStride : m_nUprightStride; }

private:
    // 1 a picture, 0 none yet (wants input), -1 the decoder is drained or failed for good.
    int Receive();
    // The next decoded picture into m_pFrame; false at the end of the file.
    bool NextPicture(const std::atomic<bool>* pCancel);
    bool ConvertLuma();
    // The stored luma turned into m_pUpright.
    void TurnLuma();

    QVFormatPtr m_pFormat;
    QVCodecPtr m_pCodec;
    QVFramePtr m_pFrame;   // the last picture; replaced only by a new one
    QVFramePtr m_pReceive; // receiving clears its frame even when nothing comes
    QVPacketPtr m_pPacket;
    QVScalerPtr m_pScaler;
    int m_nScalerFormat = -1;
    int m_nScalerRange = -1;
    int m_nScalerWidth = 0;
    int m_nScalerHeight = 0;
    int m_nStream = -1;
    int m_nStoredWidth = 0; // the decoded picture's size
    int m_nStoredHeight = 0;
    int m_nWidth = 0; // as shown
    int m_nHeight = 0;
    tagQVDisplayTurn m_turn;
    bool m_bDraining = false;
    // The scaler's three planes in one buffer at the stored size: luma first, then the
    // (unused) chroma.
    QVBufferPtr m_pPlanes;
    int m_nLumaStride = 0;
    int m_nChromaStride = 0;
    int m_nChromaHeight = 0;
    // The luma upright; only for a turn that is not the identity.
    QVBufferPtr m_pUpright;
    int m_nUprightStride = 0;
};

} // namespace qv
