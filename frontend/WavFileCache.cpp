#include "frontend/WavFileCache.h"

#include "platform/ProgramFolder.h"
#include "probe/WavExtraction.h"
#include "project/AudioSubstitutes.h"

#include <QDateTime>
#include <QString>
#include <QThread>
#include <algorithm>

namespace qv
{

namespace
{

bool SameSource(const tagQVAudioSubstitute& item, const std::string& source)
{
    return QString::fromStdString(item.source)
               .compare(QString::fromStdString(source), Qt::CaseInsensitive) == 0;
}

} // namespace

std::string WavFileNameNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return QString::asprintf("%02d%02d%02d%02d%02d%02d.wav", date.month(), date.day(), time.hour(),
                             time.minute(), time.second(), time.msec())
        .toStdString();
}

std::string PrepareWavFile(const std::string& tempFolder, const std::string& sourcePath)
{
    const std::string listPath = tempFolder + "wavfiles.dat";
    std::vector<tagQVAudioSubstitute> items = ReadAudioSubstitutes(listPath);
    auto match = std::find_if(items.begin(), items.end(),
                              [&](const tagQVAudioSubstitute& item)
                              { return SameSource(item, sourcePath); });
    if (match != items.end() && !match->wav.empty() && PathExists(match->wav))
        return match->wav;

    // Two files added within one millisecond would share a name: never overwrite another
    // source's sound.
    std::string wavPath = tempFolder + WavFileNameNow();
    while (PathExists(wavPath))
    {
        QThread::msleep(1);
        wavPath = tempFolder + WavFileNameNow();
    }

    const bool bHadRecord = match != items.end();
    if (!ExtractWav(sourcePath, wavPath))
    {
        if (bHadRecord)
        {
            items.erase(match);
            WriteAudioSubstitutes(listPath, items);
        }
        return "";
    }
    if (bHadRecord)
        match->wav = wavPath;
    else
        items.push_back({sourcePath, wavPath});
    WriteAudioSubstitutes(listPath, items);
    return wavPath;
}

} // namespace qv
