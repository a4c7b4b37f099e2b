// The video mixer stage's callback: how composed pictures get into the conversion stream.
// The engine implements it; the video mixer stage calls it on the video streaming thread,
// once per sample, FillFrame first and DrawOverlays second, before the sample moves on.
// Each sample comes with its number and start time, so the callback knows the time it
// composes for without asking anyone (SampleTime of project/OutputFrameRate.h).
#pragma once

#include <cstdint>
#include <cstring>

class QPainter;

namespace qv
{

struct tagQVDirectPicture;

// Describes a video sample: the layout of a Windows bitmap information header (40 bytes).
// A positive height means the rows are stored bottom row first.
#pragma pack(push, 1)
struct tagQVBitmapInfoHeader
{
    uint32_t biSize;        // 40
    int32_t biWidth;        // pixels
    int32_t biHeight;       // pixels; positive: bottom-up rows
    uint16_t biPlanes;      // 1
    uint16_t biBitCount;    // 32: bytes blue, green, red, alpha
    uint32_t biCompression; // 0: uncompressed RGB
    uint32_t biSizeImage;   // stride x height, stride = width x 4
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
#pragma pack(pop)

static_assert(sizeof(tagQVBitmapInfoHeader) == 40, "bitmap information header layout");

class IQVVideoMixerUserCallback
{
public:
    // Fills sample nIndex (0-based), which starts nStartTime (100-nanosecond units) after
    // the start of the run. pGraphics draws onto the same pixels, right side up (its
    // transform already accounts for the bottom-up rows); it is valid only during this call
    // and the following DrawOverlays.
    // Returns 0 to pass the sample on. A positive value ends the stream as a user abort,
    // a negative one as an error abort carrying that value; the output is then discarded.
    virtual int32_t FillFrame(QPainter* pGraphics, int64_t nIndex, int64_t nStartTime,
                              const tagQVBitmapInfoHeader* pHeader, uint8_t* pBuffer,
                              int32_t nBufferSize) = 0;

    // As FillFrame, for a consumer that also takes the source's own pixels: a frame that
    // needs nothing but the crop and the size may be handed out in *pDirect instead, the
    // BGRA sample then left as it was. The sample comes unblanked: it is the callback's to
    // clear when it fills it. The default blanks it and fills it with FillFrame.
    virtual int32_t FillFrameOrDirect(QPainter* pGraphics, int64_t nIndex, int64_t nStartTime,
                                      const tagQVBitmapInfoHeader* pHeader, uint8_t* pBuffer,
                                      int32_t nBufferSize, tagQVDirectPicture* pDirect)
    {
        (void)pDirect;
        if (pBuffer != nullptr && nBufferSize > 0)
            std::memset(pBuffer, 0, static_cast<size_t>(nBufferSize));
        return FillFrame(pGraphics, nIndex, nStartTime, pHeader, pBuffer, nBufferSize);
    }

    // Draws what goes over the composed picture; does nothing when bDraw is 0 (the mixer
    // stage passes 1). Results as for FillFrame.
    virtual int32_t DrawOverlays(QPainter* pGraphics, int32_t nUnused1, int32_t nUnused2,
                                 int32_t nUnused3, uint8_t* pBuffer, int32_t nBufferSize,
                                 int32_t bDraw) = 0;

    // Whether the callback draws through the graphics object; a callback that writes the
    // sample's pixels itself gets a null one and saves the stage making it each frame.
    virtual bool UsesGraphics() const { return true; }

    // Whether every picture the callback makes may go direct, as far as its project tells
    // (the decoders may still compose one). The converter keeps an HDR source's colours only
    // then, since a composed picture cannot carry them.
    virtual bool PicturesGoDirect() const { return false; }

    // Forgets what earlier frames left behind (the items last shown, the recent times), so
    // that the next build composes as a fresh one does. Called with no graph running.
    virtual void ResetFrameState() {}

protected:
    // Never deleted through this interface: its owner outlives every graph it serves.
    ~IQVVideoMixerUserCallback() = default;
};

} // namespace qv
