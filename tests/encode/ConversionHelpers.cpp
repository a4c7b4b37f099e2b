#include "ConversionHelpers.h"

#include "encode/CQVVideoConverter.h"

#include <dirent.h>
#include <string>

namespace qv::test
{

tagQVOutputSettings TestRecord(int32_t nType, int32_t nWidth, int32_t nHeight)
{
    tagQVOutputSettings record = DefaultPresets(PresetTable::Engine)[9];
    record.nOutputFormat = nType;
    record.nWidth = nWidth;
    record.nHeight = nHeight;
    return record;
}

tagQVConversionResult Convert(const std::string& path, tagQVOutputSettings* pRecord,
                              double dDuration, CQVPatternCallback::EPattern ePattern,
                              const tagQVH264Settings& h264, bool bNoiseAudio)
{
    tagQVConverterSetup setup;
    setup.pSettings = pRecord;
    setup.h264 = h264;
    setup.dDuration = dDuration;
    CQVVideoConverter converter(setup);
    CQVPatternCallback video(&converter);
    video.SetPattern(ePattern);
    CQVToneCallback audio;
    audio.SetNoise(bNoiseAudio);
    converter.SetVideoMixerCallback(&video);
    converter.SetAudioMixerCallback(&audio);
    converter.SetOutputPath(path);

    tagQVConversionResult result;
    result.nBuildResult = converter.BuildConversionGraph(path);
    CQVMediaEventQueue* pEvents = converter.GetMediaEvent();
    intptr_t nParam2 = 0;
    if (pEvents == nullptr ||
        pEvents->GetEvent(&result.nEventCode, &result.nEventParam, &nParam2, 120000) != 0)
        result.nEventCode = 0;
    result.nDeliveredFrames = converter.DeliveredFrames();
    converter.Stop();
    converter.Close();
    return result;
}

int CountTemporaryFiles(const std::string& folder)
{
    int nCount = 0;
    DIR* pDir = opendir(folder.c_str());
    if (pDir == nullptr)
        return 0;
    while (dirent* pEntry = readdir(pDir))
    {
        if (std::string(pEntry->d_name).rfind(".vantrel-", 0) == 0)
            ++nCount;
    }
    closedir(pDir);
    return nCount;
}

} // namespace qv::test
