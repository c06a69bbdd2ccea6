#include "app/MainWindow.h"
#include "app/OrvalisApplication.h"
#include "app/SceneContext.h"

#include <QStringList>
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
    addProgramDataPaths(QCoreApplication::applicationDirPath());

    // Both live until the process ends.
    auto* sceneContext = new SceneContext;
    auto* window = new MainWindow(sceneContext);
    window->show();

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1)
        window->setInputFiles(arguments.at(1).toStdString(),
                              arguments.size() > 2 ? arguments.at(2).toStdString() : std::string());

    return application.exec();
}
