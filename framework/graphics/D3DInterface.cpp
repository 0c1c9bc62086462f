// The 3D stand-ins: no 3D device exists here, and the capability test says so.
#include "graphics/D3DInterface.h"

namespace Zest
{

std::atomic<bool> D3DInterface::sDeviceLost{false};

bool D3DInterface::Init(Platform::IDirectDrawSurface*)
{
    mErrorText = "Direct3D is not available";
    return false;
}

void D3DTester::Run()
{
    mFailureText = "3D acceleration is not available on this system";
    mWarningText.clear();
    mResultsChanged = false;
}

} // namespace Zest
