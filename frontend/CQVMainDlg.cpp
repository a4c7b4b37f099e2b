#include "frontend/CQVMainDlg.h"

#include "formats/OutputTypes.h"
#include "formats/WindowsMediaProfile.h"
#include "frontend/BatchStore.h"
#include "frontend/CQVMessageStrip.h"
#include "frontend/DisplayTurnNote.h"
#include "frontend/FrontEndGlobals.h"
#include "frontend/WavFileCache.h"
#include "platform/ProgramFolder.h"
#include "probe/MediaInfoProbe.h"
#include "ui/CQVButton.h"
#include "ui/CQVListCtrl.h"
#include "ui/CQVMenuEx.h"
#include "ui/CQVMessageDlg.h"
#include "ui/CQVTheme.h"
#include "ui/CQVUIManager.h"

#include <QDesktopServices>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>
#include <QWidget>

namespace qv
{

namespace
{

struct tagQVButtonSpec
{
    unsigned nId;
    const char* pszImage;
    const char* pszToolTip;
};

const tagQVButtonSpec kButtons[] = {
    {CQVMainDlg::kIdMenu, "btn/menu.png", ""},
    {CQVMainDlg::kIdMaximise, "btn/dia-max1.png", ""},
    {CQVMainDlg::kIdMinimise, "btn/dia-min.png", ""},
    {CQVMainDlg::kIdHelp, "btn/dia-help.png", ""},
    {CQVMainDlg::kIdAdd, "btn/add.png", "Add..."},
    {CQVMainDlg::kIdRemove, "btn/op-remove.png", "Remove"},
    {CQVMainDlg::kIdRemoveAll, "btn/op-removeall.png", "Remove All"},
    {CQVMainDlg::kIdMoveUp, "btn/op-up.png", "Move Up"},
    {CQVMainDlg::kIdMoveDown, "btn/op-down.png", "Move Down"},
    {CQVMainDlg::kIdCrop, "btn/op-uploadcrop.png", "Crop"},
    {CQVMainDlg::kIdPreview, "btn/op-previewproject.png", "Preview"},
    {CQVMainDlg::kIdSettings, "btn/vsetting.png", "Settings"},
    {CQVMainDlg::kIdRender, "btn/main-convert.png", "Render"},
};

// The buttons that a render disables.
const unsigned kIdleOnlyButtons[] = {CQVMainDlg::kIdAdd,       CQVMainDlg::kIdRemove,
                                     CQVMainDlg::kIdRemoveAll, CQVMainDlg::kIdMoveUp,
                                     CQVMainDlg::kIdMoveDown,  CQVMainDlg::kIdCrop,
                                     CQVMainDlg::kIdPreview,   CQVMainDlg::kIdSettings};

// Files dropped from a file manager arrive as local URLs.
class CQVDropFilter : public QObject
{
public:
    explicit CQVDropFilter(CQVMainDlg* pDialog) : m_pDialog(pDialog) {}

protected:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::DragEnter || pEvent->type() == QEvent::DragMove)
        {
            auto* pDrag = static_cast<QDropEvent*>(pEvent);
            if (!m_pDialog->IsRendering() && pDrag->mimeData()->hasUrls())
                pDrag->acceptProposedAction();
            else
                pDrag->ignore();
            return true;
        }
        if (pEvent->type() == QEvent::Drop)
        {
            auto* pDrop = static_cast<QDropEvent*>(pEvent);
            if (m_pDialog->IsRendering())
            {
                pDrop->ignore();
                return true;
            }
            QStringList paths;
            for (const QUrl& url : pDrop->mimeData()->urls())
                if (url.isLocalFile())
                    paths << url.toLocalFile();
            pDrop->acceptProposedAction();
            m_pDialog->AddFiles(paths);
            return true;
        }
        return QObject::eventFilter(pObject, pEvent);
    }

private:
    CQVMainDlg* m_pDialog;
};

QString SkippedLine(int nNoVideo, int nUnreadable)
{
    QStringList parts;
    if (nNoVideo > 0)
        parts << QStringLiteral("%1 %2 skipped: no video")
                     .arg(nNoVideo)
                     .arg(nNoVideo == 1 ? "file" : "files");
    if (nUnreadable > 0)
        parts << QStringLiteral("%1 %2 skipped: not a readable media file")
                     .arg(nUnreadable)
                     .arg(nUnreadable == 1 ? "file" : "files");
    return parts.join(QStringLiteral("; "));
}

} // namespace

CQVMainDlg::CQVMainDlg(CQVPlatformWindow* pParent)
    : CQVDialogBase(pParent),
      m_pRender(std::make_unique<CQVRenderFlow>(&m_batch, this, &FrontEndGlobals()))
{
    m_batch.AddListener([this](CQVBatchModel::EChange eChange, int nRow)
                        { OnBatchChanged(eChange, nRow); });
    // Downloaded message files would land here: skin/ beside the programs, the user's config
    // folder when installed (nothing is written under an installed prefix).
    MakeFolders(FrontEndGlobals().SettingsWritePath("internet/"));
}

CQVMainDlg::~CQVMainDlg()
{
    m_pRender.reset();
    if (QWidget* pWidget = GetWidget(); pWidget && m_pDropFilter)
        pWidget->removeEventFilter(m_pDropFilter.get());
}

void CQVMainDlg::OnInitDialog()
{
    CQVDialogBase::OnInitDialog();
    SetWindowText(QStringLiteral("Vantrel"));
    const QRect window = GetWindowRect();
    MoveWindow(window.x(), window.y(), kWidth, kHeight);
    CenterWindow(nullptr);
    m_restoreRect = GetWindowRect();
    if (!m_bSettingsRestored)
    {
        tagQVOutputSettings& record = FrontEndGlobals().outputSettings.Current();
        record.nOutputFormat = kOutputWmv;
        // Stereo until the user says otherwise: a stereo source must not come out mono when
        // another format is picked without touching the sound lists.
        record.nAudioChannels = 1;
        ChooseDefaultWindowsMediaCodecs(&record);
    }
    InstallDropHandler();
    RebuildList();
    if (!m_restoreLines.isEmpty() && m_pStrip)
        m_pStrip->SetLines(m_restoreLines);
    if (!m_startupFiles.isEmpty())
        PostMessage(kMsgAddStartupFiles);
}

void CQVMainDlg::AddHandedFiles(const QStringList& files)
{
    if (m_bRendering)
    {
        if (m_pStrip)
            m_pStrip->SetLines(
                {QStringLiteral("%1 file(s) not added: a render is running").arg(files.size())});
        return;
    }
    AddFiles(files);
}

void CQVMainDlg::InstallDropHandler()
{
    QWidget* pWidget = GetWidget();
    if (!pWidget)
        return;
    m_pDropFilter = std::make_unique<CQVDropFilter>(this);
    pWidget->setAcceptDrops(true);
    pWidget->installEventFilter(m_pDropFilter.get());
}

void CQVMainDlg::CreateControls()
{
    CQVDialogBase::CreateControls();
    CQVUIManager* pManager = GetUIManager();
    if (!pManager)
        return;
    // OK and Cancel of the base have no place here; the close button (2) stays.
    if (CQVButton* pOk = pManager->Find(kIdOk, kKindTextButton))
        pOk->Show(false, false);
    if (CQVButton* pCancel = pManager->Find(kIdCancel, kKindTextButton))
        pCancel->Show(false, false);

    for (const tagQVButtonSpec& spec : kButtons)
    {
        auto* pButton = new CQVButton();
        pButton->SetImageFromFile(FrontEndGlobals().SkinPath(spec.pszImage));
        pManager->Add(static_cast<int>(spec.nId), pButton, kKindButton);
        if (*spec.pszToolTip)
            pButton->SetToolTipText(QString::fromLatin1(spec.pszToolTip));
    }

    m_pList = new CQVListCtrl();
    pManager->Add(kIdFileList, m_pList, kKindListCtrl);
    for (int nColumn = 0; nColumn < kFileColumnCount; ++nColumn)
    {
        const tagQVFileColumn& column = FileColumn(nColumn);
        m_pList->AddColumn(column.nKind, column.nWidth, QString::fromLatin1(column.pszTitle));
        if (!column.bShown)
            m_pList->ShowColumn(nColumn, false, false);
    }
    m_pList->SetHeaderMenuEnabled(false);
    m_pList->SetEmptyText(QStringLiteral("Add videos or drop them here"));

    m_pStrip = new CQVMessageStrip();
    pManager->Add(kIdMessageStrip, m_pStrip, kKindStatic);
}

void CQVMainDlg::LayoutControls()
{
    int w = 0, h = 0;
    CQVUIManager* pManager = LayoutBaseControls(&w, &h);
    if (!pManager)
        return;
    auto place = [&](unsigned nId, int x, int y, int cx, int cy)
    {
        if (CQVButton* pButton = pManager->Find(static_cast<int>(nId), kKindButton))
            pButton->Move(x, y, cx, cy, false);
    };
    place(kIdMenu, 30, 3, 25, 25);
    place(kIdCancel, w - 20, 7, 16, 16);
    place(kIdMaximise, w - 38, 6, 16, 16);
    place(kIdMinimise, w - 56, 6, 16, 16);
    place(kIdHelp, w - 74, 6, 16, 16);
    place(kIdAdd, 10, 35, 40, 40);
    place(kIdRemove, 60, 45, 30, 30);
    place(kIdRemoveAll, 100, 45, 30, 30);
    place(kIdMoveUp, 140, 45, 30, 30);
    place(kIdMoveDown, 180, 45, 30, 30);
    place(kIdCrop, 220, 45, 30, 30);
    place(kIdPreview, 260, 45, 30, 30);
    place(kIdSettings, w - 239, 35, 92, 40);
    place(kIdRender, w - 137, 35, 126, 40);
    if (m_pList)
        m_pList->Move(10, 80, w - 21, h - 220, false);
    if (m_pStrip)
        m_pStrip->Move(1, h - 130, w - 3, 120, false);
}

void CQVMainDlg::DrawBackground(QPainter* pGraphics)
{
    if (!pGraphics)
        return;
    const QRect client = GetClientRect();
    const int w = client.width(), h = client.height();
    const tagQVThemeColors& colors = CQVTheme::Colors();
    pGraphics->save();
    pGraphics->fillRect(client, CQVTheme::ToQColor(colors.clrDlgBK));
    DrawCaptionBand(pGraphics, w);

    const QImage icon(QString::fromStdString(FrontEndGlobals().SkinPath("flag/icon.png")));
    if (!icon.isNull())
        pGraphics->drawImage(QRect(2, 2, 26, 26), icon);

    const QFont font = CaptionFont();
    const QString title = GetWindowText();
    const QFontMetricsF metrics(font);
    const QRectF bounds = metrics.tightBoundingRect(title);
    QPainterPath path;
    path.addText((w - bounds.width()) / 2 - bounds.left(),
                 (kCaptionHeight - bounds.height()) / 2 - bounds.top(), font, title);
    pGraphics->fillPath(path, CaptionTextFill());

    pGraphics->setRenderHint(QPainter::Antialiasing, false);
    pGraphics->setPen(QPen(CQVTheme::ToQColor(colors.clrDlgEdge), 1.0));
    pGraphics->setBrush(Qt::NoBrush);
    pGraphics->drawRect(0, 0, w - 1, h - 1);
    pGraphics->restore();
}

bool CQVMainDlg::IsCaptionPoint(QPoint pt) const
{
    const int w = GetClientRect().width();
    return !m_bMaximised && pt.y() < kCaptionHeight && pt.x() >= 60 && pt.x() < w - 74;
}

void CQVMainDlg::OnMouseMessage(unsigned nCode, QPoint pt)
{
    const int w = GetClientRect().width();
    if (nCode == kMsgLButtonDblClk && pt.y() < kCaptionHeight && pt.x() >= 60 && pt.x() < w - 74)
    {
        ToggleMaximise();
        return;
    }
    CQVDialogBase::OnMouseMessage(nCode, pt);
}

bool CQVMainDlg::OnCommand(unsigned nId, intptr_t lParam)
{
    if (IsEnded())
        return CQVDialogBase::OnCommand(nId, lParam);
    const int nSelected = m_pList ? m_pList->GetSelectedRow() : -1;
    switch (nId)
    {
    case kIdAdd:
        AddFilesFromDialog();
        return true;
    case kIdRemove:
        if (nSelected >= 0 && !m_bRendering)
        {
            m_batch.Remove(nSelected);
            m_pList->SelectRow(-1);
        }
        return true;
    case kIdRemoveAll:
        if (!m_bRendering)
            m_batch.Clear();
        return true;
    case kIdMoveUp:
    case kIdMoveDown:
        MoveSelected(nId == kIdMoveUp);
        return true;
    case kIdCrop:
        if (nSelected >= 0 && !m_bRendering && m_commands.crop)
            m_commands.crop(nSelected);
        return true;
    case kIdSettings:
        if (!m_bRendering && m_commands.settings)
            m_commands.settings();
        return true;
    case kIdPreview:
        if (nSelected >= 0 && !m_bRendering && m_commands.preview)
            m_commands.preview(nSelected);
        return true;
    case kIdRender:
        if (m_pRender->IsRendering())
            m_pRender->Stop();
        else
            m_pRender->Start();
        return true;
    case kIdHelp:
        OpenGuide();
        return true;
    case kIdMenu:
        ShowMenu();
        return true;
    case kIdMaximise:
        ToggleMaximise();
        return true;
    case kIdMinimise:
        Minimise();
        return true;
    default:
        break;
    }
    return CQVDialogBase::OnCommand(nId, lParam);
}

intptr_t CQVMainDlg::OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam)
{
    if (nMsg == kMsgAddStartupFiles)
    {
        AddFiles(m_startupFiles);
        m_startupFiles.clear();
        return 0;
    }
    if (nMsg == kMsgListCellEdited)
    {
        const int nRow = static_cast<int>(lParam & 0xFFFF);
        const int nColumn = static_cast<int>(lParam >> 16 & 0xFFFF);
        m_batch.EditCell(nRow, nColumn, m_pList->GetCellText(nColumn, nRow));
        return 0;
    }
    if (nMsg == kMsgListMenuDone && m_pList)
    {
        // The list moved or removed rows itself: the model takes its order.
        std::vector<int> ids;
        for (int nRow = 0; nRow < m_pList->GetRowCount(); ++nRow)
            ids.push_back(m_pList->GetCellValue(kColumnFile, nRow));
        m_batch.KeepOrder(ids);
        return 0;
    }
    if (nMsg == kMsgListRowMenuFill)
    {
        if (auto* pMenu = reinterpret_cast<CQVMenuEx*>(lParam))
        {
            pMenu->AppendCommand(kCommandCopyCrop, QStringLiteral("Copy Crop to All Rows"));
            pMenu->AppendSeparator();
        }
        return 0;
    }
    if (nMsg == kMsgListMenuCommand && lParam == kCommandCopyCrop)
    {
        CopyCropToAllRows();
        return 0;
    }
    return CQVDialogBase::OnMessage(nMsg, wParam, lParam);
}

void CQVMainDlg::OnCancel()
{
    if (m_bRendering)
    {
        const int nAnswer =
            ShowMessageBox(QStringLiteral("Exit?"),
                           QStringLiteral("The Function is Working, Are you sure to exit?"),
                           CQVMessageDlg::kStyleYesNo, this);
        if (nAnswer != kIdYes)
            return;
        m_pRender->Stop();
    }
    CQVDialogBase::OnCancel();
}

void CQVMainDlg::CloseNow()
{
    if (m_pRender->IsRendering())
        m_pRender->Stop();
    EndDialog(kIdCancel);
}

void CQVMainDlg::OnClose()
{
    // The window system's close is the close button's command.
    PostMessage(kMsgCommand, kIdCancel, 0);
}

void CQVMainDlg::AddFilesFromDialog()
{
    if (m_bRendering)
        return;
    QFileDialog chooser(GetWidget(), QStringLiteral("Add"), AddDialogFolder(), VideoFileFilter());
    chooser.setFileMode(QFileDialog::ExistingFiles);
    // The filter's name is enough: its patterns spell each extension in every case.
    chooser.setOption(QFileDialog::HideNameFilterDetails);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    AddFiles(chooser.selectedFiles());
}

int CQVMainDlg::AddFiles(const QStringList& paths)
{
    if (m_bRendering || !m_pList)
        return 0;
    BeginWaitCursor();
    int nAdded = 0, nNoVideo = 0, nUnreadable = 0;
    QString strLastAdded;
    std::vector<tagQVBatchRow> added;
    QStringList turnNotes;
    for (const QString& strPath : paths)
    {
        tagQVMediaInfo info;
        if (!ProbeMediaInfo(strPath.toStdString(), &info))
        {
            ++nUnreadable;
            continue;
        }
        if (!info.bHasVideo)
        {
            ++nNoVideo;
            continue;
        }
        const QString strNote = UnsupportedTurnNote(info.turn);
        if (!strNote.isEmpty())
            turnNotes << QFileInfo(strPath).fileName() + QStringLiteral(": ") + strNote;
        if (info.bHasAudio && IsWindowsMediaPath(strPath))
            PrepareWavFile(FrontEndGlobals().tempFolder, strPath.toStdString());
        added.push_back(NewBatchRow(strPath.toStdString(), info));
        strLastAdded = strPath;
        ++nAdded;
    }
    if (nAdded > 0)
    {
        m_batch.AppendRows(std::move(added));
        RememberAddFolder(strLastAdded);
    }
    EndWaitCursor();
    QStringList lines;
    if (nNoVideo + nUnreadable > 0)
        lines << SkippedLine(nNoVideo, nUnreadable);
    lines << turnNotes;
    if (!lines.isEmpty())
        m_pStrip->SetLines(lines);
    else if (nAdded > 0 && !m_pRender->HasStatus() && m_restoreLines.isEmpty())
        m_pStrip->SetLines({});
    return nAdded;
}

QStringList CQVMainDlg::RowCells(int nRow) const
{
    QStringList cells;
    if (!m_pList || nRow < 0 || nRow >= m_pList->GetRowCount())
        return cells;
    for (int nColumn = 0; nColumn < kFileColumnCount; ++nColumn)
        cells << m_pList->GetCellText(nColumn, nRow);
    return cells;
}

int CQVMainDlg::CopyCropToAllRows()
{
    const int nSelected = m_pList ? m_pList->GetSelectedRow() : -1;
    if (nSelected < 0 || m_bRendering)
        return 0;
    return m_batch.CopyCropToAll(nSelected);
}

void CQVMainDlg::FillListRow(int nRow, bool bRedraw)
{
    const tagQVBatchRow* pRow = m_batch.Row(nRow);
    if (!m_pList || !pRow || nRow >= m_pList->GetRowCount())
        return;
    for (int nColumn = 1; nColumn < kFileColumnCount; ++nColumn)
        m_pList->SetCellText(nColumn, nRow, RowCellText(*pRow, nColumn), false);
    const bool bFailed = pRow->eState == ERowState::Failed || pRow->eState == ERowState::Missing;
    m_pList->SetCellToolTip(kColumnState, nRow,
                            bFailed && !pRow->reason.empty()
                                ? QStringLiteral("%1: %2").arg(RowCellText(*pRow, kColumnState),
                                                               QString::fromStdString(pRow->reason))
                                : QString());
    // A failure must stand out among finished rows.
    const uint32_t clrFailed = QVRGB(255, 110, 110);
    m_pList->SetCellTextColor(kColumnState, nRow, bFailed ? clrFailed : CQVTheme::Colors().clrText,
                              false);
    m_pList->SetProgress(kColumnState, nRow, pRow->dPercent, bRedraw);
}

void CQVMainDlg::RebuildList()
{
    if (!m_pList)
        return;
    const int nSelected = m_pList->GetSelectedRow();
    m_pList->CloseEditor(false);
    m_pList->RemoveAllRows(false);
    for (int nRow = 0; nRow < m_batch.Count(); ++nRow)
    {
        // The row's value is its id: after the list's own moves the model follows by it.
        m_pList->InsertRow(QString::fromStdString(m_batch.Row(nRow)->source),
                           m_batch.Row(nRow)->nId);
        FillListRow(nRow, false);
    }
    m_pList->SelectRow(nSelected < m_batch.Count() ? nSelected : -1);
    m_pList->RecalcLayout();
    m_pList->Draw();
}

void CQVMainDlg::OnBatchChanged(CQVBatchModel::EChange eChange, int nRow)
{
    if (eChange == CQVBatchModel::kRowsChanged)
        RebuildList();
    else
        FillListRow(nRow, true);
}

void CQVMainDlg::MoveSelected(bool bUp)
{
    if (!m_pList || m_bRendering)
        return;
    const int nRow = m_pList->GetSelectedRow();
    if (nRow < 0 || (bUp && nRow == 0) || (!bUp && nRow >= m_pList->GetRowCount() - 1))
        return;
    if (bUp ? m_batch.MoveUp(nRow) : m_batch.MoveDown(nRow))
        m_pList->SelectRow(bUp ? nRow - 1 : nRow + 1);
}

void CQVMainDlg::SetRenderingState(bool bRendering)
{
    m_bRendering = bRendering;
    CQVUIManager* pManager = GetUIManager();
    if (!pManager)
        return;
    for (unsigned nId : kIdleOnlyButtons)
        if (CQVButton* pButton = pManager->Find(static_cast<int>(nId), kKindButton))
            pButton->Enable(!bRendering, true);
    if (CQVButton* pRender = pManager->Find(kIdRender, kKindButton))
    {
        pRender->SetImageFromFile(FrontEndGlobals().SkinPath(bRendering ? "btn/main-convertstop.png"
                                                                        : "btn/main-convert.png"));
        pRender->SetToolTipText(bRendering ? QStringLiteral("Stop") : QStringLiteral("Render"));
        pRender->Draw();
    }
    if (m_pList)
    {
        if (bRendering)
            m_pList->CloseEditor(true);
        m_pList->SetEditingEnabled(!bRendering);
        m_pList->SetRowMenuEnabled(!bRendering);
        m_pList->SetRemovalAllowed(!bRendering);
    }
}

void CQVMainDlg::ToggleMaximise()
{
    CQVUIManager* pManager = GetUIManager();
    if (!m_bMaximised)
    {
        m_restoreRect = GetWindowRect();
        const QRect area = GetWorkArea();
        m_bMaximised = true;
        MoveWindow(area.x(), area.y(), area.width(), area.height());
    }
    else
    {
        m_bMaximised = false;
        MoveWindow(m_restoreRect.x(), m_restoreRect.y(), m_restoreRect.width(),
                   m_restoreRect.height());
    }
    if (CQVButton* pMax = pManager ? pManager->Find(kIdMaximise, kKindButton) : nullptr)
        pMax->SetImageFromFile(
            FrontEndGlobals().SkinPath(m_bMaximised ? "btn/dia-max.png" : "btn/dia-max1.png"));
    Invalidate();
    UpdateWindow();
}

void CQVMainDlg::Minimise()
{
    if (QWidget* pWidget = GetWidget())
        pWidget->showMinimized();
}

void CQVMainDlg::ShowMenu()
{
    CQVMenuEx menu(GetWidget());
    menu.AppendCommand(kCommandExit, QStringLiteral("&Exit"));
    CQVUIManager* pManager = GetUIManager();
    QPoint ptBelow(30, 28);
    if (CQVButton* pButton = pManager ? pManager->Find(kIdMenu, kKindButton) : nullptr)
        ptBelow = pButton->GetRect().bottomLeft() + QPoint(0, 1);
    if (menu.TrackPopup(ClientToScreen(ptBelow)) == kCommandExit)
        PostMessage(kMsgCommand, kIdCancel, 0);
}

std::string CQVMainDlg::GuidePath()
{
    return FrontEndGlobals().SkinPath("guide/index.html");
}

bool CQVMainDlg::OpenGuide()
{
    const std::string path = GuidePath();
    if (PathExists(path) &&
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path))))
        return true;
    ShowMessageBox(QStringLiteral("Help"),
                   QStringLiteral("No program could open the user guide. It is here:\n%1")
                       .arg(QString::fromStdString(path)),
                   0, this);
    return false;
}

} // namespace qv

namespace qv
{

void CQVMainDlg::ShowStatus(const QStringList& lines, const std::string& linkFolder)
{
    if (!m_pStrip)
        return;
    if (linkFolder.empty())
    {
        m_pStrip->SetLines(lines);
        return;
    }
    m_pStrip->SetLinesWithLink(
        lines, QStringLiteral("Open the target folder"),
        [linkFolder, this]()
        {
            if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(linkFolder))))
                ShowMessageBox(QStringLiteral("No file manager could open the folder:\n%1")
                                   .arg(QString::fromStdString(linkFolder)),
                               0, this);
        });
}

void CQVMainDlg::ShowMessage(const QString& strText)
{
    ShowMessageBox(strText, 0, this);
}

std::string CQVMainDlg::ChooseTargetFolder(const std::string& lastFolder)
{
    return QFileDialog::getExistingDirectory(
               GetWidget(), QStringLiteral("Please choose the target folder:"),
               QString::fromStdString(lastFolder), QFileDialog::ShowDirsOnly)
        .toStdString();
}

void CQVMainDlg::KeepBatchIn(const std::string& path)
{
    CQVFrontEndGlobals& globals = FrontEndGlobals();
    tagQVStoredBatch stored;
    const tagQVRestoreNotes notes = RestoreBatch(path, EnginePath(globals.programFolder), &stored);
    m_restoreLines = notes.lines;
    if (stored.settings)
    {
        globals.outputSettings.MakeCurrent(stored.settings->nPresetIndex);
        globals.outputSettings.Current() = *stored.settings;
        globals.nOutputWidth = stored.settings->nWidth;
        globals.nOutputHeight = stored.settings->nHeight;
        m_bSettingsRestored = true;
    }
    m_batch.Replace(std::move(stored.rows));
    m_pKeeper = std::make_unique<CQVBatchKeeper>(&m_batch, &globals.outputSettings, path);
    // What the restore changed (a row back to "Ready", MP4 for an unknown type) is kept now.
    m_pKeeper->Write();
}

} // namespace qv
