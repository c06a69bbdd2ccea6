#include "app/AppSettings.h"
#include "app/SceneOrigin.h"

#include <gtest/gtest.h>

#include <osg/Matrixd>

TEST(SettingsTest, DefaultsHoldBeforeAnyDialogIsConfirmed)
{
    AppSettings& settings = appSettings();
    EXPECT_EQ(&settings, &appSettings());
    EXPECT_EQ(settings.maxGridCells.load(), 572);
    EXPECT_EQ(settings.cellRange.load(), 5);
    EXPECT_EQ(settings.gridSize.load(), 0.005);
    EXPECT_EQ(settings.osmPath, "potsdam.osm");
    EXPECT_EQ(settings.terrainPath, "potsdam.tif");
}

TEST(SettingsTest, SceneOriginStartsAsIdentityAndIsHandedOutAsCopy)
{
    EXPECT_TRUE(sceneOriginMatrix().isIdentity());

    const osg::Matrixd saved = sceneOrigin;
    sceneOrigin = osg::Matrixd::translate(1.0, 2.0, 3.0);
    osg::Matrixd copy = sceneOriginMatrix();
    EXPECT_EQ(copy, sceneOrigin);
    copy.makeIdentity();
    EXPECT_EQ(sceneOriginMatrix(), osg::Matrixd::translate(1.0, 2.0, 3.0));
    sceneOrigin = saved;
}
