#pragma once

#include "globe/EarthManipulator.h"

#include <utility>

class DataThread;

// The globe's manipulator, kept over the extract: a pan that would carry the focal
// point past the bounds is undone, and after every pan the grid cell under the
// position it produced is reported to the data thread when it changed. Wherever the
// store's cells have a size, the reported cell is the one the store files that
// position under.
class MyEarthManipulator : public globe::EarthManipulator
{
public:
    MyEarthManipulator(DataThread* dataThread, int columnCount, int rowCount, double west, double east,
                       double south, double north);

    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;
    void pan(double dx, double dy) override;
    void zoom(double dx, double dy) override;
    bool handlePointAction(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;
    // Flies to the viewpoint; the cells around where it ends are asked for at once.
    void flyTo(const globe::Viewpoint& viewpoint, double duration);
    // The grid cell (column, row) under the focal point now.
    std::pair<int, int> focalCell() const;

protected:
    ~MyEarthManipulator() override;

private:
    // One axis of the grid: where cell 0 starts and the size of a cell, in degrees.
    struct GridAxis
    {
        double origin;
        double cellSize;
    };
    static GridAxis gridAxis(double low, double high, int cellCount);

    bool outsideBounds(double lon, double lat) const;
    void reportCell(double lon, double lat);

    DataThread* dataThread;
    double west;
    double south;
    double east;
    double north;
    // Distance kept from the bounds, in degrees.
    const double margin;
    const GridAxis columns;
    const GridAxis rows;
    int lastColumn;
    int lastRow;
};
