#include "engine/DefinitionMembers.h"

#include "store/DefinitionArchive.h"
#include "store/TZLBArc2.h"

#include <memory>
#include <stdexcept>

namespace veridon {

MemberReader definitionMemberReader(const QString& programDir)
{
    struct State
    {
        TZLBArc2 archive;
        QString openName;
    };
    auto state = std::make_shared<State>();
    return [state, programDir](const QString& archive, const QString& member) {
        try {
            if (state->openName != archive) {
                state->openName.clear();
                openDefinitionArchive(state->archive, programDir + QLatin1Char('/') + archive);
                state->openName = archive;
            }
            return state->archive.ExtractToMemory(member);
        } catch (const std::exception& e) {
            throw std::runtime_error(archive.toStdString() + ": " + e.what());
        }
    };
}

} // namespace veridon
