#include "platform/FileSystem.h"

namespace veridon {

const char* describe(FileError error)
{
    switch (error) {
    case FileError::None:
        return "The operation completed successfully.";
    case FileError::NotFound:
        return "The system cannot find the file specified.";
    case FileError::AccessDenied:
        return "Access is denied.";
    case FileError::InUse:
        return "The process cannot access the file because it is being used by another process.";
    case FileError::NotEmpty:
        return "The directory is not empty.";
    case FileError::Exists:
        return "Cannot create a file when that file already exists.";
    case FileError::Other:
        break;
    }
    return "The operation failed.";
}

} // namespace veridon
