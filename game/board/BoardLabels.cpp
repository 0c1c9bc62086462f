// The two moving modes of floating labels: physics (accelerating within velocity limits, bouncing off the side
// walls, falling off the bottom) and bounce (sliding in sideways until settled, then rising off the top).
#include <algorithm>
#include <cmath>

#include "game/board/BoardRecords.h"

namespace Zest
{

namespace
{

constexpr float kRightWall = 730.0f;

// A velocity that has passed its limit turns its acceleration around; a zero limit never does.
void TurnAtLimit(float velocity, float limit, float& accel)
{
    if (limit > 0 && velocity > limit && accel > 0) accel = -accel;
    if (limit < 0 && velocity < limit && accel < 0) accel = -accel;
}

} // namespace

void FloatingLabel::UpdatePhysics()
{
    if (secondDelay > 0)
    {
        --secondDelay;
        return;
    }
    physVx += accelX;
    physVy += accelY;
    TurnAtLimit(physVx, limitX, accelX);
    TurnAtLimit(physVy, limitY, accelY);
    x += physVx;
    if (x < 0)
    {
        x = 0;
        physVx = std::fabs(limitX);
        accelX = -std::fabs(accelX);
    }
    else if (x > kRightWall)
    {
        x = kRightWall;
        physVx = -std::fabs(limitX);
        accelX = std::fabs(accelX);
    }
    y += physVy;
    if (y > 600.0f) done = true;
}

void FloatingLabel::UpdateBounce()
{
    if (secondDelay > 0)
    {
        --secondDelay;
        return;
    }
    if (!settled)
    {
        alpha = std::min(255, alpha + 10);
        physVx += accelX;
        if ((limitX > 0 && physVx > limitX) || (limitX < 0 && physVx < limitX))
        {
            accelX = -accelX;
            physVx = limitX;
            boundHit = true;
        }
        if (boundHit && ((physVx >= 0) == (accelX >= 0))) settled = true;
        x += physVx;
        if (x < 0)
        {
            x = 0;
            boundHit = true;
            physVx = std::fabs(limitX);
            accelX = -std::fabs(accelX);
        }
        else if (x > kRightWall)
        {
            x = kRightWall;
            boundHit = true;
            physVx = -std::fabs(limitX);
            accelX = std::fabs(accelX);
        }
    }
    if (floorVy < physVy) physVy += accelY;
    TurnAtLimit(physVy, limitY, accelY);
    y += physVy;
    if (y < -80.0f)
    {
        done = true;
        y = 1.0f;
    }
}

} // namespace Zest
