// Zest::Graphics: the drawing context (state, clipping, translation, scale) through which everything draws,
// and its text operations (colour tags, justification, word wrapping).
#pragma once

#include <list>
#include <memory>
#include <string>

#include "graphics/Color.h"
#include "graphics/DrawMode.h"
#include "graphics/Rect.h"
#include "graphics/Transform.h"

namespace Zest
{

class Image;
struct SpriteDraw;
class Font;

class GraphicsState
{
public:
    Image* mDestImage = nullptr;
    float mTransX = 0;
    float mTransY = 0;
    float mScaleX = 1;
    float mScaleY = 1;
    float mScaleOrigX = 0;
    float mScaleOrigY = 0;
    Rect mClipRect;
    // What ClearClipRect returns to and SetClipRect stays inside: the whole image unless a caller draws only a
    // part of it (a frame redrawn where it changed).
    Rect mBaseClip;
    Color mColor;
    Font* mFont = nullptr;
    int mDrawMode = DRAWMODE_NORMAL;
    bool mColorizeImages = false;
    bool mFastStretch = false;
    bool mWriteColoredString = true; // colour tags; callers switch it off directly and restore it
    bool mLinearBlend = false;
    bool mIs3D = false;
};

class Graphics : public GraphicsState
{
public:
    // Without a destination the context draws into a shared empty image (measuring contexts).
    explicit Graphics(Image* dest = nullptr);
    // Copies the current state only; the copy's saved-state stack starts empty.
    Graphics(const Graphics& other);
    Graphics& operator=(const Graphics&) = delete;
    virtual ~Graphics() = default;

    // A heap copy of this context; the caller owns it.
    std::unique_ptr<Graphics> Create() const;
    void PushState();
    void PopState();
    size_t GetStateDepth() const { return mStateStack.size(); }

    Font* GetFont() const { return mFont; }
    void SetFont(Font* font) { mFont = font; }
    void SetColor(const Color& color) { mColor = color; }
    const Color& GetColor() const { return mColor; }
    void SetDrawMode(int mode) { mDrawMode = mode; }
    int GetDrawMode() const { return mDrawMode; }
    void SetColorizeImages(bool colorize) { mColorizeImages = colorize; }
    bool GetColorizeImages() const { return mColorizeImages; }
    void SetFastStretch(bool fast) { mFastStretch = fast; }
    void SetLinearBlend(bool linear) { mLinearBlend = linear; }
    void Translate(int dx, int dy);
    // Scale of the two scaling DrawImage forms, about the origin (in destination pixels).
    void SetScale(float sx, float sy, float originX, float originY);

    void ClearClipRect();
    // Limits all drawing to `rect` (in image coordinates), clearing the clip included.
    void SetBaseClip(const Rect& rect);
    void SetClipRect(int x, int y, int w, int h);
    void SetClipRect(const Rect& rect) { SetClipRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight); }
    void ClipRect(int x, int y, int w, int h);
    void ClipRect(const Rect& rect) { ClipRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight); }
    const Rect& GetClipRect() const { return mClipRect; }

    void FillRect(int x, int y, int w, int h);
    void FillRect(const Rect& rect) { FillRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight); }
    void DrawRect(int x, int y, int w, int h);
    void DrawRect(const Rect& rect) { DrawRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight); }
    void DrawLine(int x1, int y1, int x2, int y2);
    void DrawString(const std::string& text, int x, int y);

    void DrawImage(Image* img, int x, int y);
    void DrawImage(Image* img, int x, int y, const Rect& src);
    void DrawImage(Image* img, int x, int y, int w, int h);
    void DrawImage(Image* img, const Rect& dest, const Rect& src);
    // The whole image stretched onto each sprite's rectangle in turn, tinted by the sprite's colour when images are
    // colourised: the picture of DrawImage(img, rect, whole image) for each, with the per-draw set-up paid once.
    void DrawImageSprites(Image* img, const SpriteDraw* sprites, int count);
    void DrawImageMirror(Image* img, int x, int y, const Rect& src);
    void DrawImageMirror(Image* img, const Rect& dest, const Rect& src, bool mirror);
    void DrawImageSubpixel(Image* img, float x, float y);
    void DrawImageSubpixel(Image* img, float x, float y, const Rect& src);
    // Turned about (width / 2, height / 2) of the image, its unrotated top-left at (x, y).
    void DrawImageRotated(Image* img, int x, int y, double angle);
    void DrawImageRotated(Image* img, int x, int y, double angle, int centreX, int centreY, const Rect* src = nullptr);
    void DrawImageRotatedF(Image* img, float x, float y, double angle, float centreX, float centreY,
                           const Rect* src = nullptr);
    void DrawImageMatrix(Image* img, const Matrix3& matrix, const Rect& src, float x, float y);
    // The whole image centred on (x, y) through the transform.
    void DrawImageTransform(Image* img, Transform& transform, float x, float y);
    void DrawImageTransformF(Image* img, Transform& transform, float x, float y);
    // Nine-slice: corners once, edges and centre repeated.
    void DrawImageBox(const Rect& dest, Image* img);
    void DrawImageBox(const Rect& src, const Rect& dest, Image* img);
    void DrawImageCel(Image* img, int x, int y, int cel);
    void DrawImageCel(Image* img, int x, int y, int col, int row);
    void DrawImageCel(Image* img, const Rect& dest, int cel);
    void DrawImageCel(Image* img, const Rect& dest, int col, int row);

    // One line with colour tags. justification: 0 centred in width, 1 right-aligned, else left at x.
    int WriteString(const std::string& text, int x, int y, int width = -1, int justification = -1, bool draw = true,
                    int offset = 0, int length = -1, int oldColor = -1);
    // Word-wrapped text in rect; lineSpacing -1 = the font's. Returns the height used.
    int DrawWrappedText(const Rect& rect, const std::string& text, int lineSpacing = -1, int justification = -1);
    int MeasureWrappedText(int width, const std::string& text, int lineSpacing = -1);

private:
    const Color& TintColor() const { return mColorizeImages ? mColor : Color::White; }
    int TranslatedX(int x) const { return static_cast<int>(static_cast<float>(x) + mTransX); }
    int TranslatedY(int y) const { return static_cast<int>(static_cast<float>(y) + mTransY); }
    void DrawImageTransformHelper(Image* img, Transform& transform, float x, float y, bool subPixel);

    std::list<GraphicsState> mStateStack;
};

} // namespace Zest
