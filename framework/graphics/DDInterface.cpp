// Zest::DDInterface: display initialisation, pixel-format tables, the screen image, presents and the cursor.
#include "graphics/DDInterface.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "base/Common.h"
#include "graphics/DDImage.h"
#include "platform/Clock.h"
#include "platform/Modules.h"

namespace Zest
{

using namespace Platform;

std::atomic<bool> standardChannelOrder{true};

namespace
{
// Present rectangles and surfaces meet as Platform rectangles.
RECT ToRECT(const Rect& r)
{
    return RECT{r.mX, r.mY, r.mX + r.mWidth, r.mY + r.mHeight};
}

// Beam-timed presents give up after this long.
constexpr uint32_t kBeamDeadlineMs = 200;
} // namespace

DDInterface::DDInterface(DisplayApp* app) : mApp(app), mD3DInterface(std::make_unique<D3DInterface>())
{
    RegisterDisplayModule();
    if (ModuleHandle module = LoadLibrary("ddraw.dll"))
    {
        GetProcAddress(module, "DirectDrawCreate", mDirectDrawCreate);
        GetProcAddress(module, "DirectDrawCreateEx", mDirectDrawCreateEx);
        FreeLibrary(module);
    }
}

DDInterface::~DDInterface()
{
    Cleanup();
}

std::string DDInterface::ResultToString(int result)
{
    switch (result)
    {
    case RESULT_OK:
        return "RESULT_OK";
    case RESULT_FAIL:
        return "RESULT_FAIL";
    case RESULT_DD_CREATE_FAIL:
        return "RESULT_DD_CREATE_FAIL";
    case RESULT_SURFACE_FAIL:
        return "RESULT_SURFACE_FAIL";
    case RESULT_EXCLUSIVE_FAIL:
        return "RESULT_EXCLUSIVE_FAIL";
    case RESULT_DISPCHANGE_FAIL:
        return "RESULT_DISPCHANGE_FAIL";
    case RESULT_INVALID_COLORDEPTH:
        return "RESULT_INVALID_COLORDEPTH";
    default:
        return "RESULT_UNKNOWN";
    }
}

// The draw surface of the display size and the clipper that binds the primary to the window; the step texts
// name the mode ("FullScreen" or "Windowed").
int DDInterface::CreateDrawSurfaceAndClipper(HWND window, const char* mode)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = kSurfaceDesc2Size;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = uint32_t(mWidth);
    desc.dwHeight = uint32_t(mHeight);
    desc.ddsCaps.dwCaps = mIs3D ? DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY
                                : DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    HRESULT result = CreateSurface(&desc, &mDrawSurface);
    if (result != DD_OK)
        return Fail((std::string("CreateSurface ") + mode + " DrawSurface").c_str(), result, RESULT_SURFACE_FAIL);
    IDirectDrawClipper* clipper = nullptr;
    result = mDD->CreateClipper(0, &clipper, nullptr);
    if (result != DD_OK) return Fail((std::string("CreateClipper ") + mode).c_str(), result, RESULT_FAIL);
    if (clipper->SetHWnd(0, window) == DD_OK) mPrimarySurface->SetClipper(clipper);
    clipper->Release();
    return RESULT_OK;
}

int DDInterface::Fail(const char* step, HRESULT result, int code)
{
    mErrorString = FormatString("%s: %s", step, DirectXErrorName(result).c_str());
    return code;
}

HRESULT DDInterface::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface** surface)
{
    std::lock_guard guard(mCritSect);
    *surface = nullptr;
    if (!mDD) return DDERR_NOTINITIALIZED;
    HRESULT result;
    if (mDD7)
    {
        IDirectDrawSurface7* surface7 = nullptr;
        result = mDD7->CreateSurface(desc, &surface7, nullptr);
        if (result == DD_OK)
        {
            void* first = nullptr;
            result = surface7->QueryInterface(IID_IDirectDrawSurface, &first);
            surface7->Release();
            *surface = static_cast<IDirectDrawSurface*>(first);
        }
    }
    else
    {
        DDSURFACEDESC old;
        old.dwSize = kSurfaceDescSize;
        old.dwFlags = desc->dwFlags;
        old.dwWidth = desc->dwWidth;
        old.dwHeight = desc->dwHeight;
        old.lPitch = desc->lPitch;
        old.dwBackBufferCount = desc->dwBackBufferCount;
        old.ddpfPixelFormat = desc->ddpfPixelFormat;
        old.ddsCaps.dwCaps = desc->ddsCaps.dwCaps;
        result = mDD->CreateSurface(&old, surface, nullptr);
    }
    if (result != DD_OK) return result;
    // The new surface is in the primary's format; anything but 16 or 32 bits is refused.
    IDirectDrawSurface* primary = mPrimarySurface ? mPrimarySurface : *surface;
    DDSURFACEDESC2 primaryDesc;
    primaryDesc.dwSize = kSurfaceDesc2Size;
    primary->GetSurfaceDesc(&primaryDesc);
    const DDPIXELFORMAT& pf = primaryDesc.ddpfPixelFormat;
    if (pf.dwRGBBitCount != 16 && pf.dwRGBBitCount != 32)
    {
        (*surface)->Release();
        *surface = nullptr;
        return DDERR_INVALIDPIXELFORMAT;
    }
    standardChannelOrder = pf.dwRBitMask > pf.dwGBitMask && pf.dwGBitMask > pf.dwBBitMask;
    return DD_OK;
}

void DDInterface::ClearSurface(IDirectDrawSurface* surface)
{
    if (!surface) return;
    DDSURFACEDESC2 desc;
    desc.dwSize = kSurfaceDesc2Size;
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return;
    const size_t row = size_t(desc.dwWidth) * (desc.ddpfPixelFormat.dwRGBBitCount / 8);
    for (uint32_t y = 0; y < desc.dwHeight; ++y)
        std::memset(static_cast<uint8_t*>(desc.lpSurface) + size_t(y) * size_t(desc.lPitch), 0, row);
    surface->Unlock(nullptr);
}

bool DDInterface::Do3DTest(HWND)
{
    if (mD3DTester || !(mApp->mWants3D || mApp->mForce3DTest)) return false;
    mD3DTester = std::make_unique<D3DTester>();
    mD3DTester->SetVideoMemory(mApp->mMinVideoMemoryMB, mApp->mRecommendedVideoMemoryMB);
    mD3DTester->Run();
    const bool failure = !mD3DTester->mFailureText.empty();
    const bool warning = !mD3DTester->mWarningText.empty();
    if (mApp->mWants3D && !failure && !warning) mIs3D = true;
    if (failure || (mD3DTester->mResultsChanged && warning)) mIs3D = false;
    return true;
}

void DDInterface::CreateScreenImage(bool videoMemory)
{
    std::lock_guard guard(mCritSect);
    if (!mDD || !mDrawSurface) return;
    mScreenImageVideoMemory = videoMemory;
    if (!mSecondarySurface)
    {
        DDSURFACEDESC2 desc;
        desc.dwSize = kSurfaceDesc2Size;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = uint32_t(mWidth);
        desc.dwHeight = uint32_t(mHeight);
        desc.ddsCaps.dwCaps = DDSCAPS_VIDEOMEMORY;
        if (CreateSurface(&desc, &mSecondarySurface) != DD_OK) mScreenImageVideoMemory = false;
    }
    mScreenImage.reset();
    auto image = std::make_unique<DDImage>(this);
    image->SetSurface(mScreenImageVideoMemory ? mSecondarySurface : mDrawSurface);
    image->mVideoMemory = mScreenImageVideoMemory;
    image->mNoSoftwareAccess = mScreenImageVideoMemory;
    image->ForceAlphaFlags(false, false);
    mScreenImage = std::move(image);
}

void DDInterface::AddDDImage(DDImage* image)
{
    std::lock_guard guard(mCritSect);
    mDDImageSet.insert(image);
}

void DDInterface::RemoveDDImage(DDImage* image)
{
    std::lock_guard guard(mCritSect);
    mDDImageSet.erase(image);
}

void DDInterface::RemoveImageTextures(MemoryImage* image)
{
    mD3DInterface->RemoveImageTextures(image);
}

void DDInterface::Cleanup()
{
    std::lock_guard guard(mCritSect);
    mInitialized = false;
    mD3DInterface->ReleaseAll();
    mOldCursorAreaImage.reset();
    mNewCursorAreaImage.reset();
    if (mOldCursorArea) mOldCursorArea->Release();
    if (mNewCursorArea) mNewCursorArea->Release();
    mOldCursorArea = mNewCursorArea = nullptr;
    mCursorDrawn = false;
    mScreenImage.reset();
    // Surfaces of the old device must not outlive it inside images: read them back and let them go.
    for (DDImage* image : std::vector<DDImage*>(mDDImageSet.begin(), mDDImageSet.end())) image->DropSurfaceForDevice();
    if (mDrawSurface) mDrawSurface->Release();
    if (mSecondarySurface) mSecondarySurface->Release();
    if (mPrimarySurface) mPrimarySurface->Release();
    mDrawSurface = mSecondarySurface = mPrimarySurface = nullptr;
    if (mDD)
    {
        mDD->SetCooperativeLevel(mHWnd, DDSCL_NORMAL);
        mDD->Release();
        mDD = nullptr;
    }
    if (mDD7)
    {
        mDD7->Release();
        mDD7 = nullptr;
    }
}

int DDInterface::Init(HWND window, bool windowed)
{
    std::lock_guard guard(mCritSect);
    mInitialized = false;
    mPresentedSinceInit = false;
    Cleanup();

    HRESULT result = DD_OK;
    if (mDirectDrawCreateEx)
    {
        void* dd7 = nullptr;
        result = mDirectDrawCreateEx(nullptr, &dd7, IID_IDirectDraw7, nullptr);
        if (result != DD_OK) return Fail("DirectDrawCreateEx", result, RESULT_DD_CREATE_FAIL);
        mDD7 = static_cast<IDirectDraw7*>(dd7);
        void* dd = nullptr;
        result = mDD7->QueryInterface(IID_IDirectDraw, &dd);
        if (result != DD_OK) return Fail("QueryrInterface IID_IDirectDraw", result, RESULT_DD_CREATE_FAIL);
        mDD = static_cast<IDirectDraw*>(dd);
    }
    else if (mDirectDrawCreate)
    {
        result = mDirectDrawCreate(nullptr, &mDD, nullptr);
    }
    else
    {
        result = DDERR_NOTINITIALIZED;
    }

    if (Do3DTest(window) && mD3DTester->mResultsChanged) mApp->Report3DTestOutcome();

    mHWnd = window;
    mIsWindowed = windowed;
    mWidth = mApp->mWidth;
    mHeight = mApp->mHeight;
    mAspect.Set(mWidth, mHeight);
    mDesktopWidth = GetSystemMetrics(SM_CXSCREEN);
    mDesktopHeight = GetSystemMetrics(SM_CYSCREEN);
    mDesktopAspect.Set(mDesktopWidth, mDesktopHeight);
    mDisplayWidth = mWidth;
    mDisplayHeight = mHeight;
    mDisplayAspect = mAspect;
    mIsAspectCorrected = false;
    mPresentationRect = Rect(0, 0, mWidth, mHeight);
    mApp->mScreenBounds = mPresentationRect;
    mDisplayBitsPerPixel = mApp->mColorDepth;
    OutputDebug("Application requests %4lu x %4lu [%2d:%2d]\n", (unsigned long)mWidth, (unsigned long)mHeight,
                mAspect.mNumerator, mAspect.mDenominator);

    if (!mDD) return Fail("DirectDrawCreate", result, RESULT_DD_CREATE_FAIL);

    DDSURFACEDESC2 desc;
    if (!windowed)
    {
        OutputDebug("Desktop is           %4lu x %4lu [%2d:%2d]\n", (unsigned long)mDesktopWidth,
                    (unsigned long)mDesktopHeight, mDesktopAspect.mNumerator, mDesktopAspect.mDenominator);
        if (mIs3D && mDesktopAspect.IsWider(mAspect))
        {
            mDisplayWidth = mDesktopWidth;
            mDisplayHeight = mDesktopHeight;
            mDisplayAspect = mDesktopAspect;
            mIsAspectCorrected = true;
            if (!mApp->mStretchToWide)
            {
                const int w = mWidth * mDesktopHeight / mHeight;
                mPresentationRect = Rect((mDesktopWidth - w) / 2, 0, w, mDesktopHeight);
            }
            else
            {
                mAspect = mDesktopAspect;
                mWidth = mAspect.mNumerator * mHeight / mAspect.mDenominator;
                mPresentationRect = Rect(0, 0, mDesktopWidth, mDesktopHeight);
            }
        }
        OutputDebug("Display is           %4lu x %4lu [%2d:%2d]\n", (unsigned long)mDisplayWidth,
                    (unsigned long)mDisplayHeight, mDisplayAspect.mNumerator, mDisplayAspect.mDenominator);

        result = mDD->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
        if (result != DD_OK) return Fail("SetCooperativeLevel FullScreen", result, RESULT_EXCLUSIVE_FAIL);
        result = mDD->SetDisplayMode(uint32_t(mDisplayWidth), uint32_t(mDisplayHeight), uint32_t(mDisplayBitsPerPixel));
        if (result != DD_OK) return Fail("SetDisplayMode FullScreen", result, RESULT_DISPCHANGE_FAIL);

        desc = DDSURFACEDESC2{};
        desc.dwSize = kSurfaceDesc2Size;
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | (mIs3D ? DDSCAPS_3DDEVICE : 0);
        desc.dwBackBufferCount = 1;
        result = CreateSurface(&desc, &mPrimarySurface);
        if (result != DD_OK) return Fail("CreateSurface FullScreen Primary", result, RESULT_SURFACE_FAIL);
        DDSCAPS caps{DDSCAPS_BACKBUFFER};
        result = mPrimarySurface->GetAttachedSurface(&caps, &mSecondarySurface);
        if (result != DD_OK) return Fail("GetAttachedSurface", result, RESULT_SURFACE_FAIL);
        if (mIsAspectCorrected)
        {
            ClearSurface(mPrimarySurface);
            ClearSurface(mSecondarySurface);
        }
        if (const int code = CreateDrawSurfaceAndClipper(window, "FullScreen"); code != RESULT_OK) return code;
        if (!mApp->mUseFlip) mDD->FlipToGDISurface();
    }
    else
    {
        OutputDebug("Hack aspect is                   [%2d:%2d]\n", mApp->mWindowAspect.mNumerator,
                    mApp->mWindowAspect.mDenominator);
        if (mApp->mForceWindowAspect && mApp->mWindowAspect.IsWider(mAspect))
        {
            mIsAspectCorrected = true;
            mDisplayWidth = mApp->mWindowAspect.mNumerator * mHeight / mApp->mWindowAspect.mDenominator;
            mDisplayHeight = mHeight;
            mDisplayAspect = mApp->mWindowAspect;
            if (window)
            {
                // Widen the window about its centre (our windows are client-sized, so no frame adjustment).
                POINT origin;
                window->ClientToScreen(origin);
                const int left = std::max(0, origin.x - (mDisplayWidth - mWidth) / 2);
                const int top = std::max(0, origin.y - (mDisplayHeight - mHeight) / 2);
                window->MoveClient(left, top, mDisplayWidth, mDisplayHeight);
            }
            if (!mApp->mStretchToWide)
            {
                mPresentationRect = Rect((mDisplayWidth - mWidth) / 2, 0, mWidth, mHeight);
            }
            else
            {
                mWidth = mDisplayWidth;
                mHeight = mDisplayHeight;
                mAspect = mDisplayAspect;
                mPresentationRect = Rect(0, 0, mDisplayWidth, mDisplayHeight);
            }
        }
        OutputDebug("Window is            %4lu x %4lu [%2d:%2d]\n", (unsigned long)mDisplayWidth,
                    (unsigned long)mDisplayHeight, mDisplayAspect.mNumerator, mDisplayAspect.mDenominator);
        mDD->SetCooperativeLevel(window, DDSCL_NORMAL);

        desc = DDSURFACEDESC2{};
        desc.dwSize = kSurfaceDesc2Size;
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | (mIs3D ? DDSCAPS_3DDEVICE : 0);
        result = CreateSurface(&desc, &mPrimarySurface);
        if (result == DDERR_INVALIDPIXELFORMAT) return RESULT_INVALID_COLORDEPTH;
        if (result != DD_OK) return Fail("CreateSurface Windowed Primary", result, RESULT_SURFACE_FAIL);
        if (const int code = CreateDrawSurfaceAndClipper(window, "Windowed"); code != RESULT_OK) return code;
    }
    OutputDebug("Draw buffer is       %4lu x %4lu [%2d:%2d]\n", (unsigned long)mWidth, (unsigned long)mHeight,
                mAspect.mNumerator, mAspect.mDenominator);

    uint32_t hertz = 0;
    result = mDD->GetMonitorFrequency(&hertz);
    if (result != DD_OK || hertz < 60)
    {
        mRefreshRate = 60;
        mApp->mRefreshRateUnknown = true;
    }
    else if (hertz > 100)
    {
        mRefreshRate = 100;
        mApp->mRefreshRateUnknown = true;
    }
    else
    {
        mRefreshRate = int(hertz);
    }
    mMillisecondsPerFrame = 1000 / mRefreshRate;

    const char* areaSteps[2] = {"CreateSurface OldCursorArea", "CreateSurface NewCursorArea"};
    IDirectDrawSurface** areas[2] = {&mOldCursorArea, &mNewCursorArea};
    std::unique_ptr<DDImage>* areaImages[2] = {&mOldCursorAreaImage, &mNewCursorAreaImage};
    for (int i = 0; i < 2; ++i)
    {
        desc = DDSURFACEDESC2{};
        desc.dwSize = kSurfaceDesc2Size;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = uint32_t(mCursorWidth);
        desc.dwHeight = uint32_t(mCursorHeight);
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        result = CreateSurface(&desc, areas[i]);
        if (result != DD_OK) return Fail(areaSteps[i], result, RESULT_SURFACE_FAIL);
        auto image = std::make_unique<DDImage>(this);
        image->SetSurface(*areas[i]);
        image->ForceAlphaFlags(false, false);
        *areaImages[i] = std::move(image);
    }

    DDSURFACEDESC2 primaryDesc;
    primaryDesc.dwSize = kSurfaceDesc2Size;
    mPrimarySurface->GetSurfaceDesc(&primaryDesc);
    const DDPIXELFORMAT& pf = primaryDesc.ddpfPixelFormat;
    if (pf.dwRGBBitCount != 16 && pf.dwRGBBitCount != 32) return RESULT_INVALID_COLORDEPTH;
    SetPixelFormat(int(pf.dwRGBBitCount), pf.dwRBitMask, pf.dwGBitMask, pf.dwBBitMask);

    struct Channel
    {
        int width;
        uint32_t mask;
        std::unique_ptr<int[]>* add;
        int* addSize;
        uint32_t* conv;
    };
    const Channel channels[3] = {
        {mRedWidth, uint32_t(mRedMask), &mRedAddTable, &mRedAddTableSize, mRedConvTable},
        {mGreenWidth, uint32_t(mGreenMask), &mGreenAddTable, &mGreenAddTableSize, mGreenConvTable},
        {mBlueWidth, uint32_t(mBlueMask), &mBlueAddTable, &mBlueAddTableSize, mBlueConvTable}};
    for (const Channel& c : channels)
    {
        // Saturation: the sum of two channel values clamps to the channel's maximum.
        const int max = (1 << c.width) - 1;
        *c.addSize = 2 * (1 << c.width) - 1;
        *c.add = std::make_unique<int[]>(size_t(*c.addSize));
        for (int i = 0; i < *c.addSize; ++i) (*c.add)[i] = std::min(i, max);
        for (uint32_t i = 0; i < 256; ++i) c.conv[i] = uint32_t((uint64_t(i) * c.mask) / 255) & c.mask;
    }

    CreateScreenImage(mScreenImageVideoMemory);

    if (mIs3D && !mD3DInterface->Init(mDrawSurface))
    {
        mErrorString = "3D init error: " + mD3DInterface->GetErrorText();
        return RESULT_3D_FAIL;
    }
    ++mInitCount;
    mInitialized = true;
    return RESULT_OK;
}

bool DDInterface::CursorAreaOn(IDirectDrawSurface* surface, int x, int y, RECT& onSurface, RECT& inArea)
{
    DDSURFACEDESC2 desc;
    desc.dwSize = kSurfaceDesc2Size;
    if (!surface || surface->GetSurfaceDesc(&desc) != DD_OK) return false;
    onSurface = RECT{std::max(x, 0), std::max(y, 0), std::min(x + mCursorWidth, int(desc.dwWidth)),
                     std::min(y + mCursorHeight, int(desc.dwHeight))};
    if (onSurface.right <= onSurface.left || onSurface.bottom <= onSurface.top) return false;
    inArea = RECT{onSurface.left - x, onSurface.top - y, onSurface.right - x, onSurface.bottom - y};
    return true;
}

bool DDInterface::DrawCursorTo(IDirectDrawSurface* surface, int offsetX, int offsetY)
{
    if (!mCursorCopy || !mOldCursorArea || !mNewCursorArea || !mNewCursorAreaImage) return false;
    const int x = mCursorX + offsetX, y = mCursorY + offsetY;
    RECT onSurface, inArea;
    if (!CursorAreaOn(surface, x, y, onSurface, inArea)) return false;
    // Save what lies under the cursor, compose the cursor over a copy of it, and put the copy in place.
    if (mOldCursorArea->Blt(&inArea, surface, &onSurface, DDBLT_WAIT, nullptr) != DD_OK) return false;
    if (mNewCursorArea->Blt(&inArea, mOldCursorArea, &inArea, DDBLT_WAIT, nullptr) != DD_OK) return false;
    const Rect cursorRect(0, 0, mCursorCopy->GetWidth(), mCursorCopy->GetHeight());
    const Rect within =
        cursorRect.Intersection(Rect(inArea.left, inArea.top, inArea.right - inArea.left, inArea.bottom - inArea.top));
    if (!within.IsEmpty()) mNewCursorAreaImage->Blt(mCursorCopy.get(), within.mX, within.mY, within, Color::White, 0);
    if (surface->Blt(&onSurface, mNewCursorArea, &inArea, DDBLT_WAIT, nullptr) != DD_OK) return false;
    mCursorRestoreX = x;
    mCursorRestoreY = y;
    mCursorDrawnX = mCursorX;
    mCursorDrawnY = mCursorY;
    return true;
}

void DDInterface::RestoreCursorArea(IDirectDrawSurface* surface)
{
    std::lock_guard guard(mCritSect);
    RECT onSurface, inArea;
    if (!mOldCursorArea || !CursorAreaOn(surface, mCursorRestoreX, mCursorRestoreY, onSurface, inArea)) return;
    surface->Blt(&onSurface, mOldCursorArea, &inArea, DDBLT_WAIT, nullptr);
}

bool DDInterface::SetCursorImage(Image* image)
{
    std::lock_guard guard(mCritSect);
    if (image == mCursorImage) return false;
    mCursorImage = image;
    mHasCursorImage = image != nullptr;
    mCursorCopy.reset();
    if (auto* source = dynamic_cast<MemoryImage*>(image))
    {
        // A private copy: the cursor thread must never read an image the main thread may change or free.
        auto copy = std::make_unique<MemoryImage>(nullptr);
        copy->SetBits(source->GetBits(), source->GetWidth(), source->GetHeight());
        mCursorCopy = std::move(copy);
    }
    return true;
}

void DDInterface::SetCursorPos(int x, int y)
{
    mCursorX = x;
    mCursorY = y;
    if (mPresentUnderway) return;
    // The cursor thread never waits for the main thread: a busy display skips this move.
    std::unique_lock guard(mCritSect, std::try_to_lock);
    if (!guard.owns_lock() || !mInitialized || !mPrimarySurface || mPresentUnderway) return;
    int offsetX = 0, offsetY = 0;
    if (mIsWindowed && mHWnd)
    {
        POINT origin;
        mHWnd->ClientToScreen(origin);
        offsetX = origin.x;
        offsetY = origin.y;
    }
    if (mCursorDrawn) RestoreCursorArea(mPrimarySurface);
    mCursorDrawn = DrawCursorTo(mPrimarySurface, offsetX, offsetY);
}

HRESULT DDInterface::PresentWindowed(const RECT& src, const RECT& dest)
{
    const bool synchronised = mApp->mSyncDrawing && !mApp->mSuspended;
    if (!synchronised)
        return mPrimarySurface->Blt(const_cast<RECT*>(&dest), mDrawSurface, const_cast<RECT*>(&src), DDBLT_WAIT,
                                    nullptr);
    if (mScanLineFailCount < 3)
    {
        // Blit the upper half once the beam has passed it, the lower half once the beam has left the picture.
        const uint32_t start = GetTickCount();
        const int middle = dest.top + mApp->mHeight / 2;
        const int half = (dest.bottom - dest.top) / 2;
        RECT srcTop = src, destTop = dest, srcBottom = src, destBottom = dest;
        srcTop.bottom = src.top + half;
        destTop.bottom = dest.top + half;
        srcBottom.top = srcTop.bottom;
        destBottom.top = destTop.bottom;
        bool seenAbove = false;
        bool failed = false;
        int stage = 0; // 0: waiting for the middle, 1: upper half done, waiting for the bottom
        uint32_t lastLine = 0;
        while (!failed)
        {
            if (GetTickCount() - start >= kBeamDeadlineMs)
            {
                failed = true;
                break;
            }
            uint32_t line = 0;
            const HRESULT r = mDD->GetScanLine(&line);
            const bool blank = r == DDERR_VERTICALBLANKINPROGRESS;
            if (r != DD_OK && !blank)
            {
                failed = true;
                break;
            }
            if (stage == 0)
            {
                if (!blank && int(line) < middle)
                    seenAbove = true;
                else if (seenAbove && (blank || int(line) >= middle || int(line) >= mApp->mHeight))
                {
                    if (half > 0) mPrimarySurface->Blt(&destTop, mDrawSurface, &srcTop, DDBLT_WAIT, nullptr);
                    stage = 1;
                    lastLine = blank ? 0 : line;
                    continue;
                }
            }
            else
            {
                if (blank || int(line) >= dest.bottom || line < lastLine)
                {
                    mScanLineFailCount = 0;
                    return mPrimarySurface->Blt(&destBottom, mDrawSurface, &srcBottom, DDBLT_WAIT, nullptr);
                }
                lastLine = line;
            }
            Sleep(1);
        }
        ++mScanLineFailCount;
    }
    mDD->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    return mPrimarySurface->Blt(const_cast<RECT*>(&dest), mDrawSurface, const_cast<RECT*>(&src), DDBLT_WAIT, nullptr);
}

bool DDInterface::Redraw(const Rect* rect)
{
    std::lock_guard guard(mCritSect);
    if (!mInitialized) return false;
    mPresentUnderway = true;
    struct ClearOnExit
    {
        std::atomic<bool>& flag;
        ~ClearOnExit() { flag = false; }
    } clearOnExit{mPresentUnderway};

    RECT src, dest;
    if (!rect || mIsAspectCorrected)
    {
        src = RECT{0, 0, mWidth, mHeight};
        dest = ToRECT(mPresentationRect);
    }
    else
    {
        // Only the part of the caller's rectangle that lies on the draw surface can be presented.
        const Rect cut = rect->Intersection(Rect(0, 0, mWidth, mHeight));
        if (cut.IsEmpty()) return true;
        src = dest = ToRECT(cut);
    }
    if (mIsWindowed && mHWnd)
    {
        POINT origin;
        mHWnd->ClientToScreen(origin);
        dest.left += origin.x;
        dest.right += origin.x;
        dest.top += origin.y;
        dest.bottom += origin.y;
    }
    DDSURFACEDESC2 desc;
    desc.dwSize = kSurfaceDesc2Size;
    if (mDrawSurface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) == DD_OK)
        mDrawSurface->Unlock(nullptr);

    // Changes vouched for by the caller, for a present of the whole picture only.
    const bool hinted = mChangeHinted && src.left == 0 && src.top == 0 && src.right == mWidth && src.bottom == mHeight;
    mChangeHinted = false;
    auto hint = [&]()
    {
        if (!hinted) return;
        std::vector<RECT> rects;
        rects.reserve(mChangeHint.size());
        for (const Rect& r : mChangeHint) rects.push_back(ToRECT(r));
        HintPresentChanges(mDrawSurface, rects.data(), rects.size());
    };

    HRESULT result;
    const char* step;
    mCursorDrawn = false;
    Image* const cursorImage = mCursorImage;
    const int cursorX = mCursorX, cursorY = mCursorY;
    if (!mIsWindowed)
    {
        if (mApp->mUseFlip && !mApp->mBlitOnly)
        {
            hint();
            if (!mScreenImageVideoMemory) mSecondarySurface->Blt(&dest, mDrawSurface, &src, DDBLT_WAIT, nullptr);
            mCursorDrawn = DrawCursorTo(mSecondarySurface, 0, 0);
            step = "Redraw FullScreen Flip";
            result = mPrimarySurface->Flip(nullptr, DDFLIP_WAIT);
        }
        else
        {
            step = "Redraw FullScreen Blt";
            result = mPrimarySurface->Blt(&dest, mDrawSurface, &src, DDBLT_WAIT, nullptr);
            // The cursor is drawn on top of the presented frame, where the cursor thread can move it.
            if (result == DD_OK) mCursorDrawn = DrawCursorTo(mPrimarySurface, 0, 0);
        }
    }
    else if (!mScreenImageVideoMemory)
    {
        const bool drawn = DrawCursorTo(mDrawSurface, 0, 0);
        step = "Redraw Windowed";
        // A cursor drawn into the picture changed it where nobody said.
        if (!drawn) hint();
        result = PresentWindowed(src, dest);
        if (drawn)
        {
            RestoreCursorArea(mDrawSurface);
            // The saved area now restores the primary, where the presented frame shows the cursor.
            mCursorRestoreX += dest.left - src.left;
            mCursorRestoreY += dest.top - src.top;
            mCursorDrawn = true;
        }
    }
    else
    {
        if (mApp->mSyncDrawing && !mApp->mSuspended) mDD->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
        const bool drawn = DrawCursorTo(mSecondarySurface, 0, 0);
        step = "Redraw Windowed";
        result = mPrimarySurface->Blt(&dest, mSecondarySurface, &src, DDBLT_WAIT, nullptr);
        if (drawn)
        {
            RestoreCursorArea(mSecondarySurface);
            mCursorRestoreX += dest.left - src.left;
            mCursorRestoreY += dest.top - src.top;
            mCursorDrawn = true;
        }
    }
    mLastRedrawResult = result;
    if (result != DD_OK)
    {
        mCursorDrawn = false;
        Fail(step, result, 0);
        return false;
    }
    mPresentedSinceInit = true;
    mPresentedCursorImage = cursorImage;
    mPresentedCursorX = cursorX;
    mPresentedCursorY = cursorY;
    return true;
}

} // namespace Zest
