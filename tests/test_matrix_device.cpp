// Placed objects hand their matrices to a real device. Needs the shared
// graphics fixture; without it there is nothing to run.
#if __has_include("support/graphics_fixture.h")
#include "support/graphics_fixture.h"

#include "lib/Camera.h"

TEST_F(GraphicsTest, PlacedObjectsSendTheWorldAndTheCameraTheView) {
    CMatrix object;
    object.RotateY(30);
    object.Move(1, 2, 3);
    object.SetTransform(Device());
    D3DXMATRIX world;
    Device()->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(world, D3DXMATRIX(object.m_World));

    CCamera camera;
    camera.Move(0, 0, -10);
    camera.SetTransform(Device());
    D3DXMATRIX view;
    Device()->GetTransform(D3DTS_VIEW, &view);
    EXPECT_EQ(view, D3DXMATRIX(camera.m_View));
    EXPECT_EQ(view._43, 10.0f);
    // The camera sets the view, not the world.
    Device()->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(world, D3DXMATRIX(object.m_World));
}
#endif
