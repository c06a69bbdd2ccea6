#include "bench/BenchDisplay.h"

#include "globe/ElevationLayer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <osgDB/Registry>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

void requireDisplay()
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
        throw std::runtime_error("no display to open a window on (run under xvfb-run)");
}

void addShaderPathBesideProgram()
{
    osgDB::Registry::instance()->getDataFilePathList().push_back(
        (QCoreApplication::applicationDirPath() + "/shaders").toStdString());
}

void checkTerrain(const std::string& path)
{
    if (path.empty())
        return;
    osg::ref_ptr<globe::ElevationLayer> layer = new globe::ElevationLayer("SRTM", globe::GDALOptions{path, "gdal"});
    if (!layer->isOpen())
        throw std::runtime_error(layer->getStatus());
}

void waitForExpose(QWidget& widget)
{
    const auto start = std::chrono::steady_clock::now();
    while (!(widget.windowHandle() && widget.windowHandle()->isExposed()))
    {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(10))
            throw std::runtime_error("the viewer window was never shown");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

void runEventLoop(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000.0), &loop, &QEventLoop::quit);
    loop.exec();
}
