// Shared by the front-end tests: the process-wide state pointed at the test's own program
// folder (a copy of the skin and a tmp/ beside the test binary), a private settings store,
// and a control block made for the test.
#pragma once

#include "frontend/FrontEndGlobals.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TestFolder.h"
#include "tests/ui/UiTestSupport.h"

#include <QtGlobal>
#include <memory>

namespace qv::test
{

class CFrontEndTest : public CToolkitTest
{
protected:
    void SetUp() override
    {
        CToolkitTest::SetUp();
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_config.Path()));
        CQVFrontEndGlobals& globals = FrontEndGlobals();
        globals.programFolder = ProgramFolder();
        globals.tempFolder = globals.programFolder + "tmp/";
        MakeFolders(globals.tempFolder);
        globals.outputSettings.SelectPreset(kFallbackPreset);
        globals.h264 = tagQVH264Settings();
        // The shipped theme, as the program loads it.
        CQVTheme::LoadFile(globals.SkinPath("uicolors/UIColors.uic"));
        ASSERT_TRUE(globals.controlBlock.Create());
    }
    void TearDown() override
    {
        FrontEndGlobals().controlBlock.Destroy();
        qunsetenv("XDG_CONFIG_HOME");
        CToolkitTest::TearDown();
    }

    CQVTestFolder m_config{"vantrel-config"};
};

} // namespace qv::test
