#include "generation/MyEarthManipulator.h"

#include "generation/DataThread.h"

MyEarthManipulator::MyEarthManipulator(DataThread* dataThread_, int columnCount, int rowCount, double west_,
                                       double east_, double south_, double north_)
    : dataThread(dataThread_), west(west_), south(south_), east(east_), north(north_), margin(0.0),
      cellWidth((east_ - west_) / static_cast<double>(columnCount)),
      cellHeight((north_ - south_) / static_cast<double>(rowCount)), lastColumn(-1), lastRow(-1)
{
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

void MyEarthManipulator::reportCell(double lon, double lat)
{
    const int column = static_cast<int>((lon - west) / cellWidth);
    const int row = static_cast<int>((lat - south) / cellHeight);
    if (column == lastColumn && row == lastRow)
        return;
    lastColumn = column;
    lastRow = row;
    dataThread->setCameraCell(column, row);
}
