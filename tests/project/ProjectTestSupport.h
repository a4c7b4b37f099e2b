// Helpers shared by the project tests: scratch folders, the committed test data, a text
// dump of a whole project model for comparisons, and a locale with a decimal comma.
#pragma once

#include "project/ProjectTimeline.h"
#include "tests/support/TestFolder.h"

#include <string>

namespace qv::projecttest
{

// A fresh folder under $TMPDIR (or /tmp), removed with its content at the end.
class CScratchFolder : public test::CQVTestFolder
{
public:
    CScratchFolder() : CQVTestFolder("vantrel-project") {}
};

// A file of tests/project/data.
std::string DataPath(const std::string& name);
// The folder of the kept fuzz inputs.
std::string CorpusFolder();

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);

// Every field of the model, one per line, numbers with full precision.
std::string DumpTimeline(const ProjectTimeline& timeline);
std::string DumpItem(const tagQVMediaData& item);

// Switches the C locale of the process to one whose decimal separator is a comma (built
// from the system's locale sources into a scratch folder on first use). False when this
// machine cannot provide one.
bool UseCommaDecimalLocale();
// Back to "C".
void UseClassicLocale();

} // namespace qv::projecttest
