#include "tests/support/CQVEngineDriver.h"

#include "platform/ProgramFolder.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace qv::test
{

CQVEngineDriver::CQVEngineDriver() : m_folder("vantrel-engine")
{
    if (m_folder.Path().empty())
        return;
    // The engine's settings store follows XDG_CONFIG_HOME; each test gets its own.
    if (const char* previous = std::getenv("XDG_CONFIG_HOME"))
    {
        m_bHadConfig = true;
        m_previousConfig = previous;
    }
    setenv("XDG_CONFIG_HOME", ConfigFolder().c_str(), 1);
    std::error_code error;
    std::filesystem::create_directories(ProgramPath("tmp"), error);
    std::filesystem::create_directories(ProgramPath("skin"), error);
    std::filesystem::create_directories(ConfigFolder(), error);
    m_bReady = !error && CopyFile(BuiltEngine(), ProgramPath("VantrelEngine"), true);
}

CQVEngineDriver::~CQVEngineDriver()
{
    if (m_pid > 0)
    {
        TerminateProcess(m_pid);
        WaitForProcess(m_pid, 5000, nullptr);
    }
    m_owner.Destroy();
    if (m_bHadConfig)
        setenv("XDG_CONFIG_HOME", m_previousConfig.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

std::string CQVEngineDriver::BuiltEngine()
{
    return VANTREL_BUILT_ENGINE;
}

bool CQVEngineDriver::WriteOptionFile(const tagQVOutputSettings& settings)
{
    return WriteOptionBytes(std::string(reinterpret_cast<const char*>(&settings), sizeof settings));
}

bool CQVEngineDriver::WriteOptionBytes(const std::string& bytes)
{
    return WriteJobFile("tmp/option.dat", bytes);
}

bool CQVEngineDriver::WriteJobFile(const std::string& relative, const std::string& bytes)
{
    return WriteFileBytes(ProgramPath(relative), bytes);
}

bool CQVEngineDriver::StartConversion(const std::string& outputPath,
                                      const tagQVOutputSettings& settings,
                                      const std::string& projectXml)
{
    if (!m_owner.StartConversion(outputPath, settings.nPresetIndex))
        return false;
    if (!WriteOptionFile(settings))
        return false;
    return projectXml.empty() || WriteJobFile("tmp/qvengine.qvprj", projectXml);
}

bool CQVEngineDriver::Launch()
{
    m_samples.clear();
    m_pid = SpawnDetached(ProgramPath("VantrelEngine"), {}, ProgramFolder());
    return m_pid > 0;
}

bool CQVEngineDriver::WaitForExit(int nTimeoutMs, tagQVProcessExit* pExit, int nPollMs,
                                  const PollHook& onPoll)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (m_pid > 0)
    {
        if (SharedControlBlock* block = Block())
        {
            m_samples.push_back({block->nState, block->dPosition});
            if (onPoll)
                onPoll(*block);
        }
        if (ReapProcess(m_pid, pExit))
        {
            m_pid = -1;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
        {
            TerminateProcess(m_pid);
            WaitForProcess(m_pid, 5000, nullptr);
            m_pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(nPollMs));
    }
    return false;
}

} // namespace qv::test
