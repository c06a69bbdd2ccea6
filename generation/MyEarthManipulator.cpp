#include "generation/MyEarthManipulator.h"

#include "generation/CellRings.h"
#include "generation/DataThread.h"

namespace
{
// In degrees, about the size of a default grid cell.
const double minimumExtent = 0.005;
} // namespace

MyEarthManipulator::MyEarthManipulator(DataThread* dataThread_, int columnCount, int rowCount, double west_,
                                       double east_, double south_, double north_)
    : dataThread(dataThread_), west(west_), south(south_), east(east_), north(north_), margin(0.0),
      columns(gridAxis(west_, east_, columnCount)), rows(gridAxis(south_, north_, rowCount)), lastColumn(-1),
      lastRow(-1)
{
}

// The store divides the extent into equal cells. An extent of no width (one node, or
// nodes on one meridian or parallel) leaves it cells of no width, which hold nothing
// and cannot be divided by; here it is widened about its line instead, so that the
// line lies inside cell 0 and a pan off it reports a cell nearby.
MyEarthManipulator::GridAxis MyEarthManipulator::gridAxis(double low, double high, int cellCount)
{
    const double cellSize = (high - low) / static_cast<double>(cellCount);
    if (cellSize > 0.0)
        return {low, cellSize};
    return {low - minimumExtent / 2.0, minimumExtent / static_cast<double>(cellCount)};
}

MyEarthManipulator::~MyEarthManipulator() = default;

bool MyEarthManipulator::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    return globe::EarthManipulator::handle(ea, aa);
}

void MyEarthManipulator::zoom(double dx, double dy)
{
    globe::EarthManipulator::zoom(dx, dy);
}

bool MyEarthManipulator::handlePointAction(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    return globe::EarthManipulator::handlePointAction(ea, aa);
}

void MyEarthManipulator::pan(double dx, double dy)
{
    const globe::Viewpoint before = getViewpoint();
    globe::EarthManipulator::pan(dx, dy);
    const double lon = getViewpoint().x();
    const double lat = getViewpoint().y();
    if (outsideBounds(lon, lat))
    {
        // Back to where the pan started, at once; heading, pitch and range stay.
        globe::Viewpoint undone = getViewpoint();
        undone.setFocalPoint(before.getFocalPoint());
        setViewpoint(undone, 0.0);
    }
    // The cell of the position the pan produced, even when undone: a pan across the
    // edge still asks for the cells along it.
    reportCell(lon, lat);
}

bool MyEarthManipulator::outsideBounds(double lon, double lat) const
{
    return lon > east - margin || lon < west + margin || lat > north - margin || lat < south + margin;
}

void MyEarthManipulator::flyTo(const globe::Viewpoint& viewpoint, double duration)
{
    setViewpoint(viewpoint, duration);
    reportCell(viewpoint.x(), viewpoint.y());
}

void MyEarthManipulator::reportCell(double lon, double lat)
{
    const int column = cellAlong(lon, columns.origin, columns.cellSize);
    const int row = cellAlong(lat, rows.origin, rows.cellSize);
    if (column == lastColumn && row == lastRow)
        return;
    lastColumn = column;
    lastRow = row;
    dataThread->setCameraCell(column, row);
}

std::pair<int, int> MyEarthManipulator::focalCell() const
{
    const globe::Viewpoint focal = getViewpoint();
    return {cellAlong(focal.x(), columns.origin, columns.cellSize), cellAlong(focal.y(), rows.origin, rows.cellSize)};
}
