// The batch list's columns, and the texts of its cells: what an edited cell's text means is
// read with CellInt and CellDouble.
#pragma once

#include "frontend/JobFiles.h"

#include <QString>
#include <QStringList>

namespace qv
{

enum EFileColumn : int
{
    kColumnFile = 0,
    kColumnState,
    kColumnDuration,
    kColumnStart,
    kColumnEnd,
    kColumnSyncAudio,
    kColumnVolume,
    kColumnSpeed,
    kColumnNewWidth,
    kColumnNewHeight,
    kColumnCropX,
    kColumnCropY,
    kColumnCropWidth,
    kColumnCropHeight,
    kColumnHasVideo,
    kColumnHasAudio,
    kColumnSourceWidth,
    kColumnSourceHeight,
    kFileColumnCount
};

struct tagQVFileColumn
{
    const char* pszTitle;
    int nWidth;
    int nKind; // CQVListCtrl::kType...
    bool bShown;
};

const tagQVFileColumn& FileColumn(int nColumn);

// Cell text as a number: the leading number of the text, 0 when there is none.
int CellInt(const QString& strText);
double CellDouble(const QString& strText);

// The states a row's "State" cell shows. Only "Finish" (any case) counts as done.
extern const char* const kStateReady;
extern const char* const kStateFinish;
extern const char* const kStateFailed;
extern const char* const kStateMissing;

// Whether a crop (x, y, w, h) fits a row's source: x + w <= Source W and y + h <= Source H,
// with non-negative values.
bool CropFitsSource(const tagQVRowCrop& crop, int nSourceWidth, int nSourceHeight);

// The add-files filter: "Video Files" with every video extension in any case (file dialogs
// that match case-sensitively would hide "IMG_0001.MOV"), then "All files".
QString VideoFileFilter();
// The video patterns of that filter ("*.[aA][vV][iI]", ...).
QStringList VideoFilePatterns();
bool IsWindowsMediaPath(const QString& strPath);

// Where the add-files dialog opens: the folder files were last added from (kept in the
// settings store beside the render folder), else the user's videos folder, else home.
constexpr const char* kAddFolderValue = "szAddFolder";
QString AddDialogFolder();
// Keeps the folder of the file as the one files were last added from.
void RememberAddFolder(const QString& strFilePath);

} // namespace qv
