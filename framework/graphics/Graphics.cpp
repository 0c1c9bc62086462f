// The drawing context: state, clipping and the mapping of every draw call onto one image operation.
#include "graphics/Graphics.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "graphics/DrawRecord.h"
#include "graphics/Font.h"
#include "graphics/ImageHost.h"
#include "graphics/MemoryImage.h"

namespace Zest
{

namespace
{

// Contexts made without a destination (measuring) draw into this; nothing can land in a 0x0 image.
Image* SharedEmptyImage()
{
    static MemoryImage empty(nullptr);
    return &empty;
}

// Float-to-int without the undefined behaviour of an out-of-range conversion (huge scales or positions).
int ClampToInt(double v)
{
    if (!(v > -2147483648.0)) return INT32_MIN;
    if (v > 2147483647.0) return INT32_MAX;
    return static_cast<int>(v);
}

// True when src lies inside img: a source that starts before the image or runs past it draws nothing.
bool SourceInside(const Image* img, const Rect& src)
{
    return src.mX >= 0 && src.mY >= 0 && int64_t(src.mX) + src.mWidth <= img->GetWidth() &&
           int64_t(src.mY) + src.mHeight <= img->GetHeight();
}

bool RectInside(const Rect& inner, const Rect& outer)
{
    return inner.mX >= outer.mX && inner.mY >= outer.mY &&
           int64_t(inner.mX) + inner.mWidth <= int64_t(outer.mX) + outer.mWidth &&
           int64_t(inner.mY) + inner.mHeight <= int64_t(outer.mY) + outer.mHeight;
}

// Cohen-Sutherland against the inclusive box [left, right] x [top, bottom].
bool ClipLine(double& x1, double& y1, double& x2, double& y2, double left, double top, double right, double bottom)
{
    auto code = [&](double x, double y)
    {
        int c = 0;
        if (x < left)
            c |= 1;
        else if (x > right)
            c |= 2;
        if (y < top)
            c |= 4;
        else if (y > bottom)
            c |= 8;
        return c;
    };
    int c1 = code(x1, y1);
    int c2 = code(x2, y2);
    for (int guard = 0; guard < 8; ++guard)
    {
        if ((c1 | c2) == 0) return true;
        if (c1 & c2) return false;
        int out = c1 ? c1 : c2;
        double x = 0, y = 0;
        if (out & 8)
        {
            x = x1 + (x2 - x1) * (bottom - y1) / (y2 - y1);
            y = bottom;
        }
        else if (out & 4)
        {
            x = x1 + (x2 - x1) * (top - y1) / (y2 - y1);
            y = top;
        }
        else if (out & 2)
        {
            y = y1 + (y2 - y1) * (right - x1) / (x2 - x1);
            x = right;
        }
        else
        {
            y = y1 + (y2 - y1) * (left - x1) / (x2 - x1);
            x = left;
        }
        if (out == c1)
        {
            x1 = x;
            y1 = y;
            c1 = code(x1, y1);
        }
        else
        {
            x2 = x;
            y2 = y;
            c2 = code(x2, y2);
        }
    }
    return (c1 | c2) == 0;
}

} // namespace

Graphics::Graphics(Image* dest)
{
    mDestImage = dest != nullptr ? dest : SharedEmptyImage();
    mClipRect = Rect(0, 0, mDestImage->GetWidth(), mDestImage->GetHeight());
    mBaseClip = mClipRect;
    // Nothing is drawn through a 3D device on this platform.
    mIs3D = false;
}

Graphics::Graphics(const Graphics& other) : GraphicsState(other) {}

std::unique_ptr<Graphics> Graphics::Create() const
{
    return std::make_unique<Graphics>(*this);
}

void Graphics::PushState()
{
    mStateStack.push_back(static_cast<const GraphicsState&>(*this));
}

void Graphics::PopState()
{
    if (mStateStack.empty()) return;
    static_cast<GraphicsState&>(*this) = mStateStack.back();
    mStateStack.pop_back();
}

void Graphics::Translate(int dx, int dy)
{
    mTransX += static_cast<float>(dx);
    mTransY += static_cast<float>(dy);
}

void Graphics::SetScale(float sx, float sy, float originX, float originY)
{
    mScaleX = sx;
    mScaleY = sy;
    mScaleOrigX = originX;
    mScaleOrigY = originY;
}

void Graphics::ClearClipRect()
{
    mClipRect = mBaseClip;
}

void Graphics::SetBaseClip(const Rect& rect)
{
    mBaseClip = rect.Intersection(Rect(0, 0, mDestImage->GetWidth(), mDestImage->GetHeight()));
    mClipRect = mBaseClip;
}

void Graphics::SetClipRect(int x, int y, int w, int h)
{
    mClipRect = Rect(TranslatedX(x), TranslatedY(y), w, h).Intersection(mBaseClip);
}

void Graphics::ClipRect(int x, int y, int w, int h)
{
    mClipRect = mClipRect.Intersection(Rect(TranslatedX(x), TranslatedY(y), w, h));
}

void Graphics::FillRect(int x, int y, int w, int h)
{
    if (mColor.mAlpha == 0) return;
    Rect r = Rect(TranslatedX(x), TranslatedY(y), w, h).Intersection(mClipRect);
    if (r.IsEmpty()) return;
    mDestImage->FillRect(r, mColor, mDrawMode);
}

void Graphics::DrawRect(int x, int y, int w, int h)
{
    if (mColor.mAlpha == 0) return;
    Rect outline(TranslatedX(x), TranslatedY(y), w + 1, h + 1);
    if (w >= 0 && h >= 0 && RectInside(outline, mClipRect))
    {
        mDestImage->DrawRect(Rect(outline.mX, outline.mY, w, h), mColor, mDrawMode);
        return;
    }
    FillRect(x, y, w + 1, 1);
    FillRect(x, y + h, w + 1, 1);
    FillRect(x, y + 1, 1, h - 1);
    FillRect(x + w, y + 1, 1, h - 1);
}

void Graphics::DrawLine(int x1, int y1, int x2, int y2)
{
    if (mClipRect.IsEmpty()) return;
    double ax = x1 + static_cast<double>(mTransX);
    double ay = y1 + static_cast<double>(mTransY);
    double bx = x2 + static_cast<double>(mTransX);
    double by = y2 + static_cast<double>(mTransY);
    double left = mClipRect.mX;
    double top = mClipRect.mY;
    double right = double(mClipRect.mX) + mClipRect.mWidth - 1;
    double bottom = double(mClipRect.mY) + mClipRect.mHeight - 1;
    if (!ClipLine(ax, ay, bx, by, left, top, right, bottom)) return;
    mDestImage->DrawLine(ax, ay, bx, by, mColor, mDrawMode);
}

void Graphics::DrawString(const std::string& text, int x, int y)
{
    if (mFont == nullptr) return;
    // Onto a record of drawing calls, the string is one call rather than a call per glyph.
    if (auto* record = dynamic_cast<DrawRecord*>(mDestImage); record != nullptr && record->NoteText(*this, text, x, y))
        return;
    mFont->DrawString(this, x, y, text, mColor, mClipRect);
}

void Graphics::DrawImage(Image* img, int x, int y)
{
    if (img == nullptr) return;
    DrawImage(img, x, y, Rect(0, 0, img->GetWidth(), img->GetHeight()));
}

void Graphics::DrawImage(Image* img, int x, int y, const Rect& src)
{
    if (img == nullptr || !SourceInside(img, src)) return;
    if (mScaleX != 1.0f || mScaleY != 1.0f)
    {
        double w = std::ceil(src.mWidth * static_cast<double>(mScaleX));
        double h = std::ceil(src.mHeight * static_cast<double>(mScaleY));
        double dx = std::floor((TranslatedX(x) - mScaleOrigX) * static_cast<double>(mScaleX)) + mScaleOrigX;
        double dy = std::floor((TranslatedY(y) - mScaleOrigY) * static_cast<double>(mScaleY)) + mScaleOrigY;
        Rect dest(ClampToInt(dx), ClampToInt(dy), ClampToInt(w), ClampToInt(h));
        mDestImage->StretchBlt(img, dest, src, mClipRect, TintColor(), mDrawMode, mFastStretch);
        return;
    }
    Rect dest(TranslatedX(x), TranslatedY(y), src.mWidth, src.mHeight);
    Rect vis = dest.Intersection(mClipRect);
    if (vis.mWidth <= 0 || vis.mHeight <= 0) return;
    Rect cut(src.mX + (vis.mX - dest.mX), src.mY + (vis.mY - dest.mY), vis.mWidth, vis.mHeight);
    mDestImage->Blt(img, vis.mX, vis.mY, cut, TintColor(), mDrawMode);
}

void Graphics::DrawImage(Image* img, int x, int y, int w, int h)
{
    if (img == nullptr) return;
    DrawImage(img, Rect(x, y, w, h), Rect(0, 0, img->GetWidth(), img->GetHeight()));
}

void Graphics::DrawImage(Image* img, const Rect& dest, const Rect& src)
{
    if (img == nullptr || !SourceInside(img, src)) return;
    Rect d(TranslatedX(dest.mX), TranslatedY(dest.mY), dest.mWidth, dest.mHeight);
    mDestImage->StretchBlt(img, d, src, mClipRect, TintColor(), mDrawMode, mFastStretch);
}

void Graphics::DrawImageSprites(Image* img, const SpriteDraw* sprites, int count)
{
    if (img == nullptr || sprites == nullptr || count <= 0) return;
    const Rect src(0, 0, img->GetWidth(), img->GetHeight());
    // Moved by the translation and tinted as DrawImage moves and tints, in a buffer kept between calls.
    static thread_local std::vector<SpriteDraw> placed;
    placed.resize(size_t(count));
    for (int i = 0; i < count; ++i)
    {
        const Rect& d = sprites[i].dest;
        placed[size_t(i)] = {Rect(TranslatedX(d.mX), TranslatedY(d.mY), d.mWidth, d.mHeight),
                             mColorizeImages ? sprites[i].color : Color::White};
    }
    mDestImage->StretchBltSprites(img, placed.data(), count, src, mClipRect, mDrawMode, mFastStretch);
}

void Graphics::DrawImageMirror(Image* img, int x, int y, const Rect& src)
{
    if (img == nullptr || !SourceInside(img, src)) return;
    Rect dest(TranslatedX(x), TranslatedY(y), src.mWidth, src.mHeight);
    Rect vis = dest.Intersection(mClipRect);
    if (vis.mWidth <= 0 || vis.mHeight <= 0) return;
    // Flipped: what is cut at the destination's right comes off the source's left, and the other way round.
    int cutRight = (dest.mX + dest.mWidth) - (vis.mX + vis.mWidth);
    Rect cut(src.mX + cutRight, src.mY + (vis.mY - dest.mY), vis.mWidth, vis.mHeight);
    mDestImage->BltMirror(img, vis.mX, vis.mY, cut, TintColor(), mDrawMode);
}

void Graphics::DrawImageMirror(Image* img, const Rect& dest, const Rect& src, bool mirror)
{
    if (!mirror)
    {
        DrawImage(img, dest, src);
        return;
    }
    if (img == nullptr || !SourceInside(img, src)) return;
    Rect d(TranslatedX(dest.mX), TranslatedY(dest.mY), dest.mWidth, dest.mHeight);
    mDestImage->StretchBltMirror(img, d, src, mClipRect, TintColor(), mDrawMode, mFastStretch);
}

void Graphics::DrawImageSubpixel(Image* img, float x, float y)
{
    if (img == nullptr) return;
    DrawImageSubpixel(img, x, y, Rect(0, 0, img->GetWidth(), img->GetHeight()));
}

void Graphics::DrawImageSubpixel(Image* img, float x, float y, const Rect& src)
{
    if (img == nullptr || !SourceInside(img, src)) return;
    mDestImage->BltFloat(img, x + mTransX, y + mTransY, src, mClipRect, TintColor(), mDrawMode);
}

void Graphics::DrawImageRotated(Image* img, int x, int y, double angle)
{
    if (img == nullptr) return;
    DrawImageRotated(img, x, y, angle, img->GetWidth() / 2, img->GetHeight() / 2, nullptr);
}

void Graphics::DrawImageRotated(Image* img, int x, int y, double angle, int centreX, int centreY, const Rect* src)
{
    DrawImageRotatedF(img, static_cast<float>(x), static_cast<float>(y), angle, static_cast<float>(centreX),
                      static_cast<float>(centreY), src);
}

void Graphics::DrawImageRotatedF(Image* img, float x, float y, double angle, float centreX, float centreY,
                                 const Rect* src)
{
    if (img == nullptr) return;
    Rect s = src != nullptr ? *src : Rect(0, 0, img->GetWidth(), img->GetHeight());
    if (!SourceInside(img, s)) return;
    mDestImage->BltRotated(img, x + mTransX, y + mTransY, s, mClipRect, TintColor(), mDrawMode, angle, centreX,
                           centreY);
}

void Graphics::DrawImageMatrix(Image* img, const Matrix3& matrix, const Rect& src, float x, float y)
{
    if (img == nullptr || !SourceInside(img, src)) return;
    mDestImage->BltMatrix(img, x + mTransX, y + mTransY, matrix, mClipRect, TintColor(), mDrawMode, src, mLinearBlend);
}

void Graphics::DrawImageTransform(Image* img, Transform& transform, float x, float y)
{
    DrawImageTransformHelper(img, transform, x, y, false);
}

void Graphics::DrawImageTransformF(Image* img, Transform& transform, float x, float y)
{
    DrawImageTransformHelper(img, transform, x, y, true);
}

void Graphics::DrawImageTransformHelper(Image* img, Transform& transform, float x, float y, bool subPixel)
{
    if (img == nullptr) return;
    Rect src(0, 0, img->GetWidth(), img->GetHeight());
    ImageHost* host = GetImageHost();
    bool drawsIn3D = host != nullptr && host->Is3DAccelerated();
    if (drawsIn3D && (transform.IsComplex() || (mIs3D && subPixel)))
    {
        DrawImageMatrix(img, transform.GetMatrix(), src, x, y);
        return;
    }

    // The image is centred on (x, y): its centre, less the pre-translation, lands on the post-translated point.
    float centreX = src.mWidth * 0.5f - transform.GetPreTranslationX();
    float centreY = src.mHeight * 0.5f - transform.GetPreTranslationY();
    float posX = transform.GetPostTranslationX() + x - centreX;
    float posY = transform.GetPostTranslationY() + y - centreY;

    if (transform.HasRotation())
    {
        if (subPixel)
            DrawImageRotatedF(img, posX + 0.5f, posY + 0.5f, transform.GetRotation(), centreX, centreY, &src);
        else
            DrawImageRotated(img, static_cast<int>(posX), static_cast<int>(posY), transform.GetRotation(),
                             static_cast<int>(centreX), static_cast<int>(centreY), &src);
        return;
    }
    if (transform.HasScale())
    {
        float sx = transform.GetScaleX();
        float sy = transform.GetScaleY();
        if (sx == -1.0f && sy == 1.0f)
        {
            DrawImageMirror(img, static_cast<int>(posX), static_cast<int>(posY), src);
            return;
        }
        double w = std::fabs(src.mWidth * static_cast<double>(sx));
        double h = std::fabs(src.mHeight * static_cast<double>(sy));
        double cx = transform.GetPostTranslationX() + x;
        double cy = transform.GetPostTranslationY() + y;
        Rect dest(ClampToInt(std::floor(cx - w / 2)), ClampToInt(std::floor(cy - h / 2)), ClampToInt(std::ceil(w)),
                  ClampToInt(std::ceil(h)));
        DrawImageMirror(img, dest, src, sx == -1.0f);
        return;
    }
    if (subPixel)
        DrawImageSubpixel(img, posX, posY, src);
    else
        DrawImage(img, static_cast<int>(posX), static_cast<int>(posY), src);
}

void Graphics::DrawImageBox(const Rect& dest, Image* img)
{
    if (img == nullptr) return;
    DrawImageBox(Rect(0, 0, img->GetWidth(), img->GetHeight()), dest, img);
}

void Graphics::DrawImageBox(const Rect& src, const Rect& dest, Image* img)
{
    if (img == nullptr || src.mWidth < 1 || src.mHeight < 1) return;
    const int cw = src.mWidth / 3;
    const int ch = src.mHeight / 3;
    const int mw = src.mWidth - 2 * cw;
    const int mh = src.mHeight - 2 * ch;
    const int right = dest.mX + dest.mWidth - cw;   // left edge of the right column
    const int bottom = dest.mY + dest.mHeight - ch; // top edge of the bottom row
    const int srcRight = src.mX + cw + mw;
    const int srcBottom = src.mY + ch + mh;

    DrawImage(img, dest.mX, dest.mY, Rect(src.mX, src.mY, cw, ch));
    DrawImage(img, right, dest.mY, Rect(srcRight, src.mY, cw, ch));
    DrawImage(img, dest.mX, bottom, Rect(src.mX, srcBottom, cw, ch));
    DrawImage(img, right, bottom, Rect(srcRight, srcBottom, cw, ch));

    const int bandW = dest.mWidth - 2 * cw;
    const int bandH = dest.mHeight - 2 * ch;
    // Each band repeats its piece under a context clipped to the band, so the last repetition is cut there.
    auto tile = [&](const Rect& band, const Rect& piece)
    {
        if (band.mWidth <= 0 || band.mHeight <= 0 || piece.mWidth <= 0 || piece.mHeight <= 0) return;
        Graphics g(*this);
        g.ClipRect(band);
        for (int64_t ty = band.mY; ty < int64_t(band.mY) + band.mHeight; ty += piece.mHeight)
            for (int64_t tx = band.mX; tx < int64_t(band.mX) + band.mWidth; tx += piece.mWidth)
                g.DrawImage(img, static_cast<int>(tx), static_cast<int>(ty), piece);
    };
    tile(Rect(dest.mX + cw, dest.mY, bandW, ch), Rect(src.mX + cw, src.mY, mw, ch));
    tile(Rect(dest.mX + cw, bottom, bandW, ch), Rect(src.mX + cw, srcBottom, mw, ch));
    tile(Rect(dest.mX, dest.mY + ch, cw, bandH), Rect(src.mX, src.mY + ch, cw, mh));
    tile(Rect(right, dest.mY + ch, cw, bandH), Rect(srcRight, src.mY + ch, cw, mh));
    tile(Rect(dest.mX + cw, dest.mY + ch, bandW, bandH), Rect(src.mX + cw, src.mY + ch, mw, mh));
}

void Graphics::DrawImageCel(Image* img, int x, int y, int cel)
{
    if (img == nullptr) return;
    int cols = img->GetCelColumns();
    DrawImageCel(img, x, y, cel % cols, cel / cols);
}

void Graphics::DrawImageCel(Image* img, int x, int y, int col, int row)
{
    if (img == nullptr || col < 0 || row < 0 || col >= img->GetCelColumns() || row >= img->GetCelRows()) return;
    int cw = img->GetCelWidth();
    int ch = img->GetCelHeight();
    DrawImage(img, x, y, Rect(cw * col, ch * row, cw, ch));
}

void Graphics::DrawImageCel(Image* img, const Rect& dest, int cel)
{
    if (img == nullptr) return;
    int cols = img->GetCelColumns();
    DrawImageCel(img, dest, cel % cols, cel / cols);
}

void Graphics::DrawImageCel(Image* img, const Rect& dest, int col, int row)
{
    if (img == nullptr || col < 0 || row < 0 || col >= img->GetCelColumns() || row >= img->GetCelRows()) return;
    int cw = img->GetCelWidth();
    int ch = img->GetCelHeight();
    DrawImage(img, dest, Rect(cw * col, ch * row, cw, ch));
}

} // namespace Zest
