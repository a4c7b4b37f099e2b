#include "frontend/CQVCropDlg.h"

#include "frontend/BorderDetection.h"
#include "frontend/CropFrames.h"
#include "frontend/DisplayTurnNote.h"
#include "frontend/FrontEndGlobals.h"
#include "frontend/JobFiles.h"
#include "frontend/TempFolder.h"
#include "ui/CQVCheck.h"
#include "ui/CQVComboBox.h"
#include "ui/CQVEdit.h"
#include "ui/CQVEditCtrl.h"
#include "ui/CQVMessageDlg.h"
#include "ui/CQVSlider.h"
#include "ui/CQVStatic.h"
#include "ui/CQVTextButton.h"
#include "ui/CQVTheme.h"
#include "ui/CQVUIManager.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qv
{

namespace
{

const int kEditIds[4] = {CQVCropDlg::kIdCropX, CQVCropDlg::kIdCropY, CQVCropDlg::kIdCropWidth,
                         CQVCropDlg::kIdCropHeight};

const QString kApproximateNote = QStringLiteral("Key frame shown; exact picture follows");

const QString kNoPictureMessage =
    QStringLiteral("Detect found no picture: the sampled frames are all black or cannot be "
                   "decoded. The crop stays as it was.");

bool IsHeadless()
{
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("offscreen") || name == QLatin1String("minimal");
}

} // namespace

CQVCropDlg::CQVCropDlg(const tagQVCropRequest& request, CQVPlatformWindow* pParent)
    : CQVDialogBase(pParent), m_request(request),
      m_geometry(request.nSourceWidth, request.nSourceHeight)
{
    m_result.nCropX = request.nCropX;
    m_result.nCropY = request.nCropY;
    m_result.nCropWidth = request.nCropWidth;
    m_result.nCropHeight = request.nCropHeight;
}

CQVCropDlg::~CQVCropDlg()
{
    StopDetection();
    m_pLoader.reset();
    if (!m_frameImagePath.empty())
        RemoveFrameImages();
}

bool CQVCropDlg::IsRequestValid() const
{
    return m_request.nSourceWidth > 0 && m_request.nSourceHeight > 0 &&
           m_request.nSourceWidth <= kMaxSourceSide && m_request.nSourceHeight <= kMaxSourceSide;
}

int CQVCropDlg::DoModal()
{
    if (!IsRequestValid())
        return -1;
    const int nCode = CQVDialogBase::DoModal();
    StopDetection();
    // Its thread may be saving a frame image.
    m_pLoader.reset();
    RemoveFrameImages();
    return nCode;
}

void CQVCropDlg::RemoveFrameImages()
{
    EmptyFolder(FrameFolder(FrontEndGlobals().tempFolder));
}

// --- opening and layout

void CQVCropDlg::OnInitDialog()
{
    // The base makes the controls, and the note's line is one of them only when needed.
    if (IsRequestValid())
        m_strTurnNote = UnsupportedTurnNoteOfFile(m_request.source);
    CQVDialogBase::OnInitDialog();
    if (!IsRequestValid())
    {
        EndDialog(kIdCancel);
        return;
    }
    m_nInitialClientWidth = GetClientRect().width();
    // The largest listed zoom whose window fits the work area, else "Fit".
    const QSize work = GetWorkArea().size();
    const int nChoice = m_geometry.OpeningChoice(work, m_nInitialClientWidth);
    if (auto* pZoom = dynamic_cast<CQVComboBox*>(GetUIManager()->Find(kIdZoom, kKindComboBox)))
        pZoom->Select(nChoice, false);
    const double dZoom = m_geometry.ZoomForChoice(nChoice, work, m_nInitialClientWidth);
    // The zoom first, so that the layout of the resize uses it; then laid out for the
    // window's new size at once: the picture is asked for at that size.
    m_geometry.SetLayout(dZoom, GetClientRect().size());
    m_geometry.SetLayout(dZoom, SizeWindow(dZoom, true));
    // The dialog shows at once; its picture follows.
    ShowFrameAt(FirstFrameTime(m_request.dDuration));

    const tagQVCropRequest& r = m_request;
    m_geometry.SetDisplayFromSource(
        tagQVCropValues{r.nCropX, r.nCropY, r.nCropWidth, r.nCropHeight});
    const int values[4] = {r.nCropX, r.nCropY, r.nCropWidth, r.nCropHeight};
    for (int i = 0; i < 4; ++i)
        if (CQVEdit* pEdit = Edit(kEditIds[i]))
            pEdit->SetText(QString::number(values[i]), false);
    if (auto* pEnable = dynamic_cast<CQVCheck*>(GetUIManager()->Find(kIdEnable, kKindCheck)))
        pEnable->SetCheck(true, false);
    if (auto* pSlider = dynamic_cast<CQVSlider*>(GetUIManager()->Find(kIdTimeSlider, kKindSlider)))
    {
        pSlider->SetRange(0, std::isfinite(r.dDuration) ? std::max(r.dDuration, 0.0) : 0.0);
        pSlider->SetPos(m_dFrameTime);
    }
    SetWindowText(QStringLiteral("Crop") +
                  QString::asprintf(" %d X %d", r.nSourceWidth, r.nSourceHeight));
    OnEnableChanged();
    m_bInitialised = true;
}

void CQVCropDlg::CreateControls()
{
    CQVDialogBase::CreateControls();
    CQVUIManager* pManager = GetUIManager();
    if (!pManager)
        return;
    auto* pZoom = new CQVComboBox();
    for (const char* szZoom : {"100%", "80%", "50%", "Fit"})
        pZoom->AddItem(QString::fromLatin1(szZoom));
    pZoom->Select(0, false);
    pManager->Add(kIdZoom, pZoom, kKindComboBox);
    pManager->Add(kIdDetect, new CQVTextButton(QStringLiteral("Detect")), kKindTextButton);
    pManager->Add(kIdEnable, new CQVCheck(QStringLiteral("Enable")), kKindCheck);
    pManager->Add(kIdLabelX, new CQVStatic(QStringLiteral("X")), kKindStatic);
    pManager->Add(kIdLabelY, new CQVStatic(QStringLiteral("Y")), kKindStatic);
    for (int nId : kEditIds)
    {
        auto* pEdit = new CQVEdit();
        pEdit->SetDigitsOnly(true);
        pManager->Add(nId, pEdit, kKindEdit);
    }
    auto* pSlider = new CQVSlider();
    pSlider->SetReportWhileDragging(true);
    pManager->Add(kIdTimeSlider, pSlider, kKindSlider);
    auto* pWrittenSize = new CQVStatic(QString());
    pWrittenSize->SetTextAlign(CQVButton::kAlignLeft);
    pManager->Add(kIdWrittenSize, pWrittenSize, kKindStatic);
    if (!m_strTurnNote.isEmpty())
    {
        auto* pNote = new CQVStatic(m_strTurnNote);
        pNote->SetTextAlign(CQVButton::kAlignLeft);
        pManager->Add(kIdTurnNote, pNote, kKindStatic);
    }
    auto* pFrameNote = new CQVStatic(kApproximateNote);
    pFrameNote->SetTextAlign(CQVButton::kAlignLeft);
    pFrameNote->Show(false, false);
    pManager->Add(kIdFrameNote, pFrameNote, kKindStatic);
}

void CQVCropDlg::LayoutControls()
{
    CQVDialogBase::LayoutControls();
    CQVUIManager* pManager = GetUIManager();
    if (!pManager)
        return;
    const QRect client = GetClientRect();
    const bool bBesideEnable = m_strTurnNote.isEmpty();
    const struct
    {
        int nId, nKind, x, y, w, h;
    } places[] = {
        // 4 pixels wider than the row of edits' boxes, so that "100%" is not cut short.
        {kIdZoom, kKindComboBox, 138, 4, 64, 22},
        {kIdDetect, kKindTextButton, 210, 4, 60, 22},
        {kIdEnable, kKindCheck, 20, 40, 75, 20},
        {kIdLabelX, kKindStatic, 20, 77, 18, 20},
        {kIdCropX, kKindEdit, 40, 75, 60, 22},
        {kIdLabelY, kKindStatic, 118, 77, 18, 20},
        {kIdCropY, kKindEdit, 138, 75, 60, 22},
        {kIdCropWidth, kKindEdit, 223, 75, 60, 22},
        {kIdCropHeight, kKindEdit, 308, 75, 60, 22},
        {kIdWrittenSize, kKindStatic, 376, 77, 120, 20},
        {kIdTimeSlider, kKindSlider, 10, client.height() - 28, client.width() - 170, 18},
        // Beside "Enable", wrapped into two lines where the window is narrow.
        {kIdTurnNote, kKindStatic, 105, 32, client.width() - 115, 38},
        // Beside "Enable" too, or in the caption row right of "Detect" when the turn's
        // line is there.
        {kIdFrameNote, kKindStatic, bBesideEnable ? 105 : 280, bBesideEnable ? 40 : 5,
         client.width() - (bBesideEnable ? 115 : 320), 20},
    };
    for (const auto& place : places)
        if (CQVButton* pControl = pManager->Find(place.nId, place.nKind))
            pControl->Move(place.x, place.y, place.w, place.h, false);

    m_geometry.SetLayout(m_geometry.Zoom(), client.size());
    // The geometry may have been laid out ahead for a new zoom: the area follows it.
    if (m_area.Area() != m_geometry.ImageArea() || m_area.ImageRect() != m_geometry.ImageRect())
    {
        m_area.SetLayout(m_geometry.ImageArea(), m_geometry.ImageRect());
        // The loader scales the picture for the new size; a quick stretch stands meanwhile.
        if (m_pLoader)
            m_pLoader->SetDisplaySize(m_geometry.ImageRect().size());
    }
}

QSize CQVCropDlg::SizeWindow(double dZoom, bool bCentre)
{
    // Never larger than the work area: a listed zoom too large for it shows the middle of
    // the frame in the area that fits.
    const QRect work = GetWorkArea();
    const QSize size =
        m_geometry.WindowSizeFor(dZoom, m_nInitialClientWidth).boundedTo(work.size());
    QPoint pos = GetWindowRect().topLeft();
    pos.setX(std::clamp(pos.x(), work.left(), work.left() + work.width() - size.width()));
    pos.setY(std::clamp(pos.y(), work.top(), work.top() + work.height() - size.height()));
    MoveWindow(pos.x(), pos.y(), size.width(), size.height());
    if (bCentre)
        CenterWindow(GetParentWindow());
    return size;
}

void CQVCropDlg::ApplyZoom(double dZoom)
{
    // Any change counts: "Fit" may lie a hair from a listed zoom.
    if (dZoom == m_geometry.Zoom())
        return;
    const tagQVCropValues values = EditValues();
    m_geometry.SetLayout(dZoom, GetClientRect().size());
    m_geometry.SetLayout(dZoom, SizeWindow(dZoom, false));
    m_geometry.SetDisplayFromSource(values);
    LayoutControls();
    Invalidate();
}

intptr_t CQVCropDlg::OnComboChoice(CQVButton* pComboBox, int nIndex)
{
    if (GetUIManager() && pComboBox == GetUIManager()->Find(kIdZoom, kKindComboBox))
        ApplyZoom(m_geometry.ZoomForChoice(nIndex, GetWorkArea().size(), m_nInitialClientWidth));
    return 0;
}

// --- the frame

void CQVCropDlg::ShowFrameAt(double dSeconds)
{
    if (!m_pLoader)
    {
        const Handle hWindow = GetHandle();
        m_pLoader = std::make_unique<CQVCropFrameLoader>(
            m_request.source, m_request.nSourceWidth, m_request.nSourceHeight,
            [hWindow] { CQVMessageWindow::PostMessageTo(hWindow, kMsgFrameReady, 0, 0); });
    }
    m_dFrameTime = dSeconds;
    m_frameImagePath = FrameImagePath(FrontEndGlobals().tempFolder, dSeconds);
    m_bFrameExact = m_bPictureExact = false;
    m_nFrameSerial = m_pLoader->Request(dSeconds, m_frameImagePath, m_geometry.ImageRect().size());
    ShowFrameNote();
}

void CQVCropDlg::TakeFrames()
{
    tagQVCropPicture picture;
    if (!m_pLoader || !m_pLoader->Take(&picture))
        return;
    m_frame = picture.frame;
    m_area.SetFrame(picture.frame, picture.display);
    m_bHasPicture = true;
    // An older request's exact picture is not this time's.
    m_bPictureExact = picture.bExact && picture.nSerial == m_nFrameSerial;
    m_bFrameExact = m_bPictureExact && !picture.frame.isNull();
    ShowFrameNote();
    RedrawImageArea();
}

void CQVCropDlg::ShowFrameNote()
{
    if (CQVButton* pNote =
            GetUIManager() ? GetUIManager()->Find(kIdFrameNote, kKindStatic) : nullptr)
        if (pNote->IsVisible() == m_bPictureExact)
            pNote->Show(!m_bPictureExact, true);
}

void CQVCropDlg::DrawBackground(QPainter* pGraphics)
{
    CQVDialogBase::DrawBackground(pGraphics);
    if (!pGraphics)
        return;
    pGraphics->save();
    pGraphics->setRenderHint(QPainter::Antialiasing, false);
    pGraphics->setPen(QPen(CQVTheme::ToQColor(CQVTheme::Colors().clrDlgEdge), 1));
    pGraphics->drawLine(291, 81, 299, 89);
    pGraphics->drawLine(299, 81, 291, 89);
    m_area.Compose(m_geometry.VisibleRect(), IsEnableChecked());
    if (!m_area.Bitmap().isNull())
    {
        pGraphics->setCompositionMode(QPainter::CompositionMode_Source);
        pGraphics->drawImage(m_area.Area().topLeft(), m_area.Bitmap());
    }
    pGraphics->restore();
}

void CQVCropDlg::RedrawImageArea()
{
    if (!IsWindow())
        return;
    const QRegion changed = m_area.Compose(m_geometry.VisibleRect(), IsEnableChecked());
    if (changed.isEmpty())
        return;
    if (GetContentImage().isNull())
    {
        Invalidate();
        return;
    }
    // Views of the changed parts, without copying them first; the window shows them together
    // at its next update.
    const QImage& bitmap = m_area.Bitmap();
    const QPoint origin = m_area.Area().topLeft();
    for (const QRect& part : changed)
    {
        const QImage view(bitmap.constBits() +
                              static_cast<ptrdiff_t>(part.y()) * bitmap.bytesPerLine() +
                              static_cast<ptrdiff_t>(part.x()) * 4,
                          part.width(), part.height(), bitmap.bytesPerLine(), bitmap.format());
        BlitImage(view, origin.x() + part.x(), origin.y() + part.y());
    }
}

// --- values

CQVEdit* CQVCropDlg::Edit(int nId) const
{
    return GetUIManager() ? dynamic_cast<CQVEdit*>(GetUIManager()->Find(nId, kKindEdit)) : nullptr;
}

int CQVCropDlg::EditValue(int nId) const
{
    const CQVEdit* pEdit = Edit(nId);
    if (!pEdit)
        return 0;
    bool bNumber = false;
    const qlonglong nValue = pEdit->GetText().trimmed().toLongLong(&bNumber);
    if (!bNumber)
        return 0;
    return static_cast<int>(std::clamp<qlonglong>(nValue, -CQVCropGeometry::kLargestValue,
                                                  CQVCropGeometry::kLargestValue));
}

tagQVCropValues CQVCropDlg::EditValues() const
{
    return tagQVCropValues{EditValue(kIdCropX), EditValue(kIdCropY), EditValue(kIdCropWidth),
                           EditValue(kIdCropHeight)};
}

bool CQVCropDlg::IsEnableChecked() const
{
    const auto* pEnable = GetUIManager()
                              ? dynamic_cast<CQVCheck*>(GetUIManager()->Find(kIdEnable, kKindCheck))
                              : nullptr;
    return pEnable && pEnable->GetCheck();
}

void CQVCropDlg::WriteEditsFromDisplay()
{
    const tagQVCropValues values = m_geometry.SourceFromDisplay();
    const int texts[4] = {values.x, values.y, values.w, values.h};
    m_bWritingEdits = true;
    for (int i = 0; i < 4; ++i)
        if (CQVEdit* pEdit = Edit(kEditIds[i]))
            pEdit->SetText(QString::number(texts[i]), false);
    m_bWritingEdits = false;
    UpdateWrittenSize();
}

void CQVCropDlg::OnEditChanged(int nId)
{
    if (!m_bInitialised || m_bWritingEdits)
        return;
    const int d = CQVCropGeometry::ToDisplay(EditValue(nId), m_geometry.Zoom());
    const QRect c = m_geometry.DisplayCrop();
    int x = c.x(), y = c.y(), w = c.width(), h = c.height();
    switch (nId)
    {
    case kIdCropX:
        x = d;
        break;
    case kIdCropY:
        y = d;
        break;
    case kIdCropWidth:
        w = d;
        break;
    default:
        h = d;
        break;
    }
    m_geometry.SetDisplayCrop(QRect(x, y, w, h));
    UpdateWrittenSize();
    RedrawImageArea();
}

void CQVCropDlg::OnEnableChanged()
{
    const bool bEnabled = IsEnableChecked();
    CQVUIManager* pManager = GetUIManager();
    for (int nId : {kIdLabelX, kIdLabelY})
        if (CQVButton* pLabel = pManager->Find(nId, kKindStatic))
            pLabel->Enable(bEnabled, true);
    for (int nId : kEditIds)
        if (CQVEdit* pEdit = Edit(nId))
            pEdit->Enable(bEnabled, true);
    // Detect writes into the edits, so it follows them.
    if (CQVButton* pDetect = pManager->Find(kIdDetect, kKindTextButton))
        pDetect->Enable(bEnabled && !m_bDetecting, true);
    UpdateWrittenSize();
    RedrawImageArea();
}

QString CQVCropDlg::WrittenSizeText(const tagQVCropValues& values, int nSourceWidth,
                                    int nSourceHeight, bool bEnabled)
{
    const tagQVCropValues shown =
        bEnabled ? values : tagQVCropValues{0, 0, nSourceWidth, nSourceHeight};
    // OK keeps the row's crop for an empty rectangle: nothing to promise.
    if (shown.w <= 0 || shown.h <= 0)
        return QString();
    // The render's own rule, so that the line never promises another size.
    const tagQVFrameSize size = OutputSizeOfRow(
        tagQVRowCrop{shown.x, shown.y, shown.w, shown.h, nSourceWidth, nSourceHeight});
    if (size.nWidth == shown.w && size.nHeight == shown.h)
        return QString();
    return QString::fromUtf8("\u2192 %1 \u00d7 %2").arg(size.nWidth).arg(size.nHeight);
}

void CQVCropDlg::UpdateWrittenSize()
{
    const QString text = WrittenSizeText(EditValues(), m_request.nSourceWidth,
                                         m_request.nSourceHeight, IsEnableChecked());
    if (text == m_strWrittenSize)
        return;
    m_strWrittenSize = text;
    if (CQVButton* pLine =
            GetUIManager() ? GetUIManager()->Find(kIdWrittenSize, kKindStatic) : nullptr)
        pLine->SetText(text, true);
}

// --- commands and messages

void CQVCropDlg::OnOK()
{
    StopDetection();
    tagQVCropValues values = EditValues();
    values.w = std::max(values.w, 0);
    values.h = std::max(values.h, 0);
    const tagQVCropRequest& r = m_request;
    tagQVCropValues row{r.nCropX, r.nCropY, r.nCropWidth, r.nCropHeight};
    // A cleared box means no crop: the row gets the whole frame.
    if (!IsEnableChecked())
        row = tagQVCropValues{0, 0, r.nSourceWidth, r.nSourceHeight};
    else if (values.w != 0 && values.h != 0)
        row = values;
    m_result.bOk = true;
    m_result.bChanged = !(row == tagQVCropValues{r.nCropX, r.nCropY, r.nCropWidth, r.nCropHeight});
    m_result.nCropX = row.x;
    m_result.nCropY = row.y;
    m_result.nCropWidth = row.w;
    m_result.nCropHeight = row.h;
    CQVDialogBase::OnOK();
}

void CQVCropDlg::OnCancel()
{
    StopDetection();
    CQVDialogBase::OnCancel();
}

bool CQVCropDlg::OnCommand(unsigned nId, intptr_t lParam)
{
    if (!IsEnded() && nId == static_cast<unsigned>(kIdEnable))
    {
        OnEnableChanged();
        return true;
    }
    if (!IsEnded() && nId == static_cast<unsigned>(kIdDetect))
    {
        StartDetection();
        return true;
    }
    return CQVDialogBase::OnCommand(nId, lParam);
}

intptr_t CQVCropDlg::OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam)
{
    if (nMsg == kMsgCommand && (wParam >> 16) == CQVEditCtrl::kEnChange)
    {
        const int nId = static_cast<int>(wParam & 0xFFFF);
        if (std::find(std::begin(kEditIds), std::end(kEditIds), nId) != std::end(kEditIds))
            OnEditChanged(nId);
        return 0;
    }
    if (nMsg == kMsgSliderPos)
    {
        // The crop stays as it is.
        auto* pSlider =
            GetUIManager()
                ? dynamic_cast<CQVSlider*>(GetUIManager()->Find(kIdTimeSlider, kKindSlider))
                : nullptr;
        if (pSlider && reinterpret_cast<CQVSlider*>(wParam) == pSlider && !IsEnded())
        {
            // Every position of a drag is asked for; the loader works on the latest only.
            const double dTime = pSlider->GetPos();
            if (dTime != m_dFrameTime)
                ShowFrameAt(dTime);
        }
        return 0;
    }
    if (nMsg == kMsgFrameReady)
    {
        TakeFrames();
        return 0;
    }
    if (nMsg == kMsgDetectDone)
    {
        FinishDetection();
        return 0;
    }
    return CQVDialogBase::OnMessage(nMsg, wParam, lParam);
}

// --- the mouse

bool CQVCropDlg::IsOnControl(QPoint pt) const
{
    const CQVUIManager* pManager = GetUIManager();
    for (int i = 0; pManager && i < pManager->GetCount(); ++i)
    {
        const CQVButton* pControl = pManager->GetControlAt(i);
        if (pControl->IsVisible() && pControl->GetRect().contains(pt))
            return true;
    }
    return false;
}

void CQVCropDlg::MoveWindowWithPointer(QPoint ptClient)
{
    QPoint ptScreen = ClientToScreen(ptClient);
    const QPoint ptHeld = CQVCropGeometry::ClampPointerAbovePanel(ptScreen, GetWorkArea());
    if (ptHeld != ptScreen && !IsHeadless())
        QCursor::setPos(ptHeld);
    const QPoint pos = m_ptWindowAtPress + (ptHeld - m_ptPressScreen);
    const QRect window = GetWindowRect();
    if (pos != window.topLeft())
        MoveWindow(pos.x(), pos.y(), window.width(), window.height());
}

void CQVCropDlg::OnMouseMessage(unsigned nCode, QPoint pt)
{
    CQVUIManager* pManager = GetUIManager();
    if (!pManager || !m_bInitialised)
    {
        CQVDialogBase::OnMouseMessage(nCode, pt);
        return;
    }
    switch (nCode)
    {
    case kMsgMouseMove:
        if (m_bMovingWindow)
        {
            MoveWindowWithPointer(pt);
            return;
        }
        if (m_geometry.IsDragging())
        {
            SetCursorShape(CQVCropGeometry::CursorForHit(m_geometry.DragHit()));
            if (m_geometry.DragTo(pt))
            {
                WriteEditsFromDisplay();
                RedrawImageArea();
            }
            return;
        }
        CQVDialogBase::OnMouseMessage(nCode, pt);
        if (IsEnableChecked() && m_geometry.ImageRect().contains(pt))
            SetCursorShape(CQVCropGeometry::CursorForHit(m_geometry.HitTest(pt)));
        return;
    case kMsgLButtonDown:
    {
        const bool bStarted = IsEnableChecked() && m_geometry.BeginDrag(pt);
        if (bStarted)
        {
            SetCapture();
            SetCursorShape(CQVCropGeometry::CursorForHit(m_geometry.DragHit()));
        }
        if (bStarted || IsOnControl(pt))
        {
            pManager->Mouse(nCode, pt);
            return;
        }
        m_bMovingWindow = true;
        m_ptPressScreen = ClientToScreen(pt);
        m_ptWindowAtPress = GetWindowRect().topLeft();
        SetCapture();
        return;
    }
    case kMsgLButtonUp:
        if (m_geometry.IsDragging())
        {
            m_geometry.EndDrag();
            WriteEditsFromDisplay();
            ReleaseCapture();
        }
        if (m_bMovingWindow)
        {
            m_bMovingWindow = false;
            ReleaseCapture();
            return;
        }
        pManager->Mouse(nCode, pt);
        return;
    case kMsgLButtonDblClk:
        // The second press of a double click is a press like the first.
        OnMouseMessage(kMsgLButtonDown, pt);
        return;
    default:
        CQVDialogBase::OnMouseMessage(nCode, pt);
        return;
    }
}

// --- "Detect"

void CQVCropDlg::StartDetection()
{
    if (m_bDetecting || !IsEnableChecked())
        return;
    if (m_detectThread.joinable())
        m_detectThread.join();
    m_bDetecting = true;
    m_bCancelDetect = false;
    CQVPlatformWindow::BeginWaitCursor();
    if (CQVButton* pDetect = GetUIManager()->Find(kIdDetect, kKindTextButton))
        pDetect->Enable(false, true);
    const std::string source = m_request.source;
    const int w = m_request.nSourceWidth, h = m_request.nSourceHeight;
    const Handle hWindow = GetHandle();
    m_detectThread = std::thread(
        [this, source, w, h, hWindow]
        {
            tagQVCropValues rect;
            const EQVBorderResult eResult =
                DetectPictureRect(source, w, h, &m_bCancelDetect, &rect);
            m_detectRect = rect;
            m_nDetectResult = static_cast<int>(eResult);
            CQVMessageWindow::PostMessageTo(hWindow, kMsgDetectDone, 0, 0);
        });
}

void CQVCropDlg::StopDetection()
{
    if (m_detectThread.joinable())
    {
        m_bCancelDetect = true;
        m_detectThread.join();
    }
    if (m_bDetecting)
    {
        m_bDetecting = false;
        CQVPlatformWindow::EndWaitCursor();
    }
}

void CQVCropDlg::FinishDetection()
{
    if (!m_bDetecting)
        return;
    if (m_detectThread.joinable())
        m_detectThread.join();
    m_bDetecting = false;
    CQVPlatformWindow::EndWaitCursor();
    if (CQVButton* pDetect = GetUIManager()->Find(kIdDetect, kKindTextButton))
        pDetect->Enable(IsEnableChecked(), true);
    if (static_cast<EQVBorderResult>(m_nDetectResult) != EQVBorderResult::Found)
    {
        ShowMessageBox(kNoPictureMessage, 0, this);
        return;
    }
    // As if typed: each edit's change handling moves the rectangle.
    const int values[4] = {m_detectRect.x, m_detectRect.y, m_detectRect.w, m_detectRect.h};
    for (int i = 0; i < 4; ++i)
        if (CQVEdit* pEdit = Edit(kEditIds[i]))
            pEdit->SetText(QString::number(values[i]), false);
}

} // namespace qv
