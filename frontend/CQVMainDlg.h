// The front-end's only top-level window: the batch list (a view of the batch model: one
// row per input video), the command buttons, the message strip, and the painted caption.
// It is the render flow's host: the flow drives the model and asks the window for the rest.
#pragma once

#include "frontend/BatchModel.h"
#include "frontend/CQVRenderFlow.h"
#include "frontend/FileListColumns.h"
#include "ui/CQVDialogBase.h"

#include <QRect>
#include <QStringList>
#include <functional>
#include <memory>

class QObject;

namespace qv
{

class CQVBatchKeeper;
class CQVListCtrl;
class CQVMessageStrip;

// What the crop, settings and preview commands do (the dialogs wired in by the program).
struct tagQVMainCommands
{
    std::function<void(int nRow)> crop;
    std::function<void()> settings;
    std::function<void(int nRow)> preview;
};

class CQVMainDlg : public CQVDialogBase, public IQVRenderHost
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

    CQVBatchModel& Batch() { return m_batch; }
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

    // The texts the list shows for a row, indexed by EFileColumn; empty for no such row.
    QStringList RowCells(int nRow) const;
    // The selected row's crop to every row it fits; those rows return to "Ready". Returns how
    // many rows took it.
    int CopyCropToAllRows();

    // The batch kept in the file (BatchStore.h): the stored rows and settings are restored
    // (with the strip's lines about it shown once the window opens), and every change is
    // written from then on. Before the window opens.
    void KeepBatchIn(const std::string& path);

    // --- the render flow's host
    void RenderingChanged(bool bRendering) override { SetRenderingState(bRendering); }
    void ShowStatus(const QStringList& lines, const std::string& linkFolder) override;
    void ShowMessage(const QString& strText) override;
    std::string ChooseTargetFolder(const std::string& lastFolder) override;

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

    // What the crop, settings and preview buttons do; a command not set does nothing.
    void SetCommands(tagQVMainCommands commands) { m_commands = std::move(commands); }

protected:
    void OnInitDialog() override;
    void CreateControls() override;
    void LayoutControls() override;
    void DrawBackground(QPainter* pGraphics) override;
    bool OnCommand(unsigned nId, intptr_t lParam) override;
    intptr_t OnMessage(unsigned nMsg, uintptr_t wParam, intptr_t lParam) override;
    void OnMouseMessage(unsigned nCode, QPoint pt) override;
    void OnCancel() override;
    void OnClose() override;

private:
    void AddFilesFromDialog();
    void ShowMenu();
    void MoveSelected(bool bUp);
    void InstallDropHandler();
    // The list redraws from the model: every row, or one.
    void OnBatchChanged(CQVBatchModel::EChange eChange, int nRow);
    void FillListRow(int nRow, bool bRedraw);
    void RebuildList();

    CQVBatchModel m_batch;
    tagQVMainCommands m_commands;
    std::unique_ptr<CQVBatchKeeper> m_pKeeper;
    QStringList m_restoreLines; // shown once the window opens
    bool m_bSettingsRestored = false;
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
