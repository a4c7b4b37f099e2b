// Plays the front-end's side of the engine protocol for tests: a program folder of its
// own with a copy of the engine, the real control block, the job files, the engine as a
// real process, and polling of the block with a time limit.
#pragma once

#include "protocol/CQVControlBlockOwner.h"
#include "platform/Process.h"
#include "project/OutputSettings.h"
#include "tests/support/TestFolder.h"

#include <functional>
#include <string>
#include <vector>

namespace qv::test
{

// One poll of the block while the engine ran.
struct tagQVBlockSample
{
    int32_t nState;
    double dPosition;
};

class CQVEngineDriver
{
public:
    CQVEngineDriver();
    ~CQVEngineDriver();

    // The built engine that every driver copies.
    static std::string BuiltEngine();

    // False when the program folder could not be laid out.
    bool Ready() const { return m_bReady; }
    // The program folder, with a trailing "/"; it holds VantrelEngine, skin/ and tmp/.
    const std::string& ProgramFolder() const { return m_folder.Path(); }
    std::string ProgramPath(const std::string& relative) const { return m_folder / relative; }
    // A folder beside the program folder for the user's settings store of this test.
    std::string ConfigFolder() const { return m_folder / "config"; }

    bool CreateBlock() { return m_owner.Create(); }
    void DestroyBlock() { m_owner.Destroy(); }
    SharedControlBlock* Block() const { return m_owner.Block(); }
    CQVControlBlockOwner& Owner() { return m_owner; }

    // The job files, as the front-end writes them before it starts the engine.
    bool WriteOptionFile(const tagQVOutputSettings& settings);
    bool WriteOptionBytes(const std::string& bytes);
    bool WriteJobFile(const std::string& relative, const std::string& bytes);

    // A whole conversion start: the block's start order, then "tmp/option.dat" (and the
    // project file when given), as the front-end does. False when any step fails.
    bool StartConversion(const std::string& outputPath, const tagQVOutputSettings& settings,
                         const std::string& projectXml = "");

    // Starts the program folder's engine; false when it cannot be started.
    bool Launch();
    pid_t EnginePid() const { return m_pid; }

    // Polls nState and dPosition every nPollMs until the engine ends or nTimeoutMs passes,
    // calling onPoll (when given) with the block after each sample, as the front-end's
    // timers would act. On time-out the engine is killed and reaped and the result is false.
    using PollHook = std::function<void(SharedControlBlock&)>;
    bool WaitForExit(int nTimeoutMs, tagQVProcessExit* pExit, int nPollMs = 20,
                     const PollHook& onPoll = nullptr);
    const std::vector<tagQVBlockSample>& Samples() const { return m_samples; }

private:
    CQVTestFolder m_folder;
    CQVControlBlockOwner m_owner;
    bool m_bReady = false;
    pid_t m_pid = -1;
    std::vector<tagQVBlockSample> m_samples;
    std::string m_previousConfig;
    bool m_bHadConfig = false;
};

} // namespace qv::test
