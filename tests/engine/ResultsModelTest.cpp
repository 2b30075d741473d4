#include "engine/ResultsModel.h"
#include "support/QtPrinting.h"

#include <gtest/gtest.h>

using namespace veridon;

namespace {

TDetectionRecord detection(const char* object, const char* id)
{
    return TDetectionRecord{"Threat", "File", QString::fromUtf8(object), {}, QString::fromUtf8(id), 2};
}

TEST(ResultsModel, DropsObjectsAlreadyReportedInThisRun)
{
    ResultsModel model;
    model.beginRun({});
    EXPECT_TRUE(model.add(detection("C:\\x\\a.exe", "9-1")));
    EXPECT_FALSE(model.add(detection("C:\\X\\A.EXE", "11-3")));
    ASSERT_EQ(model.rows().size(), 1u);
    EXPECT_EQ(model.rows()[0].caption, "Threat");
    EXPECT_EQ(model.rows()[0].imageIndex, 2);
    EXPECT_TRUE(model.rows()[0].checked);

    // A new run forgets what was seen; rows stay until the owner clears them.
    model.beginRun({});
    EXPECT_TRUE(model.add(detection("C:\\x\\a.exe", "9-1")));
}

TEST(ResultsModel, WhiteListMatchesObjectOrIdCodeAnywhere)
{
    ResultsModel model;
    model.beginRun({"9-12", "c:\\windows\\system32\\good.dll", ""});
    EXPECT_FALSE(model.add(detection("C:\\a.exe", "9-12")));
    EXPECT_FALSE(model.add(detection("C:\\b.exe", "9-120")));
    EXPECT_FALSE(model.add(detection("C:\\WINDOWS\\System32\\GOOD.dll", "2-1")));
    // An empty entry names nothing.
    EXPECT_TRUE(model.add(detection("C:\\c.exe", "9-1")));
    EXPECT_EQ(model.rows().size(), 1u);
}

} // namespace

