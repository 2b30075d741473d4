#pragma once

#include <QString>

namespace veridon {

class Registry;

// What `ReplaceAtRestart` asks for.
enum class RestartMode
{
    Delete = 1, // delete the source at the next start
    Move = 2,   // move the source onto the target at the next start, replacing it
};

inline constexpr char16_t kSessionManagerKey[] =
    u"System\\CurrentControlSet\\Control\\Session Manager";
inline constexpr char16_t kPendingRenames[] = u"PendingFileRenameOperations";

// `ReplaceAtRestart`: MoveFileEx(source, target, MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_DELAY_UNTIL_REBOOT). Appends the pair "\??\source", then "" (delete)
// or "!\??\target" (replace) to PendingFileRenameOperations under HKLM's
// Session Manager key, keeping the pairs already there; the system (Windows, or
// Wine at the prefix's next start) carries them out. Paths are Windows paths.
// False when the registry cannot be written (in a Wine prefix: while Wine runs
// there) or the arguments are unusable.
bool ReplaceAtRestart(Registry& registry, const QString& source, const QString& target,
                      RestartMode mode);

} // namespace veridon
