// A Windows Media profile: named, described, and holding the configuration of each
// stream the writer is to produce. It travels between the two programs as UTF-16 text
// (ToText / FromText), an XML document of this layer's own:
//
//   <profile version="589824" name="..." description="...">
//     <streamconfig majortype="video" streamnumber="1" streamname="Video1" bitrate="..."
//                   bufferwindow="3000" rfc1766langid="en-us">
//       <property name="_VBRENABLED" value="0"/>
//       <videomediaprops maxkeyframespacing="80000000" quality="100"/>
//       <videoformat codec="wmv2" fourcc="WMV2" biwidth="640" biheight="480"
//                    dwbitrate="..." avgtimeperframe="333333">
//         <rcsource left="0" top="0" right="640" bottom="480"/>
//         <rctarget left="0" top="0" right="640" bottom="480"/>
//       </videoformat>
//     </streamconfig>
//     <streamconfig majortype="audio" ...>
//       <audioformat codec="wmav2" wformattag="353" nchannels="2" nsamplespersec="44100"
//                    navgbytespersec="16000" nblockalign="743" wbitspersample="16"/>
//     </streamconfig>
//   </profile>
//
// codec is the FFmpeg encoder's name. Each element's attributes are listed once, in one
// table that both ToText and FromText walk; every one is required on reading. The text
// checks structure and numbers only; what the writer can take is checked where the
// profile is applied.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv
{

constexpr int32_t kQVWmProfileVersion9 = 0x00090000; // the only version written and read

enum class EQVWmMediaType
{
    Video,
    Audio,
};

struct tagQVWmRect
{
    int32_t nLeft = 0;
    int32_t nTop = 0;
    int32_t nRight = 0;
    int32_t nBottom = 0;
};

// The video format: the essentials of a video-info header.
struct tagQVWmVideoFormat
{
    std::string codec;  // FFmpeg encoder
    std::string fourcc; // "WMV2"
    int32_t nWidth = 0; // pixels
    int32_t nHeight = 0;
    int32_t nBitrate = 0;         // bit/s
    int64_t nAvgTimePerFrame = 0; // 100-ns units
    tagQVWmRect rcSource;
    tagQVWmRect rcTarget;
};

// The audio format: the essentials of a wave format.
struct tagQVWmAudioFormat
{
    std::string codec; // FFmpeg encoder
    int32_t nFormatTag = 0;
    int32_t nChannels = 0;
    int32_t nSampleRate = 0; // Hz
    int32_t nAvgBytesPerSec = 0;
    int32_t nBlockAlign = 0;
    int32_t nBitsPerSample = 16;
};

// Stream properties, by name.
constexpr const char* kQVWmVbrEnabled = "_VBRENABLED"; // 0 or 1
constexpr const char* kQVWmPassesUsed = "_PASSESUSED"; // 1 or 2
constexpr const char* kQVWmVbrQuality = "_VBRQUALITY"; // 0..100
constexpr const char* kQVWmRMax = "_RMAX";             // peak bit/s
constexpr const char* kQVWmBMax = "_BMAX";             // peak buffer window, ms

struct tagQVWmStreamConfig
{
    EQVWmMediaType eType = EQVWmMediaType::Video;
    int16_t wStreamNumber = 0; // 1..63
    std::u16string szStreamName;
    int32_t nBitrate = 0; // bit/s
    int32_t nBufferWindowMs = 0;
    std::string language; // RFC 1766 tag; empty for none

    // --- video only
    tagQVWmVideoFormat video;
    int32_t nQuality = 0;            // 0..100
    int64_t nMaxKeyFrameSpacing = 0; // 100-ns units

    // --- audio only
    tagQVWmAudioFormat audio;

    // Sets or replaces a property.
    void SetProperty(const std::string& name, int32_t nValue);
    // False (and *pValue untouched) when the stream has no such property.
    bool GetProperty(const std::string& name, int32_t* pValue) const;
    const std::vector<std::pair<std::string, int32_t>>& Properties() const { return m_properties; }

private:
    std::vector<std::pair<std::string, int32_t>> m_properties;
};

class CQVWmProfile
{
public:
    explicit CQVWmProfile(int32_t nVersion = kQVWmProfileVersion9) : m_nVersion(nVersion) {}

    int32_t Version() const { return m_nVersion; }
    void SetName(std::u16string_view name) { m_name = name; }
    void SetDescription(std::u16string_view description) { m_description = description; }
    const std::u16string& Name() const { return m_name; }
    const std::u16string& Description() const { return m_description; }

    // An empty configuration of the type, to fill and add.
    tagQVWmStreamConfig CreateNewStream(EQVWmMediaType eType) const;
    // Adds a copy. kQVWmInvalidArgument for a stream number outside 1..63 or one already
    // used; kQVWmOk otherwise.
    int32_t AddStream(const tagQVWmStreamConfig& config);
    const std::vector<tagQVWmStreamConfig>& Streams() const { return m_streams; }
    // The first stream of the type, or null.
    const tagQVWmStreamConfig* FindStream(EQVWmMediaType eType) const;

    // The profile as text (no byte-order mark, no terminating zero).
    std::u16string ToText() const;
    // Replaces this profile by the text's. kQVWmOk, or kQVWmInvalidData (the profile is
    // then empty) when it is not a profile of this layer: not XML, a root other than
    // "profile", another version, a stream without its format, a number that does not
    // parse or does not fit, an unknown major type, stream numbers outside 1..63 or twice.
    int32_t FromText(std::u16string_view text);

private:
    int32_t m_nVersion;
    std::u16string m_name;
    std::u16string m_description;
    std::vector<tagQVWmStreamConfig> m_streams;
};

} // namespace qv
