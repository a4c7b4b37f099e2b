// The source the decoding and composition benchmarks share: a 10-second 1080p H.264 clip
// with B-frames, made with the ffmpeg command line in a temporary folder.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace qv::bench
{

// Makes the clip in a new temporary folder. Returns its path and sets *pFolder (the
// caller removes it), or returns an empty path when it cannot be made.
inline std::string MakeBenchSource(std::string* pFolder)
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vantrel-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return "";
    *pFolder = pattern;
    std::string path = pattern + "/bench1080.mp4";
    std::printf("Making %s ...\n", path.c_str());
    const std::string make = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
                             "testsrc2=s=1920x1080:r=30:d=10 -c:v libx264 -preset veryfast "
                             "-pix_fmt yuv420p -x264-params bframes=2 \"" +
                             path + "\"";
    return std::system(make.c_str()) == 0 ? path : "";
}

} // namespace qv::bench
