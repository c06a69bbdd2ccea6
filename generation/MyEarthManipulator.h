#pragma once

#include "globe/EarthManipulator.h"

class DataThread;

// The globe's manipulator, kept over the extract: a pan that would carry the focal
// point past the bounds is undone, and after every pan the grid cell under the
// position it produced is reported to the data thread when it changed.
class MyEarthManipulator : public globe::EarthManipulator
{
public:
    MyEarthManipulator(DataThread* dataThread, int columnCount, int rowCount, double west, double east,
                       double south, double north);

    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;
    void pan(double dx, double dy) override;
    void zoom(double dx, double dy) override;
    bool handlePointAction(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;

protected:
    ~MyEarthManipulator() override;

private:
    bool outsideBounds(double lon, double lat) const;
    void reportCell(double lon, double lat);

    DataThread* dataThread;
    double west;
    double south;
    double east;
    double north;
    // Distance kept from the bounds, in degrees.
    const double margin;
    double cellWidth;
    double cellHeight;
    int lastColumn;
    int lastRow;
};
