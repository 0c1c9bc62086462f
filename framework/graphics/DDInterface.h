// Zest::DDInterface: the display device. It opens the surface layer on the game window, sets the mode in full
// screen, makes the primary, draw, cursor-area surfaces and the screen image, analyses the pixel format into
// the tables the surface routines use, keeps the live surface images, and presents each frame with the software
// cursor on top.
#pragma once

#include <vector>

#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "graphics/D3DInterface.h"
#include "graphics/NativeDisplay.h"
#include "graphics/Ratio.h"
#include "graphics/Rect.h"
#include "platform/Surfaces.h"
#include "platform/Threads.h"

namespace Zest
{

class DDImage;
class Image;
class ImageHost;
class MemoryImage;

// True when the display's blue mask < green mask < red mask; set whenever the display reads a surface
// description. The surface routines pick their fast forms by it.
extern std::atomic<bool> standardChannelOrder;

// What the display device reads and writes of the application object.
class DisplayApp
{
public:
    virtual ~DisplayApp() = default;
    // Called after the 3D test ran with its flag set, so the application can tell the player.
    virtual void Report3DTestOutcome() {}

    ImageHost* mImageHost = nullptr; // the register the display's images join (null: none)
    int mWidth = 800;
    int mHeight = 600;
    int mColorDepth = 32;
    bool mStretchToWide = false;
    bool mForceWindowAspect = false;
    Ratio mWindowAspect{4, 3};
    bool mUseFlip = true;
    bool mBlitOnly = false;
    bool mSyncDrawing = true;
    bool mSuspended = false;
    bool mWants3D = false;
    bool mForce3DTest = false;
    int mMinVideoMemoryMB = 0;
    int mRecommendedVideoMemoryMB = 0;
    bool mRefreshRateUnknown = false;
    Rect mScreenBounds;
};

class DDInterface : public NativeDisplay
{
public:
    enum Result
    {
        RESULT_OK = 0,
        RESULT_FAIL = 1,
        RESULT_DD_CREATE_FAIL = 2,
        RESULT_SURFACE_FAIL = 3,
        RESULT_EXCLUSIVE_FAIL = 4,
        RESULT_DISPCHANGE_FAIL = 5,
        RESULT_INVALID_COLORDEPTH = 6,
        RESULT_3D_FAIL = 7
    };

    explicit DDInterface(DisplayApp* app);
    ~DDInterface() override;
    DDInterface(const DDInterface&) = delete;
    DDInterface& operator=(const DDInterface&) = delete;

    int Init(Platform::HWND window, bool windowed);
    static std::string ResultToString(int result);
    // Null while the display is not initialised.
    DDImage* GetScreenImage() { return mInitialized ? mScreenImage.get() : nullptr; }
    Platform::HRESULT CreateSurface(Platform::DDSURFACEDESC2* desc, Platform::IDirectDrawSurface** surface);
    void ClearSurface(Platform::IDirectDrawSurface* surface);
    bool Do3DTest(Platform::HWND window);
    void CreateScreenImage(bool videoMemory);
    void AddDDImage(DDImage* image);
    void RemoveDDImage(DDImage* image);
    void RemoveImageTextures(MemoryImage* image);
    void Cleanup();
    // Presents the draw surface (or the given rectangle of it); false on failure or before Init.
    bool Redraw(const Rect* rect);
    // The screen image differs from the frame presented last only within `rects`: the next whole Redraw looks for
    // changes there only. Forgotten after that Redraw.
    void HintChanges(const std::vector<Rect>& rects) { mChangeHint = rects, mChangeHinted = true; }
    // A present is owed even by a frame in which nothing was drawn: nothing was presented since Init, or the
    // software cursor's picture or position differs from what the last present showed.
    bool PresentOwed() const
    {
        return !mPresentedSinceInit || mCursorImage != mPresentedCursorImage ||
               (mHasCursorImage && (mCursorX != mPresentedCursorX || mCursorY != mPresentedCursorY));
    }
    bool SetCursorImage(Image* image);
    // Called by the cursor thread: skips the move when the display is busy.
    void SetCursorPos(int x, int y);
    void RestoreCursorArea(Platform::IDirectDrawSurface* surface);
    bool IsInitialized() const { return mInitialized; }

    // The display's own off-screen images (the two cursor areas).
    bool IsOwnOffscreenImage(const DDImage* image) const
    {
        return image && (image == mOldCursorAreaImage.get() || image == mNewCursorAreaImage.get());
    }

    DisplayApp* mApp;
    std::unique_ptr<D3DInterface> mD3DInterface;
    std::unique_ptr<D3DTester> mD3DTester;
    bool mIs3D = false;
    Platform::CriticalSection mCritSect;
    std::atomic<bool> mPresentUnderway{false};
    Platform::IDirectDraw* mDD = nullptr;
    Platform::IDirectDraw7* mDD7 = nullptr;
    Platform::IDirectDrawSurface* mPrimarySurface = nullptr;
    Platform::IDirectDrawSurface* mSecondarySurface = nullptr;
    Platform::IDirectDrawSurface* mDrawSurface = nullptr;
    int mWidth = 0;
    int mHeight = 0;
    Ratio mAspect;
    int mDesktopWidth = 0;
    int mDesktopHeight = 0;
    Ratio mDesktopAspect;
    bool mIsAspectCorrected = false;
    int mDisplayWidth = 0;
    int mDisplayHeight = 0;
    Ratio mDisplayAspect;
    Rect mPresentationRect;
    int mDisplayBitsPerPixel = 0;
    int mRefreshRate = 60;
    int mMillisecondsPerFrame = 16;
    int mScanLineFailCount = 0;
    std::unique_ptr<int[]> mRedAddTable;
    std::unique_ptr<int[]> mGreenAddTable;
    std::unique_ptr<int[]> mBlueAddTable;
    int mRedAddTableSize = 0;
    int mGreenAddTableSize = 0;
    int mBlueAddTableSize = 0;
    uint32_t mRedConvTable[256] = {};
    uint32_t mGreenConvTable[256] = {};
    uint32_t mBlueConvTable[256] = {};
    bool mInitialized = false;
    int mInitCount = 0;
    Platform::HWND mHWnd = nullptr;
    bool mIsWindowed = true;
    std::unique_ptr<DDImage> mScreenImage;
    bool mScreenImageVideoMemory = false;
    std::set<DDImage*> mDDImageSet;
    int mCursorWidth = 64;
    int mCursorHeight = 64;
    std::atomic<int> mCursorX{0};
    std::atomic<int> mCursorY{0};
    int mCursorDrawnX = 0;
    int mCursorDrawnY = 0;
    Image* mCursorImage = nullptr;            // identity of the image last set (not owned)
    std::atomic<bool> mHasCursorImage{false}; // a software cursor is set (read by the cursor thread)
    std::unique_ptr<MemoryImage> mCursorCopy; // private copy drawn by both threads
    bool mCursorDrawn = false;
    Platform::IDirectDrawSurface* mOldCursorArea = nullptr;
    Platform::IDirectDrawSurface* mNewCursorArea = nullptr;
    std::unique_ptr<DDImage> mOldCursorAreaImage;
    std::unique_ptr<DDImage> mNewCursorAreaImage;
    std::string mErrorString;

private:
    int Fail(const char* step, Platform::HRESULT result, int code);
    int CreateDrawSurfaceAndClipper(Platform::HWND window, const char* mode);
    // Blits the draw surface's src rectangle to dest on the primary, timed against the beam when asked.
    Platform::HRESULT PresentWindowed(const Platform::RECT& src, const Platform::RECT& dest);
    // Draws the cursor into the surface at the cursor position (offset added); false when nothing was drawn.
    bool DrawCursorTo(Platform::IDirectDrawSurface* surface, int offsetX, int offsetY);
    // The cursor area at (x, y) cut to the surface; false when nothing of it is on the surface.
    bool CursorAreaOn(Platform::IDirectDrawSurface* surface, int x, int y, Platform::RECT& onSurface,
                      Platform::RECT& inArea);
    int mCursorRestoreX = 0; // where RestoreCursorArea puts the saved area back (surface coordinates)
    int mCursorRestoreY = 0;
    Platform::HRESULT mLastRedrawResult = Platform::DD_OK;
    Platform::DirectDrawCreateFunc mDirectDrawCreate = nullptr;
    Platform::DirectDrawCreateExFunc mDirectDrawCreateEx = nullptr;
    std::vector<Rect> mChangeHint;
    bool mChangeHinted = false;
    bool mPresentedSinceInit = false;
    // The software cursor as the last present showed it.
    Image* mPresentedCursorImage = nullptr;
    int mPresentedCursorX = 0;
    int mPresentedCursorY = 0;
};

} // namespace Zest
