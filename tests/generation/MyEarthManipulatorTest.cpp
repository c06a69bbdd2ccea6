#include "generation/MyEarthManipulator.h"

#include "generation/DataThread.h"
#include "globe/SpatialReference.h"

#include <gtest/gtest.h>
#include <osg/Math>

#include <climits>

namespace
{
using Cells = std::vector<std::pair<int, int>>;

// 10 x 5 cells of 0.02 degrees over 13.0-13.2 E, 52.0-52.1 N.
const double west = 13.0, east = 13.2, south = 52.0, north = 52.1;
const double range = 1000.0;
// The base manipulator moves the focal point 0.3 range per unit of pan, against it.
const double metresPerPanUnit = -0.3 * range;

class MyEarthManipulatorTest : public ::testing::Test
{
protected:
    // One cell queued per report, which replaces the one before: collected after each pan.
    MyEarthManipulatorTest()
        : thread(nullptr, new NodeHandover, 1),
          manipulator(new MyEarthManipulator(&thread, 10, 5, west, east, south, north))
    {
    }

    void useGrid(int columnCount, int rowCount, double gridWest, double gridEast, double gridSouth, double gridNorth)
    {
        manipulator = new MyEarthManipulator(&thread, columnCount, rowCount, gridWest, gridEast, gridSouth, gridNorth);
        collected.clear();
    }

    void lookAt(double lon, double lat) { manipulator->setViewpoint(globe::Viewpoint(lon, lat, 0.0, 0.0, -90.0, range)); }

    // Pans (looking north, straight down) so that the focal point moves to (lon, lat).
    void panTo(double lon, double lat)
    {
        const globe::Viewpoint from = manipulator->getViewpoint();
        const osg::EllipsoidModel& ellipsoid = *globe::SpatialReference::get("wgs84")->getEllipsoid();
        osg::Matrixd localToWorld;
        ellipsoid.computeLocalToWorldTransformFromLatLongHeight(osg::DegreesToRadians(from.y()),
                                                                osg::DegreesToRadians(from.x()), 0.0, localToWorld);
        osg::Vec3d target;
        ellipsoid.convertLatLongHeightToXYZ(osg::DegreesToRadians(lat), osg::DegreesToRadians(lon), 0.0, target.x(),
                                            target.y(), target.z());
        const osg::Vec3d local = target * osg::Matrixd::inverse(localToWorld);
        manipulator->pan(local.x() / metresPerPanUnit, local.y() / metresPerPanUnit);
        collectReport();
    }

    void collectReport()
    {
        if (thread.workList.empty())
            return;
        collected.push_back(DataThread::unpackCell(thread.workList.back()));
        thread.workList.clear();
    }

    void expectFocalPoint(double lon, double lat)
    {
        EXPECT_NEAR(manipulator->getViewpoint().x(), lon, 1e-4);
        EXPECT_NEAR(manipulator->getViewpoint().y(), lat, 1e-4);
    }

    Cells reports()
    {
        collectReport();
        return collected;
    }

    DataThread thread;
    osg::ref_ptr<MyEarthManipulator> manipulator;
    Cells collected;
};

TEST_F(MyEarthManipulatorTest, PansStayInsideTheBoundsAndReportTheCellTheyReached)
{
    lookAt(13.1, 52.05);
    panTo(13.13, 52.05);
    expectFocalPoint(13.13, 52.05);

    struct Crossing
    {
        const char* bound;
        double fromLon, fromLat, toLon, toLat;
        std::pair<int, int> reported;
    };
    // Reported from the position the pan produced, as the store counts cells: one
    // column past the grid in the east, column -1 less than a cell west of the bound.
    const Crossing crossings[] = {
        {"east", 13.19, 52.05, 13.21, 52.05, {10, 2}},    {"west", 13.01, 52.05, 12.99, 52.05, {-1, 2}},
        {"far west", 13.01, 52.05, 12.97, 52.05, {-2, 2}}, {"north", 13.11, 52.09, 13.11, 52.11, {5, 5}},
        {"south", 13.11, 52.01, 13.11, 51.99, {5, -1}},     {"north-east corner", 13.19, 52.09, 13.21, 52.11, {10, 5}},
    };
    Cells expected = {{6, 2}};
    for (const Crossing& crossing : crossings)
    {
        SCOPED_TRACE(crossing.bound);
        lookAt(crossing.fromLon, crossing.fromLat);
        const globe::Viewpoint before = manipulator->getViewpoint();
        panTo(crossing.toLon, crossing.toLat);
        const globe::Viewpoint after = manipulator->getViewpoint();
        EXPECT_DOUBLE_EQ(after.x(), before.x());
        EXPECT_DOUBLE_EQ(after.y(), before.y());
        EXPECT_DOUBLE_EQ(after.z(), before.z());
        EXPECT_DOUBLE_EQ(after.getRange(), before.getRange());
        EXPECT_DOUBLE_EQ(after.getPitch(), before.getPitch());
        expected.push_back(crossing.reported);
    }
    EXPECT_EQ(reports(), expected);
}

TEST_F(MyEarthManipulatorTest, ReportsOnlyWhenThePanChangesTheCell)
{
    lookAt(13.101, 52.05);
    EXPECT_TRUE(reports().empty());
    // The first pan reports even a cell that nobody left.
    panTo(13.105, 52.05);
    EXPECT_EQ(reports(), (Cells{{5, 2}}));
    panTo(13.115, 52.055);
    EXPECT_EQ(reports(), (Cells{{5, 2}}));
    panTo(13.125, 52.055);
    panTo(13.135, 52.05);
    EXPECT_EQ(reports(), (Cells{{5, 2}, {6, 2}}));
    panTo(13.11, 52.05);
    EXPECT_EQ(reports(), (Cells{{5, 2}, {6, 2}, {5, 2}}));

    // Other movements report nothing.
    manipulator->zoom(0.0, 0.5);
    manipulator->rotate(0.3, 0.1);
    EXPECT_EQ(reports().size(), 3u);
}

// Buildings on one meridian or one parallel (or a single node) give an extent of no
// width or height, whose cells the store cannot divide by.
TEST_F(MyEarthManipulatorTest, ExtentsOfNoWidthOrHeightReportCellsInRange)
{
    useGrid(1, 5, 13.1, 13.1, south, north);
    lookAt(13.1, 52.05);
    panTo(13.1, 52.07);
    panTo(13.112, 52.07);
    panTo(13.088, 52.07);
    const Cells meridian = reports();
    ASSERT_EQ(meridian.size(), 3u);
    EXPECT_EQ(meridian[0], std::make_pair(0, 3));
    // The line lies in the middle of cell 0: equal pans either side go equally far.
    EXPECT_GT(meridian[1].first, 0);
    EXPECT_EQ(meridian[2], std::make_pair(-meridian[1].first, 3));

    useGrid(10, 1, west, east, 52.05, 52.05);
    lookAt(13.11, 52.05);
    panTo(13.13, 52.05);
    EXPECT_EQ(reports(), (Cells{{6, 0}}));

    // A column a trillionth of a degree wide: pans off it pass more cells than an int counts.
    useGrid(1, 5, 13.1, 13.1 + 1e-12, south, north);
    lookAt(13.1, 52.05);
    panTo(13.11, 52.05);
    panTo(13.09, 52.05);
    EXPECT_EQ(reports(), (Cells{{INT_MAX, 2}, {INT_MIN, 2}}));
}
} // namespace
