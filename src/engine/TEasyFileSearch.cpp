#include "engine/TEasyFileSearch.h"

namespace veridon {

bool TEasyFileSearch::Execute()
{
    m_search.Recursive = IncludeBits & kRecursive;
    m_search.IncludeReadOnly = IncludeBits & kReadOnly;
    m_search.IncludeHidden = IncludeBits & kHidden;
    m_search.IncludeSystem = IncludeBits & kSystem;
    m_search.IncludeDirectory = IncludeBits & kDirectories;
    m_search.IncludeArchive = IncludeBits & kArchive;
    m_search.IncludeFiles = IncludeBits & kFiles;
    m_search.SizeFilterEnabled = SizeFilterEnabled;
    m_search.SizeFilterMode = SizeFilterMode;
    m_search.SizeLimit = SizeLimit;
    m_search.RootPath = RootPath;
    m_search.Masks = FileNames;
    m_search.ExcludedMasks = ExcludedFiles;
    m_search.OnFound = OnFound;
    m_search.OnAccept = OnAccept;
    m_search.OnChangeFolder = OnChangeFolder;
    m_search.OnFinished = OnFinished;
    return m_search.Search();
}

} // namespace veridon
