// The crop dialog's pictures, made on a thread of their own so that the dialog never waits
// for a decoder: for each time asked for, first the picture of the key frame before it
// (marked approximate), then the exact picture at the display size, then the whole exact
// frame, which is saved as the time's frame image.
// Only the latest time asked for is worked on: a request made while an older one decodes
// ends the older one at its next picture. Each picture also comes scaled to the size the
// dialog draws it at, so that drawing only copies.
//
//     CQVCropFrameLoader loader(source, 3840, 2160, [hWindow] { post a message to it; });
//     loader.Request(5.0, FrameImagePath(5.0), QSize(1010, 568));
//     ... on the message, on the GUI thread:
//     tagQVCropPicture picture;
//     if (loader.Take(&picture)) show picture.display (picture.bExact or not);
#pragma once

#include <QImage>
#include <QSize>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace qv
{

class CQVSteppedCapture;

struct tagQVCropPicture
{
    int nSerial = 0;       // the request it answers; requests count up from 1
    double dTime = 0;      // the time asked for
    bool bExact = false;   // false: the key frame's picture before dTime, shown meanwhile
    std::string imagePath; // the frame image file of dTime (saved only for an exact picture)
    // One pixel per source pixel, Format_ARGB32_Premultiplied; null in the pictures sent
    // ahead of it at the display size only (the key frame's, and the exact one's first).
    QImage frame;
    QImage display; // the picture at the display size (null when that size is not known)
};

class CQVCropFrameLoader
{
public:
    // onReady is called on the loader's thread each time a picture can be taken; it must
    // only hand the news to the GUI thread (post a message).
    CQVCropFrameLoader(const std::string& source, int nSourceWidth, int nSourceHeight,
                       std::function<void()> onReady);
    ~CQVCropFrameLoader(); // ends the work under way and waits for the thread

    // Asks for the picture at dSeconds; imagePath is its frame image file: used as it is
    // when it exists, else written with the exact picture. Returns the request's serial.
    int Request(double dSeconds, const std::string& imagePath, QSize displaySize);
    // The size the dialog now draws the frame at: the last picture comes again scaled to it.
    void SetDisplaySize(QSize displaySize);
    // The newest picture made since the last Take; false when there is none.
    bool Take(tagQVCropPicture* pPicture);

private:
    void Run();
    // Makes the pictures of one request; false when a newer request or the end came first.
    bool Make(int nSerial, double dSeconds, const std::string& imagePath);
    bool Superseded(int nSerial);
    QSize DisplaySize();
    void Publish(tagQVCropPicture picture);

    const std::string m_source;
    const int m_nSourceWidth;
    const int m_nSourceHeight;
    const std::function<void()> m_onReady;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    // --- under m_mutex
    bool m_bStop = false;
    int m_nSerial = 0;       // of the latest request
    int m_nServed = 0;       // the latest request taken up by the thread
    double m_dTime = 0;      // the latest request's
    std::string m_imagePath; // the latest request's
    QSize m_displaySize;
    bool m_bRescale = false; // the display size changed since the last picture
    bool m_bReady = false;
    tagQVCropPicture m_ready;

    // --- the thread's own
    tagQVCropPicture m_last;                       // the last picture made, kept to scale it again
    std::unique_ptr<CQVSteppedCapture> m_pCapture; // opened at the first decode

    std::thread m_thread; // last: starts when everything above exists
};

} // namespace qv
