// The Windows Media profile manager: this program's own layer over FFmpeg's Windows Media
// encoders and asf muxer, giving the codec lists, the audio formats of each codec and the
// profile text that both programs exchange.
//
// Codecs, in list order, each listed only when this FFmpeg can open its encoder:
//   video  0 "Windows Media Video V8" (wmv2, FourCC WMV2)
//          1 "Windows Media Video V7" (wmv1, FourCC WMV1)
//   audio  0 "Windows Media Audio 9.2" (wmav2, format tag 0x0161, the bitstream the 9.2
//            standard codec writes)
//          1 "Windows Media Audio V1" (wmav1, format tag 0x0160)
// The newer codec comes first, so that a record whose codec fields are still 0 names it.
//
// Audio formats of a codec: every combination of 320, 256, 192, 160, 128, 96, 80, 64, 48,
// 40, 32 and 24 kbit/s with 44,100, 48,000, 32,000, 22,050, 16,000, 11,025 and 8,000 Hz,
// stereo then mono, in that order (bitrate first), that spends at most 4 bits per sample
// and that the encoder really takes: it is opened with the format and encodes a block.
// Descriptions read "128 kbps, 44 kHz, stereo CBR".
//
// The three enumerations (constant bitrate; variable bitrate, 1 pass; 2 passes) list the
// same formats; the variable ones end in "1-pass VBR" / "2-pass VBR". FFmpeg's Windows
// Media audio encoders have no variable-bitrate mode: a variable-bitrate format is stored
// as such in the profile and is encoded at its bitrate, exactly as its constant twin.
//
// Video has one format per codec (index 0), whose size, rate and bitrate the profile
// builder replaces.
#pragma once

#include "formats/CQVWmProfile.h"

#include <memory>
#include <string>
#include <string_view>

namespace qv
{

// The codec enumeration settings: "_VBRENABLED" and "_PASSESUSED".
struct tagQVWmEnumeration
{
    bool bVbrEnabled = false;
    int32_t nPasses = 0; // 1 or 2 when bVbrEnabled; ignored otherwise
};

class CQVWmProfileManager
{
public:
    // kQVWmOk, or kQVWmNotSupported (nothing created) when this FFmpeg has no asf muxer
    // or cannot open any Windows Media video or audio encoder.
    static int32_t Create(std::unique_ptr<CQVWmProfileManager>* pManager);

    // --- codec information. kQVWmInvalidArgument for a null pointer, a codec or format
    //     index out of range, or a variable-bitrate enumeration with passes other than 1, 2.
    int32_t GetCodecInfoCount(EQVWmMediaType eType, int32_t* pCount) const;
    int32_t GetCodecName(EQVWmMediaType eType, int32_t nCodec, std::string* pName) const;
    int32_t GetCodecFormatCount(EQVWmMediaType eType, int32_t nCodec,
                                const tagQVWmEnumeration& enumeration, int32_t* pCount) const;
    int32_t GetCodecFormatDesc(EQVWmMediaType eType, int32_t nCodec,
                               const tagQVWmEnumeration& enumeration, int32_t nFormat,
                               std::string* pDescription) const;
    // The format as a stream configuration: its codec, bitrate, format and the
    // "_VBRENABLED" (and "_PASSESUSED") properties of the enumeration.
    int32_t GetCodecFormat(EQVWmMediaType eType, int32_t nCodec,
                           const tagQVWmEnumeration& enumeration, int32_t nFormat,
                           tagQVWmStreamConfig* pConfig) const;

    // --- profiles
    // An empty profile. kQVWmInvalidArgument for a version other than 9.0 or a null pointer.
    int32_t CreateEmptyProfile(int32_t nVersion, CQVWmProfile* pProfile) const;
    // The profile's text. kQVWmInvalidArgument for a null pointer.
    int32_t SaveProfile(const CQVWmProfile& profile, std::u16string* pText) const;
    // Reads a profile from its text (up to the first zero character, if any).
    // kQVWmInvalidData for text that is no profile (CQVWmProfile::FromText), and
    // kQVWmNotSupported when a stream names a codec this layer does not list.
    int32_t LoadProfileByData(std::u16string_view text, CQVWmProfile* pProfile) const;

    // True when the FFmpeg encoder ("wmv2") is behind one of the listed codecs of the type.
    static bool IsListedEncoder(EQVWmMediaType eType, const std::string& encoder);

private:
    CQVWmProfileManager() = default;
};

} // namespace qv
