#include "engine/DefinitionMembers.h"
#include "support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace veridon;

namespace {

TEST(DefinitionMembers, ShippedDefinitionsLoadAndFindTheTestFile)
{
    SignatureSets sets;
    sets.load(definitionMemberReader(VERIDON_TEST_PROGRAM_DIR));
    ASSERT_TRUE(sets.buildHashTables([] { return false; }));
    const int eicar = sets.coreHashes().find("44d88612fea8a8f36de82e1278abb02f");
    ASSERT_GE(eicar, 0);
    EXPECT_EQ(sets.coreHashes().threatName(eicar), "EICAR-Test-File");
    EXPECT_NE(sets.coreVersion(), "0");
}

TEST(DefinitionMembers, FailureNamesTheArchive)
{
    test::TempDir dir;
    ASSERT_TRUE(QFile::copy(VERIDON_TEST_PROGRAM_DIR "/Core.def", dir.file("Core.def")));
    SignatureSets sets;
    try {
        sets.load(definitionMemberReader(dir.path()));
        FAIL() << "a missing Addition.def must end the load";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Addition.def: Archive file not found");
    }

    dir.write("Addition.def", "not an archive at all, just text of some length");
    EXPECT_THROW(sets.load(definitionMemberReader(dir.path())), std::runtime_error);
}

} // namespace
