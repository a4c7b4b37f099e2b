// The output frame rate a settings record asks for (nOutputFrameRate), and the rule that
// gives each mixer sample its time on the timeline. Both programs use it: the engine to
// clock a conversion and the preview, the front-end to write the rate into the Windows
// Media profile.
#pragma once

#include <cstdint>

namespace qv
{

// nOutputFrameRate values. The listed rates are frames per 1000 s; 23976, 29970 and 59940
// stand for 24000/1001, 30000/1001 and 60000/1001. Any value not named here counts as
// kFrameRateFixed30.
constexpr int32_t kFrameRateFixed30 = 0; // 30 fps, the first picture at 1/30 s
constexpr int32_t kFrameRateSameAsSource = -1;

// The source's rates as FFmpeg reports them for its video stream, 0 when unknown.
struct tagQVSourceFrameRates
{
    double dNominal = 0.0; // the stream's declared (real base) rate
    double dAverage = 0.0; // pictures ÷ duration
};

// True for -1 and the listed rates: the conversion then runs at that rate and picture k
// shows time k ÷ rate. False for everything that counts as 0.
bool HasOwnFrameRate(int32_t nOutputFrameRate);

// Frames per second of the output: 30 for the fixed mode; the listed rate; or, for
// kFrameRateSameAsSource, the source's nominal rate, except that a source whose average
// differs from it by more than 1 % is variable-rate and gets the listed rate nearest its
// average; a rate above 60 is halved until it is 60 or below; a source without a rate
// gets 30.
double OutputFrameRate(int32_t nOutputFrameRate, const tagQVSourceFrameRates& source);

// The output time, in seconds from the start, of output picture nPicture (0-based): in
// the fixed mode (bOwnRate false) (nPicture + 1) ÷ 30, otherwise nPicture ÷ dFrameRate, so
// that at the source's own constant rate picture k is source picture k. 0 for a rate that
// is not positive.
double OutputPictureTime(int64_t nPicture, double dFrameRate, bool bOwnRate);

// How the samples of a run find their time on the timeline.
enum class EQVSampleClock
{
    kFixed30, // a conversion in the fixed mode: OutputPictureTime without a rate of its own
    kOwnRate, // a conversion at a rate of its own: OutputPictureTime with it
    kPlayer,  // the preview: the sample's start time after the preview's start position
};

struct tagQVSampleTiming
{
    EQVSampleClock eClock = EQVSampleClock::kFixed30;
    double dFrameRate = 30.0;    // frames per second of the samples
    double dStartPosition = 0.0; // kPlayer: timeline seconds where playing began
};

// The timeline time, in seconds, that mixer sample nIndex (0-based) stands for; nStartTime
// is its start in 100-nanosecond units from the start of the run. The one rule between a
// sample and the time the composition draws.
double SampleTime(const tagQVSampleTiming& timing, int64_t nIndex, int64_t nStartTime);

// The rate that a time per frame in 100-nanosecond units stands for: a whole rate or one
// of the N × 1000/1001 rates when the time per frame is that rate's, rounded to the unit
// (417,083 is 24000/1001); otherwise 10,000,000 ÷ the time. 0 for a time that is not
// positive.
double FrameRateFromTimePerFrame(int64_t nUnits);

// The time per frame of a rate, rounded to the 100-nanosecond unit; 0 for a rate that is
// not positive.
int64_t TimePerFrame(double dFrameRate);

} // namespace qv
