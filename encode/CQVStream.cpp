#include "encode/CQVStream.h"

#include "encode/LanguageTags.h"

namespace qv
{

CQVStream::CQVStream() : nLanguage(SystemDefaultLcid()) {}

} // namespace qv
