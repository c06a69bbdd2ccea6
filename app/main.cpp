#include "app/MainWindow.h"
#include "app/OrvalisApplication.h"
#include "app/SceneContext.h"

#include <QStringList>
#include <QTimer>
#include <osgDB/Registry>

namespace {

// The shaders travel beside the program, so they are found from any working directory.
void addProgramDataPaths(const QString& programDir)
{
    osgDB::FilePathList& paths = osgDB::Registry::instance()->getDataFilePathList();
    paths.push_back(programDir.toStdString());
    paths.push_back((programDir + "/shaders").toStdString());
}

} // namespace

// orvalis [OSM_FILE [TERRAIN_FILE]]
int main(int argc, char** argv)
{
    OrvalisApplication application(argc, argv);
    // Where QSettings keeps the recent files.
    QCoreApplication::setOrganizationName("Orvalis");
    QCoreApplication::setApplicationName("Orvalis");
    application.setShowsErrors(true);
    addProgramDataPaths(QCoreApplication::applicationDirPath());

    // Both live until the process ends.
    auto* sceneContext = new SceneContext;
    auto* window = new MainWindow(sceneContext);
    window->show();

    // The data thread must end before anything it uses goes with the process.
    QObject::connect(&application, &QCoreApplication::aboutToQuit, window, &MainWindow::releaseScene);

    // Taken from inside the event loop, so that a file that fails to load is
    // reported like one chosen in the dialog.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        const std::string osmPath = arguments.at(1).toStdString();
        const std::string terrainPath = arguments.size() > 2 ? arguments.at(2).toStdString() : std::string();
        QTimer::singleShot(0, window, [window, osmPath, terrainPath] { window->setInputFiles(osmPath, terrainPath); });
    }

    return application.exec();
}
