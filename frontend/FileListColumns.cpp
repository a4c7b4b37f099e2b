#include "frontend/FileListColumns.h"

#include "frontend/CQVRenderFlow.h"
#include "platform/SettingsStore.h"
#include "ui/CQVListCtrl.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdlib>

namespace qv
{

namespace
{

constexpr int kText = CQVListCtrl::kTypeText;
constexpr int kEdit = CQVListCtrl::kTypeEdit;
constexpr int kProgress = CQVListCtrl::kTypeProgress;

// "Duration" is 10 wider than the other number columns: at 60 its title was cut off.
const tagQVFileColumn kColumns[kFileColumnCount] = {
    {"File", 250, kText, true},       {"State", 210, kProgress, true},
    {"Duration", 70, kText, true},    {"Start", 60, kEdit, false},
    {"End", 60, kEdit, false},        {"Sync Audio", 100, kEdit, false},
    {"Volume", 60, kEdit, false},     {"Speed", 60, kEdit, false},
    {"New Width", 100, kEdit, false}, {"New Height", 100, kEdit, false},
    {"Crop X", 60, kEdit, true},      {"Crop Y", 60, kEdit, true},
    {"Crop W", 60, kEdit, true},      {"Crop H", 60, kEdit, true},
    {"Has Video", 60, kText, false},  {"Has Audio", 60, kText, false},
    {"Source W", 80, kText, true},    {"Source H", 80, kText, true},
};

const char* const kExtensions[] = {"avi", "ogg", "ogm", "wmv",  "asf", "dic",  "mpg",  "mpeg",
                                   "qt",  "mov", "m1v", "m2v",  "ts",  "mts",  "m2ts", "mp4",
                                   "3gp", "3g2", "flv", "rv",   "rm",  "rmvb", "mkv",  "pmp",
                                   "nut", "dsm", "roq", "divx", "f4v", "m4v",  "vob",  "dat"};

} // namespace

const char* const kStateReady = "Ready";
const char* const kStateFinish = "Finish";
const char* const kStateFailed = "Failed";
const char* const kStateMissing = "Missing";

const tagQVFileColumn& FileColumn(int nColumn)
{
    return kColumns[nColumn >= 0 && nColumn < kFileColumnCount ? nColumn : 0];
}

int CellInt(const QString& strText)
{
    const QByteArray bytes = strText.trimmed().toUtf8();
    const long long n = std::strtoll(bytes.constData(), nullptr, 10);
    // Typed cells may hold anything: keep the value inside int.
    return static_cast<int>(
        std::max<long long>(-2147483647LL, std::min<long long>(2147483647LL, n)));
}

double CellDouble(const QString& strText)
{
    const QByteArray bytes = strText.trimmed().toUtf8();
    const double d = std::strtod(bytes.constData(), nullptr);
    return d == d ? d : 0.0; // "nan" counts as no number
}

bool CropFitsSource(const tagQVRowCrop& crop, int nSourceWidth, int nSourceHeight)
{
    if (crop.nCropX < 0 || crop.nCropY < 0 || crop.nCropWidth < 0 || crop.nCropHeight < 0)
        return false;
    return static_cast<long long>(crop.nCropX) + crop.nCropWidth <= nSourceWidth &&
           static_cast<long long>(crop.nCropY) + crop.nCropHeight <= nSourceHeight;
}

QStringList VideoFilePatterns()
{
    QStringList patterns;
    for (const char* pszExtension : kExtensions)
    {
        QString strPattern = QStringLiteral("*.");
        for (const char* p = pszExtension; *p; ++p)
        {
            const QChar c = QLatin1Char(*p);
            if (c.isLetter())
                strPattern += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
            else
                strPattern += c;
        }
        patterns << strPattern;
    }
    return patterns;
}

QString VideoFileFilter()
{
    // Qt's filter form: "Name (patterns separated by spaces)", filters separated by ";;".
    return QStringLiteral("Video Files (%1);;All files (*)")
        .arg(VideoFilePatterns().join(QLatin1Char(' ')));
}

QString AddDialogFolder()
{
    std::string stored;
    if (CQVSettingsStore::GetString(CQVRenderFlow::kSettingsKey, kAddFolderValue, &stored) &&
        QFileInfo(QString::fromStdString(stored)).isDir())
        return QString::fromStdString(stored);
    const QString strVideos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (!strVideos.isEmpty() && QFileInfo(strVideos).isDir())
        return strVideos;
    return QDir::homePath();
}

void RememberAddFolder(const QString& strFilePath)
{
    const QString strFolder = QFileInfo(strFilePath).absolutePath();
    CQVSettingsStore::SetString(CQVRenderFlow::kSettingsKey, kAddFolderValue,
                                strFolder.toStdString());
}

bool IsWindowsMediaPath(const QString& strPath)
{
    return strPath.endsWith(QLatin1String(".wmv"), Qt::CaseInsensitive) ||
           strPath.endsWith(QLatin1String(".asf"), Qt::CaseInsensitive);
}

} // namespace qv
