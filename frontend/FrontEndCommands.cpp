#include "frontend/FrontEndCommands.h"

#include "frontend/CQVCropDlg.h"
#include "frontend/CQVMainDlg.h"
#include "frontend/CQVMovieSettingsDlg.h"
#include "frontend/PreviewCommand.h"
#include "ui/CQVListCtrl.h"

namespace qv
{

namespace
{

void CropRow(CQVMainDlg* pDialog, int nRow)
{
    CQVBatchModel& batch = pDialog->Batch();
    const tagQVBatchRow* pRow = batch.Row(nRow);
    if (!pRow)
        return;
    const tagQVRowCrop crop = CropOfBatchRow(*pRow);
    tagQVCropRequest request;
    request.source = pRow->source;
    request.dDuration = pRow->dDuration;
    request.nSourceWidth = crop.nSourceWidth;
    request.nSourceHeight = crop.nSourceHeight;
    request.nCropX = crop.nCropX;
    request.nCropY = crop.nCropY;
    request.nCropWidth = crop.nCropWidth;
    request.nCropHeight = crop.nCropHeight;
    CQVCropDlg dialog(request, pDialog);
    dialog.DoModal();
    const tagQVCropResult& result = dialog.GetResult();
    if (!result.bOk)
        return;
    if (result.bChanged)
        batch.SetCrop(nRow, result.nCropX, result.nCropY, result.nCropWidth, result.nCropHeight);
    // Every OK of the crop dialog returns every row to "Ready".
    batch.ResetStates();
}

void OpenSettings(CQVMainDlg* pDialog)
{
    CQVMovieSettingsDlg dialog(pDialog);
    if (dialog.DoModal() == kIdOk)
        pDialog->Batch().ResetStates();
}

} // namespace

void InstallFrontEndCommands(CQVMainDlg* pDialog)
{
    tagQVMainCommands commands;
    commands.crop = [pDialog](int nRow) { CropRow(pDialog, nRow); };
    commands.settings = [pDialog] { OpenSettings(pDialog); };
    commands.preview = [pDialog](int nRow)
    {
        if (const tagQVBatchRow* pRow = pDialog->Batch().Row(nRow))
            PreviewRow(JobOfRow(*pRow), pDialog);
    };
    pDialog->SetCommands(std::move(commands));
}

} // namespace qv
