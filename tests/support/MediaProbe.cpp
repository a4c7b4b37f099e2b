#include "tests/support/MediaProbe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <cmath>
#include <limits>
#include <sstream>

namespace qv::test
{

int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               std::string* pOut, std::string* pErr, int nTimeoutMs)
{
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    QProcess process;
    process.start(QString::fromStdString(program), list);
    if (!process.waitForStarted(10000))
        return -1;
    process.closeWriteChannel();
    if (!process.waitForFinished(nTimeoutMs))
    {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (pOut != nullptr)
        *pOut = process.readAllStandardOutput().toStdString();
    if (pErr != nullptr)
        *pErr = process.readAllStandardError().toStdString();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

const tagQVProbeStream* tagQVProbe::Find(const std::string& type) const
{
    const int nIndex = Index(type);
    return nIndex < 0 ? nullptr : &streams[static_cast<size_t>(nIndex)];
}

int tagQVProbe::Index(const std::string& type) const
{
    for (size_t i = 0; i < streams.size(); ++i)
    {
        if (streams[i].codecType == type)
            return static_cast<int>(i);
    }
    return -1;
}

tagQVProbe ProbeFile(const std::string& path)
{
    tagQVProbe probe;
    std::string out;
    if (RunProgram(
            "ffprobe",
            {"-v", "error", "-count_frames", "-show_format", "-show_streams", "-of", "json", path},
            &out, nullptr) != 0)
        return probe;
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    const QJsonObject format = root.value("format").toObject();
    probe.formatName = format.value("format_name").toString().toStdString();
    probe.dDuration = format.value("duration").toString().toDouble();
    probe.nSize = format.value("size").toString().toLongLong();
    for (const QJsonValue& value : root.value("streams").toArray())
    {
        const QJsonObject stream = value.toObject();
        tagQVProbeStream info;
        info.codecType = stream.value("codec_type").toString().toStdString();
        info.codecName = stream.value("codec_name").toString().toStdString();
        info.profile = stream.value("profile").toString().toStdString();
        info.level = stream.value("level").toInt();
        info.width = stream.value("width").toInt();
        info.height = stream.value("height").toInt();
        info.rFrameRate = stream.value("r_frame_rate").toString().toStdString();
        info.sampleRate = stream.value("sample_rate").toString().toInt();
        info.channels = stream.value("channels").toInt();
        if (stream.contains("nb_read_frames"))
            info.readFrames = stream.value("nb_read_frames").toString().toLongLong();
        probe.streams.push_back(info);
    }
    probe.bOk = !probe.streams.empty();
    return probe;
}

std::string FrameTypes(const std::string& path)
{
    std::string out;
    if (RunProgram("ffprobe",
                   {"-v", "error", "-select_streams", "v:0", "-show_entries", "frame=pict_type",
                    "-of", "csv=p=0", path},
                   &out, nullptr) != 0)
        return {};
    std::string types;
    for (char c : out)
    {
        if (c == 'I' || c == 'P' || c == 'B')
            types += c;
    }
    return types;
}

bool VideoPacketStats(const std::string& path, int64_t* pBytes, double* pSeconds)
{
    std::string out;
    if (RunProgram("ffprobe",
                   {"-v", "error", "-select_streams", "v:0", "-show_entries",
                    "packet=size,pts_time,duration_time", "-of", "csv=p=0", path},
                   &out, nullptr) != 0)
        return false;
    int64_t nBytes = 0;
    double dFirst = std::numeric_limits<double>::infinity();
    double dEnd = 0.0;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line))
    {
        // Fields in the order ffprobe prints them: pts_time, duration_time, size.
        std::istringstream fields(line);
        std::string pts, duration, size;
        std::getline(fields, pts, ',');
        std::getline(fields, duration, ',');
        std::getline(fields, size, ',');
        if (size.empty())
            continue;
        nBytes += std::stoll(size);
        const double dPts = pts.empty() || pts == "N/A" ? 0.0 : std::stod(pts);
        const double dDuration = duration.empty() || duration == "N/A" ? 0.0 : std::stod(duration);
        dFirst = std::min(dFirst, dPts);
        dEnd = std::max(dEnd, dPts + dDuration);
    }
    *pBytes = nBytes;
    *pSeconds = dEnd - dFirst;
    return nBytes > 0;
}

bool DecodesCleanly(const std::string& path, std::string* pErrors)
{
    std::string err;
    const int nExit = RunProgram(
        "ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-f", "null", "-"}, nullptr, &err);
    if (pErrors != nullptr)
        *pErrors = err;
    return nExit == 0 && err.empty();
}

double MeanVolumeDb(const std::string& path)
{
    std::string err;
    if (RunProgram("ffmpeg",
                   {"-nostdin", "-hide_banner", "-i", path, "-vn", "-af", "volumedetect", "-f",
                    "null", "-"},
                   nullptr, &err) != 0)
        return std::nan("");
    const size_t nAt = err.find("mean_volume:");
    if (nAt == std::string::npos)
        return std::nan("");
    return std::stod(err.substr(nAt + 12));
}

bool DecodeFrameBgra(const std::string& path, int nFrame, int nWidth, int nHeight,
                     std::vector<uint8_t>* pPixels)
{
    std::string out;
    const std::string select = "select=eq(n\\," + std::to_string(nFrame) + ")";
    if (RunProgram("ffmpeg",
                   {"-nostdin", "-v", "error", "-i", path, "-vf", select, "-frames:v", "1", "-f",
                    "rawvideo", "-pix_fmt", "bgra", "-"},
                   &out, nullptr) != 0)
        return false;
    if (out.size() != static_cast<size_t>(nWidth) * nHeight * 4)
        return false;
    pPixels->assign(out.begin(), out.end());
    return true;
}

} // namespace qv::test
