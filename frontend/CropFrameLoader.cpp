#include "frontend/CropFrameLoader.h"

#include "frontend/CropFrames.h"
#include "platform/ProgramFolder.h"
#include "probe/CQVFFMpegStillCapture.h"

#include <cstdio>
#include <cstring>

extern "C"
{
#include <libswscale/swscale.h>
}

namespace qv
{

// The still capture, stopped first at the key frame before a time and then walked on to
// the time, a picture at a time, so that a newer request can end the walk.
class CQVSteppedCapture : public CQVFFMpegStillCapture
{
public:
    using CQVFFMpegStillCapture::CQVFFMpegStillCapture;

    // The first picture after the seek to the key frame before t; false without one. A
    // capture opened for this request: its decoder holds nothing from before.
    bool GoNear(double dSeconds)
    {
        if (Failed() || !HasVideo())
            return false;
        // One seek and one picture: the key frame itself. Containers whose seek lands
        // late, and streams without times, take the capture's own careful way instead.
        const int nStream = QVFindFirstStream(Format(), AVMEDIA_TYPE_VIDEO);
        const AVStream* pStream = nStream >= 0 ? Format()->streams[nStream] : nullptr;
        if (pStream && TimeBase() > 0 && GetFrameRate() * dSeconds > 15.0)
        {
            const int64_t nStart = pStream->start_time == AV_NOPTS_VALUE ? 0 : pStream->start_time;
            const auto nTarget = static_cast<int64_t>(dSeconds / TimeBase()) + nStart;
            if (av_seek_frame(Format(), nStream, nTarget, AVSEEK_FLAG_BACKWARD) >= 0 &&
                ReadNextFrame() && PictureTimestamp() != AV_NOPTS_VALUE &&
                PtsToSeconds(PictureTimestamp()) <= dSeconds + TimestampTolerance())
                return true;
            // Back to a state the careful way knows.
            SeekToFrame(0);
        }
        PositionNear(dSeconds);
        return HasPicture();
    }
    // The picture is at t or later (a picture stamped a hair early counts as at t), or the
    // stream has no times to tell.
    bool AtTime(double dSeconds) const
    {
        return PictureTimestamp() == AV_NOPTS_VALUE ||
               PtsToSeconds(PictureTimestamp()) >= dSeconds - TimestampTolerance();
    }
    // The current picture at the source size, one image pixel per source pixel.
    QImage Picture(int nSourceWidth, int nSourceHeight)
    {
        uint8_t* pData = nullptr;
        int nStride = 0, nWidth = 0, nHeight = 0, nBytesPerPixel = 0;
        if (!ConvertFrame(&pData, &nStride, &nWidth, &nHeight, &nBytesPerPixel))
            return QImage();
        QImage image(nWidth, nHeight, QImage::Format_RGB32);
        if (image.isNull())
            return image;
        for (int y = 0; y < nHeight; ++y)
            std::memcpy(image.scanLine(y), pData + static_cast<ptrdiff_t>(y) * nStride,
                        static_cast<size_t>(nWidth) * 4);
        if (image.size() != QSize(nSourceWidth, nSourceHeight))
            image = image.scaled(nSourceWidth, nSourceHeight, Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation);
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    // The current picture straight at the display size, turned as players show it: one
    // small scale instead of the whole frame converted, so that it shows at once.
    QImage DisplayPicture(QSize size)
    {
        const AVFrame* pFrame = DecodedPicture();
        if (!pFrame || size.width() <= 0 || size.height() <= 0 || pFrame->width <= 0 ||
            pFrame->height <= 0)
            return QImage();
        const tagQVDisplayTurn& turn = DisplayTurn();
        const QSize stored = turn.bTranspose ? size.transposed() : size;
        m_pSmall = sws_getCachedContext(m_pSmall, pFrame->width, pFrame->height,
                                        static_cast<AVPixelFormat>(pFrame->format), stored.width(),
                                        stored.height(), AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr,
                                        nullptr, nullptr);
        QImage image(stored, QImage::Format_RGB32);
        if (!m_pSmall || image.isNull())
            return QImage();
        uint8_t* destination[4] = {image.bits(), nullptr, nullptr, nullptr};
        int destinationStride[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
        sws_scale(m_pSmall, pFrame->data, pFrame->linesize, 0, pFrame->height, destination,
                  destinationStride);
        if (turn.bTranspose || turn.bFlipX || turn.bFlipY)
        {
            // Displayed (x, y) is stored (y, x) when transposed, x from the right when
            // flipped in x, y from the bottom when flipped in y.
            QImage shown(size, QImage::Format_RGB32);
            for (int y = 0; y < size.height(); ++y)
            {
                auto* pRow = reinterpret_cast<QRgb*>(shown.scanLine(y));
                for (int x = 0; x < size.width(); ++x)
                {
                    int sx = turn.bTranspose ? y : x;
                    int sy = turn.bTranspose ? x : y;
                    if (turn.bFlipX)
                        sx = stored.width() - 1 - sx;
                    if (turn.bFlipY)
                        sy = stored.height() - 1 - sy;
                    pRow[x] = reinterpret_cast<const QRgb*>(image.constScanLine(sy))[sx];
                }
            }
            image = shown;
        }
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    ~CQVSteppedCapture() override { sws_freeContext(m_pSmall); }

private:
    SwsContext* m_pSmall = nullptr;
};

namespace
{

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.rfind('/') + 1);
}

} // namespace

CQVCropFrameLoader::CQVCropFrameLoader(const std::string& source, int nSourceWidth,
                                       int nSourceHeight, std::function<void()> onReady)
    : m_source(source), m_nSourceWidth(nSourceWidth), m_nSourceHeight(nSourceHeight),
      m_onReady(std::move(onReady)), m_thread([this] { Run(); })
{
}

CQVCropFrameLoader::~CQVCropFrameLoader()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

int CQVCropFrameLoader::Request(double dSeconds, const std::string& imagePath, QSize displaySize)
{
    int nSerial = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        nSerial = ++m_nSerial;
        m_dTime = dSeconds;
        m_imagePath = imagePath;
        m_displaySize = displaySize;
    }
    m_wake.notify_all();
    return nSerial;
}

void CQVCropFrameLoader::SetDisplaySize(QSize displaySize)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (displaySize == m_displaySize)
            return;
        m_displaySize = displaySize;
        m_bRescale = true;
    }
    m_wake.notify_all();
}

bool CQVCropFrameLoader::Take(tagQVCropPicture* pPicture)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bReady)
        return false;
    *pPicture = std::move(m_ready);
    m_ready = tagQVCropPicture();
    m_bReady = false;
    return true;
}

bool CQVCropFrameLoader::Superseded(int nSerial)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bStop || m_nSerial != nSerial;
}

void CQVCropFrameLoader::Publish(tagQVCropPicture picture)
{
    QSize size;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        size = m_displaySize;
        m_bRescale = false;
    }
    // At one display pixel per source pixel the frame itself is shown; a display picture
    // made for another size is made again from the frame.
    if (!picture.frame.isNull() && size == picture.frame.size())
        picture.display = picture.frame;
    else if (!picture.frame.isNull() && picture.display.size() != size && size.width() > 0 &&
             size.height() > 0)
        picture.display =
            picture.frame.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!picture.frame.isNull())
        m_last = picture;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ready = std::move(picture);
        m_bReady = true;
    }
    m_onReady();
}

void CQVCropFrameLoader::Run()
{
    for (;;)
    {
        int nSerial = 0;
        double dTime = 0;
        std::string imagePath;
        bool bRescale = false;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_bStop || m_nServed != m_nSerial || m_bRescale; });
            if (m_bStop)
                return;
            if (m_nServed != m_nSerial)
            {
                nSerial = m_nServed = m_nSerial;
                dTime = m_dTime;
                imagePath = m_imagePath;
            }
            else
                bRescale = true;
        }
        if (nSerial != 0)
            Make(nSerial, dTime, imagePath);
        else if (bRescale && !m_last.frame.isNull())
            Publish(m_last);
        else if (bRescale)
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bRescale = false;
        }
    }
}

QSize CQVCropFrameLoader::DisplaySize()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_displaySize;
}

bool CQVCropFrameLoader::Make(int nSerial, double dSeconds, const std::string& imagePath)
{
    tagQVCropPicture picture;
    picture.nSerial = nSerial;
    picture.dTime = dSeconds;
    picture.imagePath = imagePath;
    picture.bExact = true;
    // A time shown before keeps its file: no decoder needed.
    if (!imagePath.empty() && PathExists(imagePath))
    {
        picture.frame = LoadFrameImage(imagePath, m_nSourceWidth, m_nSourceHeight);
        Publish(std::move(picture));
        return true;
    }
    // Opened afresh for each request (a few milliseconds): its decoder starts clean at the
    // key frame it seeks to.
    m_pCapture = std::make_unique<CQVSteppedCapture>(m_source, true);
    CQVSteppedCapture& capture = *m_pCapture;
    {
        if (capture.GoNear(dSeconds))
        {
            if (!capture.AtTime(dSeconds))
            {
                if (Superseded(nSerial))
                    return false;
                tagQVCropPicture near = picture;
                near.bExact = false;
                near.display = capture.DisplayPicture(DisplaySize());
                if (!near.display.isNull())
                    Publish(std::move(near));
            }
            while (!capture.AtTime(dSeconds))
            {
                if (Superseded(nSerial))
                    return false;
                if (!capture.ReadNextFrame())
                    break; // the last picture stands for a time beyond the end
            }
            if (Superseded(nSerial))
                return false;
            // The exact picture at the display size first, then the whole frame.
            tagQVCropPicture shown = picture;
            shown.display = capture.DisplayPicture(DisplaySize());
            if (!shown.display.isNull())
            {
                picture.display = shown.display;
                Publish(std::move(shown));
            }
            picture.frame = capture.Picture(m_nSourceWidth, m_nSourceHeight);
        }
    }
    // A picture that cannot be made is a black one of the source size, saved in its place.
    const bool bFolder = !imagePath.empty() && MakeFolders(FolderOf(imagePath));
    if (picture.frame.isNull())
    {
        picture.frame =
            LoadFrameImage(bFolder ? imagePath : std::string(), m_nSourceWidth, m_nSourceHeight);
        Publish(std::move(picture));
        return true;
    }
    // Shown first, then saved for a slider that comes back to this time.
    const QImage frame = picture.frame;
    Publish(std::move(picture));
    // Whole or not at all: a file under the time's name is taken as it is.
    const QString file = QString::fromStdString(imagePath);
    if (bFolder && frame.save(file + ".part", "JPEG") &&
        std::rename((imagePath + ".part").c_str(), imagePath.c_str()) != 0)
        std::remove((imagePath + ".part").c_str());
    return true;
}

} // namespace qv
