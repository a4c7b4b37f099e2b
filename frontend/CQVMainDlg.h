// The front-end's only top-level window: the batch list (one row per input video, every
// per-file value a cell), the command buttons, the message strip, and the painted caption.
// The render flow and the dialogs it opens work on the list's cells.
#pragma once

#include "frontend/FileListColumns.h"
#include "ui/CQVDialogBase.h"

#include <QRect>
#include <QStringList>
#include <functional>
#include <memory>

class QObject;

namespace qv
{

class CQVListCtrl;
class CQVMessageStrip;
class CQVRenderFlow;

class CQVMainDlg : public CQVDialogBase
{
public:
    // Command ids of the window's controls.
    enum : unsigned
    {
        kIdMaximise = 16,
        kIdMinimise = 17,
        kIdAdd = 18,
        kIdRemove = 19,
        kIdRemoveAll = 20,
        kIdMoveUp = 21,
        kIdMoveDown = 22,
        kIdPreview = 23,
        kIdSettings = 24,
        kIdRender = 25,
        kIdFileList = 26,
        kIdMessageStrip = 27,
        kIdCrop = 28,
        kIdHelp = 30,
        kIdMenu = 31,
    };
    // Menu commands of our own.
    enum : int
    {
        kCommandExit = 57665,
        kCommandCopyCrop = 300,
    };
    // Posted once the window is open: adds the command line's files.
    static constexpr unsigned kMsgAddStartupFiles = 0x0400 + 100;
    static constexpr int kWidth = 1000;
    static constexpr int kHeight = 650;

    explicit CQVMainDlg(CQVPlatformWindow* pParent = nullptr);
    ~CQVMainDlg() override;

    CQVListCtrl* FileList() const { return m_pList; }
    CQVMessageStrip* MessageStrip() const { return m_pStrip; }
    CQVRenderFlow* RenderFlow() const { return m_pRender.get(); }

    // The add-files procedure after the file dialog: each path is probed and, when it has
    // video, appended as a row (Windows Media sources get their WAV file first). Returns
    // the number of rows added; the message strip tells how many were skipped and why.
    // Refused (0) while rendering.
    int AddFiles(const QStringList& paths);

    // Files from the command line, added once the window shows.
    void SetStartupFiles(const QStringList& files) { m_startupFiles = files; }
    // Files handed over by a later copy of the program: added, or refused with a line in the
    // message strip while rendering (as drops are).
    void AddHandedFiles(const QStringList& files);

    // A row's cells, indexed by EFileColumn; empty for a row that does not exist.
    QStringList RowCells(int nRow) const;
    void SetRowState(int nRow, const QString& strState, double dProgress);
    // Every row back to "Ready" with bar 0 (after the movie settings' OK).
    void ResetAllRows();
    // The selected row's crop to every row it fits; those rows return to "Ready". Returns how
    // many rows took it.
    int CopyCropToAllRows();

    // The rendering state of the window: buttons, editing, row menu and drops.
    void SetRenderingState(bool bRendering);
    bool IsRendering() const { return m_bRendering; }

    // The caption strip drags the window (x from 60 to W - 74, y below 30), unless maximised.
    bool IsCaptionPoint(QPoint pt) const override;
    // Ends the window without asking, stopping a render first (the program is asked to end).
    void CloseNow();
    bool IsMaximised() const { return m_bMaximised; }
    void ToggleMaximise();
    void Minimise();

    // Where the program's user guide is, and whether it could be handed to a browser.
    static std::string GuidePath();
    bool OpenGuide();

    // The hook the crop command calls with the selected row (set by the crop dialog's
    // wiring); none: the command does nothing.
    static std::function<void(CQVMainDlg*, int)>& CropCommand();
    static std::function<void(CQVMainDlg*)>& SettingsCommand();
    static std::function<void(CQVMainDlg*, int)>& PreviewCommand();

protected:
    void OnInitDialog() override;
    void CreateControls() override;
    void LayoutControls() override;
    void DrawBackground(QPainter* pGraphics) override;
    bool OnCommand(unsigned nId, intptr_t lParam) override;
    intptr_t OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam) override;
    void OnMouseMessage(unsigned nCode, QPoint pt) override;
    void OnTimer(unsigned nId) override;
    void OnCancel() override;
    void OnClose() override;

private:
    void AddFilesFromDialog();
    void ShowMenu();
    void MoveSelected(bool bUp);
    void RowEdited(int nRow);
    void InstallDropHandler();

    CQVListCtrl* m_pList = nullptr;
    CQVMessageStrip* m_pStrip = nullptr;
    std::unique_ptr<CQVRenderFlow> m_pRender;
    std::unique_ptr<QObject> m_pDropFilter;
    bool m_bRendering = false;
    bool m_bMaximised = false;
    QRect m_restoreRect;
    QStringList m_startupFiles;
};

} // namespace qv
