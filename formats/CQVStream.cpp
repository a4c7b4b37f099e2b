#include "formats/CQVStream.h"

#include "formats/LanguageTags.h"

namespace qv
{

CQVStream::CQVStream() : nLanguage(SystemDefaultLcid()) {}

} // namespace qv
