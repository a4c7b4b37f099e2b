// The batch list's columns, a new row's cells, and the row's values as a job reads them.
// Every per-file value lives in the list as text; it is parsed when it is used.
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

// What the probe found for a file that is added.
struct tagQVProbedFile
{
    QString strPath;
    int bHasVideo = 0;
    int bHasAudio = 0;
    int nWidth = 0;
    int nHeight = 0;
    double dDuration = 0.0;
};

// The cells of a new row, one per column.
QStringList NewRowCells(const tagQVProbedFile& file);

// Cell text as a number: the leading number of the text, 0 when there is none.
int CellInt(const QString& strText);
double CellDouble(const QString& strText);

// The states a row's "State" cell shows. Only "Finish" (any case) counts as done.
extern const char* const kStateReady;
extern const char* const kStateFinish;
extern const char* const kStateFailed;
bool IsFinishedState(const QString& strState);
bool IsFailedState(const QString& strState);

// The row's values from its cells (indexed by EFileColumn).
tagQVJobRow JobRowFromCells(const QStringList& cells);
tagQVRowCrop RowCropFromCells(const QStringList& cells);

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
