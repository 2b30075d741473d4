#include "platform/OwnPaths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace veridon;

namespace {

// Restores an environment variable when the test ends.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { m_old.empty() ? unsetenv(m_name) : setenv(m_name, m_old.c_str(), 1); }

private:
    const char* m_name;
    std::string m_old;
};

TEST(OwnPaths, OptionBeatsEnvironmentBeatsDefault)
{
    test::TempDir dir;
    const std::string envDir = dir.file("from-env").toStdString();
    ScopedEnv program("VERIDON_PROGRAM_DIR", envDir.c_str());
    ScopedEnv data("VERIDON_DATA_DIR", nullptr);
    ScopedEnv xdg("XDG_CONFIG_HOME", "/tmp/xdg-home");

    const OwnPaths fromEnv = OwnPaths::resolve();
    EXPECT_EQ(fromEnv.programDir, dir.file("from-env"));
    EXPECT_EQ(fromEnv.dataDir, "/tmp/xdg-home/Teliq/Teliq Veridon");

    const OwnPaths fromOption = OwnPaths::resolve(dir.file("opt/../prog/"), dir.file("data"));
    EXPECT_EQ(fromOption.programDir, dir.file("prog"));
    EXPECT_EQ(fromOption.inDataDir("config.ini"), dir.file("data/config.ini"));
}

TEST(OwnPaths, DefaultProgramFolderIsTheExecutablesFolder)
{
    ScopedEnv program("VERIDON_PROGRAM_DIR", nullptr);
    EXPECT_EQ(OwnPaths::resolve().programDir, executableDir());
    EXPECT_TRUE(executableDir().endsWith("/tests"));
}

} // namespace
