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
    const QStringList cells = pDialog->RowCells(nRow);
    if (cells.isEmpty())
        return;
    const tagQVRowCrop crop = RowCropFromCells(cells);
    tagQVCropRequest request;
    request.source = cells[kColumnFile].toStdString();
    request.dDuration = CellDouble(cells[kColumnDuration]);
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
    CQVListCtrl* pList = pDialog->FileList();
    if (result.bChanged)
    {
        pList->SetCellText(kColumnCropX, nRow, QString::number(result.nCropX), false);
        pList->SetCellText(kColumnCropY, nRow, QString::number(result.nCropY), false);
        pList->SetCellText(kColumnCropWidth, nRow, QString::number(result.nCropWidth), false);
        pList->SetCellText(kColumnCropHeight, nRow, QString::number(result.nCropHeight), false);
    }
    // Every OK of the crop dialog returns every row to "Ready".
    pDialog->ResetAllRows();
}

void OpenSettings(CQVMainDlg* pDialog)
{
    CQVMovieSettingsDlg dialog(pDialog);
    if (dialog.DoModal() == kIdOk)
        pDialog->ResetAllRows();
}

} // namespace

void InstallFrontEndCommands()
{
    CQVMainDlg::CropCommand() = CropRow;
    CQVMainDlg::SettingsCommand() = OpenSettings;
    InstallPreviewCommand();
}

} // namespace qv
