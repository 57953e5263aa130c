// "createtank": the tank of drive mode and the camera that follows it.

#include "entities/Camera.h"
#include "entities/EntityList.h"
#include "entities/Tank.h"
#include "landscape/Landscape.h"
#include "tests/directives/DirectiveTestKit.h"

#include <gtest/gtest.h>

TEST(TankDirective, LatestCameraFollowsTheNewTankAndItsAim) {
    TempWorkingDirectory folder;
    DirectiveScript script;
    runScriptText(script, folder, "createcamera\ncreatetank\n");
    auto* tank = dynamic_cast<Tank*>(findFirstOfType(*currentLandscape, TankType));
    auto* camera = dynamic_cast<Camera*>(findFirstOfType(*currentLandscape, CameraType));
    ASSERT_TRUE(tank && camera);
    EXPECT_TRUE(tank->position.nearlyEquals(Vector3(782.0f, 90.0f, 735.0f)));
    EXPECT_EQ(camera->followPosition.get(), &tank->position);
    EXPECT_EQ(camera->followAngles.get(), &tank->aimAngles);
    EXPECT_FALSE(camera->lookTarget);

    // Once the tank is gone the camera follows nothing.
    removeEntitiesOfType(*currentLandscape, TankType);
    EXPECT_FALSE(camera->followPosition);
}
