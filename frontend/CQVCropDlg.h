// The crop dialog: sets the crop rectangle of one row of the file list on a still frame of
// its video, by dragging the rectangle or its eight handles, by typing its four values, or
// by "Detect", which finds the black borders. The frame can be shown at 100, 80 or 50 % or
// at "Fit" (the largest zoom whose window fits the work area); the dialog opens at the
// largest listed zoom that fits, else at "Fit", and the window never outgrows the work area.
// The time slider picks the frame: the picture comes from a thread of its own, first the
// key frame before the time (a line says it is approximate), then the exact picture; a
// slider dragged along asks only for its latest position. GUI thread only.
//
// Use from the main window:
//
//     tagQVCropRequest request{row's "File", "Duration", "Source W", "Source H",
//                              "Crop X", "Crop Y", "Crop W", "Crop H"};
//     CQVCropDlg dialog(request, this);
//     if (dialog.DoModal() == kIdOk)
//     {
//         const tagQVCropResult& result = dialog.GetResult();
//         if (result.bChanged)
//             ... write result.nCropX .. nCropHeight into the four cells as "%d" ...
//         ... every OK sets every row's "State" to "Ready" with bar 0 ...
//     }
//
// OK with a width or height of 0 (or below) leaves the cells as they were; OK with
// "Enable" cleared writes the full frame (0, 0, Source W, Source H), that is no crop.
// Cancel changes nothing. DoModal empties "tmp/tlframe/" when the run is over. A source whose
// display matrix is no plain turn is shown as stored, and a line beside "Enable" says so.
#pragma once

#include "frontend/CropFrameLoader.h"
#include "frontend/CropGeometry.h"
#include "frontend/CropImageArea.h"
#include "ui/CQVDialogBase.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace qv
{

class CQVEdit;

// What the main window hands over: the row's values.
struct tagQVCropRequest
{
    std::string source;    // "File": the video's path (UTF-8)
    double dDuration = 0;  // "Duration", seconds
    int nSourceWidth = 0;  // "Source W", pixels
    int nSourceHeight = 0; // "Source H"
    int nCropX = 0;        // "Crop X", "Crop Y", "Crop W", "Crop H": source pixels
    int nCropY = 0;
    int nCropWidth = 0;
    int nCropHeight = 0;
};

// What the run leaves for the row.
struct tagQVCropResult
{
    bool bOk = false;      // the dialog ended with OK
    bool bChanged = false; // the four values differ from the request's: write them
    int nCropX = 0;        // the row's four cells after the run (the request's when unchanged)
    int nCropY = 0;
    int nCropWidth = 0;
    int nCropHeight = 0;
};

class CQVCropDlg : public CQVDialogBase
{
public:
    // Control ids.
    enum : int
    {
        kIdEnable = 16,
        kIdCropX = 17,
        kIdCropY = 18,
        kIdCropWidth = 19,
        kIdCropHeight = 20,
        kIdLabelX = 21,
        kIdLabelY = 22,
        kIdTimeSlider = 23,
        kIdZoom = 24,
        kIdDetect = 25,
        kIdTurnNote = 26,    // only for a source shown as stored against its display matrix
        kIdFrameNote = 27,   // shown while the picture is not yet the exact one
        kIdWrittenSize = 31, // beside W and H: the size the output will have
    };
    // Posted by the border detection's thread when it is done.
    static constexpr unsigned kMsgDetectDone = 0x8001;
    // Posted by the frame loader's thread when a picture can be taken.
    static constexpr unsigned kMsgFrameReady = 0x8002;
    // Larger sources are refused (the frame and its prepared copies must fit in memory).
    static constexpr int kMaxSourceSide = 16384;

    CQVCropDlg(const tagQVCropRequest& request, CQVPlatformWindow* pParent);
    ~CQVCropDlg() override;

    // The modal run of the base, then the frame images go. -1 (nothing shown) for a source
    // size that is not positive or above kMaxSourceSide.
    int DoModal();
    const tagQVCropResult& GetResult() const { return m_result; }

    // --- state, for the main window's tests and the benchmark
    const CQVCropGeometry& Geometry() const { return m_geometry; }
    double GetZoom() const { return m_geometry.Zoom(); }
    // The time asked for last and its image file (written once its exact picture is made).
    const std::string& GetFrameImagePath() const { return m_frameImagePath; }
    double GetFrameTime() const { return m_dFrameTime; }
    // Some picture is shown (the grey area until the first comes).
    bool HasPicture() const { return m_bHasPicture; }
    // The picture shown is the exact one of GetFrameTime (not a key frame's before it,
    // nor an older time's, nor none yet), and with IsFrameExact GetFrameImage holds its
    // whole frame too (it comes a little after the picture).
    bool IsPictureExact() const { return m_bPictureExact; }
    bool IsFrameExact() const { return m_bFrameExact; }
    bool IsDetecting() const { return m_bDetecting; }
    const QImage& GetFrameImage() const { return m_frame; }
    // The line that says the picture is shown as stored; empty for most sources.
    const QString& GetTurnNote() const { return m_strTurnNote; }
    // What the line beside W and H says now.
    const QString& GetWrittenSizeText() const { return m_strWrittenSize; }

    // The size the render writes for these values (the whole frame when bEnabled is false),
    // as "→ W × H", or empty when it is the size the values give.
    static QString WrittenSizeText(const tagQVCropValues& values, int nSourceWidth,
                                   int nSourceHeight, bool bEnabled);

protected:
    void OnInitDialog() override;
    void CreateControls() override;
    void LayoutControls() override;
    void DrawBackground(QPainter* pGraphics) override;
    intptr_t OnComboChoice(CQVButton* pComboBox, int nIndex) override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(unsigned nId, intptr_t lParam) override;
    intptr_t OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam) override;
    void OnMouseMessage(unsigned nCode, QPoint pt) override;

private:
    bool IsRequestValid() const;
    CQVEdit* Edit(int nId) const;
    // An edit's value: 0 when empty or not a number, held within +-10,000,000.
    int EditValue(int nId) const;
    tagQVCropValues EditValues() const;
    bool IsEnableChecked() const;
    // The four edits get the display crop in source pixels, without their change handling.
    void WriteEditsFromDisplay();
    void OnEditChanged(int nId);
    void OnEnableChanged();
    // Asks the loader for the picture at the time; the shown one stays until it comes.
    void UpdateWrittenSize();
    void ShowFrameAt(double dSeconds);
    void TakeFrames();
    void ShowFrameNote();
    // Recomposes the image area off-screen and copies the parts that changed to the
    // window, which shows them together at its next update.
    void RedrawImageArea();
    void ApplyZoom(double dZoom);
    // The window at the size for the zoom, no larger than the work area; kept where it is
    // (or centred) but moved back inside the work area. Returns the size (the windows have
    // no frame: it is the client size too).
    QSize SizeWindow(double dZoom, bool bCentre);
    bool IsOnControl(QPoint pt) const;
    void MoveWindowWithPointer(QPoint ptClient);
    void StartDetection();
    void FinishDetection();
    void StopDetection();
    void RemoveFrameImages();

    tagQVCropRequest m_request;
    tagQVCropResult m_result;
    CQVCropGeometry m_geometry;
    CQVCropImageArea m_area;
    QImage m_frame;
    std::string m_frameImagePath;
    double m_dFrameTime = 0;
    std::unique_ptr<CQVCropFrameLoader> m_pLoader;
    int m_nFrameSerial = 0; // the loader's serial of the latest request
    bool m_bHasPicture = false;
    bool m_bPictureExact = false;
    bool m_bFrameExact = false;
    QString m_strTurnNote; // set before the controls are made
    QString m_strWrittenSize;
    int m_nInitialClientWidth = 0;
    bool m_bInitialised = false; // edit notifications are ignored before it
    bool m_bWritingEdits = false;

    // --- moving the window with the mouse
    bool m_bMovingWindow = false;
    QPoint m_ptPressScreen;
    QPoint m_ptWindowAtPress;

    // --- the border detection; the thread writes the result fields before it posts
    // kMsgDetectDone and touches nothing else of the dialog
    std::thread m_detectThread;
    std::atomic<bool> m_bCancelDetect{false};
    bool m_bDetecting = false;
    int m_nDetectResult = 0;
    tagQVCropValues m_detectRect;
};

} // namespace qv
