// Zest::DrawRecord: notes of drawing calls, and the rectangles where two frames' notes differ.
#include "graphics/DrawRecord.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "graphics/MemoryImage.h"
#include "graphics/RotatedBlit.h"

namespace Zest
{

// FNV-1a over the bytes of each value, then a final mix: stable within a run, which is all the notes need.
class DrawRecord::Digest
{
public:
    template <typename T>
    Digest& Add(const T& value)
    {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        for (unsigned char b : bytes) mHash = (mHash ^ b) * 1099511628211ULL;
        return *this;
    }
    Digest& Add(const Rect& r) { return Add(r.mX).Add(r.mY).Add(r.mWidth).Add(r.mHeight); }
    Digest& Add(const Color& c) { return Add(c.mRed).Add(c.mGreen).Add(c.mBlue).Add(c.mAlpha); }
    uint64_t Value() const
    {
        uint64_t h = mHash;
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdULL;
        h ^= h >> 33;
        return h;
    }

private:
    uint64_t mHash = 1469598103934665603ULL;
};

namespace
{
Rect Inflated(const Rect& r, int by)
{
    return Rect(r.mX - by, r.mY - by, r.mWidth + 2 * by, r.mHeight + 2 * by);
}

Rect Bounding(double left, double top, double right, double bottom)
{
    constexpr double kLimit = 1 << 28;
    left = std::clamp(std::floor(left), -kLimit, kLimit);
    top = std::clamp(std::floor(top), -kLimit, kLimit);
    right = std::clamp(std::ceil(right), -kLimit, kLimit);
    bottom = std::clamp(std::ceil(bottom), -kLimit, kLimit);
    if (!(right > left) || !(bottom > top)) return Rect();
    return Rect(int(left), int(top), int(right - left), int(bottom - top));
}
} // namespace

DrawRecord::DrawRecord(int width, int height)
{
    mWidth = width;
    mHeight = height;
}

void DrawRecord::Note(const Rect& bounds, const Digest& digest, bool drawnWhole)
{
    const Rect cut = bounds.Intersection(Whole());
    if (cut.IsEmpty()) return;
    mNotes.push_back(DrawNote{cut, digest.Value(), drawnWhole});
}

namespace
{
// What makes a source picture draw as it does now: itself and its change count. A picture whose pixels change
// without counting (one living on a display surface) or of an unknown kind never compares equal.
void AddSource(auto& digest, Image* src, uint64_t& unique)
{
    digest.Add(reinterpret_cast<uintptr_t>(src));
    if (src == nullptr) return;
    src->mDrawn = true;
    digest.Add(src->mWidth).Add(src->mHeight).Add(src->mNumRows).Add(src->mNumCols);
    auto* memory = dynamic_cast<MemoryImage*>(src);
    if (memory == nullptr || memory->PixelsOnSurface())
        digest.Add(++unique);
    else
        digest.Add(memory->mChangeCount);
}
} // namespace

bool DrawRecord::FillPoly(const Point* vertices, int numVertices, const Rect& clip, const Color& color, int drawMode,
                          int tx, int ty)
{
    Digest d;
    d.Add(1).Add(clip).Add(color).Add(drawMode).Add(tx).Add(ty).Add(numVertices);
    for (int i = 0; i < numVertices && vertices != nullptr; ++i) d.Add(vertices[i].mX).Add(vertices[i].mY);
    Note(clip, d, true);
    return true;
}

void DrawRecord::FillRect(const Rect& rect, const Color& color, int drawMode)
{
    Note(rect, Digest().Add(2).Add(rect).Add(color).Add(drawMode));
}

void DrawRecord::DrawRect(const Rect& rect, const Color& color, int drawMode)
{
    Note(Rect(rect.mX, rect.mY, rect.mWidth + 1, rect.mHeight + 1), Digest().Add(3).Add(rect).Add(color).Add(drawMode));
}

void DrawRecord::ClearRect(const Rect& rect)
{
    Note(rect, Digest().Add(4).Add(rect));
}

void DrawRecord::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode)
{
    Note(Bounding(std::min(x1, x2) - 2, std::min(y1, y2) - 2, std::max(x1, x2) + 3, std::max(y1, y2) + 3),
         Digest().Add(5).Add(x1).Add(y1).Add(x2).Add(y2).Add(color).Add(drawMode), true);
}

void DrawRecord::DrawLineAntiAliased(double x1, double y1, double x2, double y2, const Color& color, int drawMode)
{
    Note(Bounding(std::min(x1, x2) - 2, std::min(y1, y2) - 2, std::max(x1, x2) + 3, std::max(y1, y2) + 3),
         Digest().Add(6).Add(x1).Add(y1).Add(x2).Add(y2).Add(color).Add(drawMode), true);
}

void DrawRecord::FillSpans(const Span* spans, int count, const Color& color, int drawMode)
{
    if (spans == nullptr || count <= 0) return;
    Digest d;
    d.Add(7).Add(color).Add(drawMode).Add(count);
    int64_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
    for (int i = 0; i < count; ++i)
    {
        const Span& s = spans[i];
        d.Add(s.mX).Add(s.mY).Add(s.mWidth);
        left = std::min<int64_t>(left, s.mX);
        right = std::max<int64_t>(right, int64_t(s.mX) + s.mWidth);
        top = std::min<int64_t>(top, s.mY);
        bottom = std::max<int64_t>(bottom, int64_t(s.mY) + 1);
    }
    Note(Bounding(double(left), double(top), double(right), double(bottom)), d);
}

void DrawRecord::FillSpansWithCoverage(const Span* spans, int count, const Color& color, int drawMode,
                                       const uint8_t* coverage, int coverX, int coverY, int coverWidth, int coverHeight)
{
    if (spans == nullptr || count <= 0) return;
    Digest d;
    d.Add(8).Add(color).Add(drawMode).Add(count).Add(coverX).Add(coverY).Add(coverWidth).Add(coverHeight);
    int64_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
    for (int i = 0; i < count; ++i)
    {
        const Span& s = spans[i];
        d.Add(s.mX).Add(s.mY).Add(s.mWidth);
        left = std::min<int64_t>(left, s.mX);
        right = std::max<int64_t>(right, int64_t(s.mX) + s.mWidth);
        top = std::min<int64_t>(top, s.mY);
        bottom = std::max<int64_t>(bottom, int64_t(s.mY) + 1);
    }
    if (coverage != nullptr && coverWidth > 0 && coverHeight > 0)
        for (int64_t i = 0, n = int64_t(coverWidth) * coverHeight; i < n; ++i) d.Add(coverage[i]);
    Note(Bounding(double(left), double(top), double(right), double(bottom)), d);
}

void DrawRecord::Blt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode)
{
    Digest d;
    d.Add(9).Add(x).Add(y).Add(srcRect).Add(color).Add(drawMode);
    AddSource(d, src, mUnique);
    Note(Rect(x, y, srcRect.mWidth, srcRect.mHeight), d);
}

void DrawRecord::BltFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                          int drawMode)
{
    Digest d;
    d.Add(10).Add(x).Add(y).Add(srcRect).Add(clip).Add(color).Add(drawMode);
    AddSource(d, src, mUnique);
    // Filtered: a fraction of a pixel reaches into the next pixel on every side.
    Note(Bounding(double(x) - 1, double(y) - 1, double(x) + srcRect.mWidth + 2, double(y) + srcRect.mHeight + 2)
             .Intersection(clip),
         d, true);
}

void DrawRecord::BltRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                            int drawMode, double angle, float centreX, float centreY)
{
    Digest d;
    d.Add(11).Add(x).Add(y).Add(srcRect).Add(clip).Add(color).Add(drawMode).Add(angle).Add(centreX).Add(centreY);
    AddSource(d, src, mUnique);
    float bx = x, by = y;
    DRect bounds;
    if (!CalcRotatedBlit(bx, by, srcRect, clip, bounds, angle, centreX, centreY))
    {
        // Nothing is drawn; the note still keeps the call's place in the order.
        Note(Rect(), d);
        return;
    }
    Note(Inflated(Bounding(bounds.mX, bounds.mY, bounds.mX + bounds.mWidth, bounds.mY + bounds.mHeight), 2)
             .Intersection(clip),
         d, true);
}

void DrawRecord::StretchBlt(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
                            int drawMode, bool fastStretch)
{
    Digest d;
    d.Add(12).Add(destRect).Add(srcRect).Add(clip).Add(color).Add(drawMode).Add(fastStretch);
    AddSource(d, src, mUnique);
    Note(Inflated(destRect, 1).Intersection(clip), d, true);
}

void DrawRecord::BltMatrix(Image* src, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                           int drawMode, const Rect& srcRect, bool linearBlend)
{
    Digest d;
    d.Add(13).Add(x).Add(y).Add(clip).Add(color).Add(drawMode).Add(srcRect).Add(linearBlend).Add(matrix);
    AddSource(d, src, mUnique);
    // Where a matrix puts the picture is not worked out here: the whole clip may change.
    Note(clip, d, true);
}

void DrawRecord::BltTriangles(Image* src, const TriVertex (*vertices)[3], int numTriangles, const Color& color,
                              int drawMode, float tx, float ty, bool linearBlend)
{
    Digest d;
    d.Add(14).Add(color).Add(drawMode).Add(tx).Add(ty).Add(linearBlend).Add(numTriangles);
    for (int i = 0; i < numTriangles && vertices != nullptr; ++i)
        for (const TriVertex& v : vertices[i]) d.Add(v.x).Add(v.y).Add(v.u).Add(v.v).Add(v.color);
    AddSource(d, src, mUnique);
    Note(Whole(), d, true);
}

void DrawRecord::BltMirror(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode)
{
    Digest d;
    d.Add(15).Add(x).Add(y).Add(srcRect).Add(color).Add(drawMode);
    AddSource(d, src, mUnique);
    Note(Rect(x, y, srcRect.mWidth, srcRect.mHeight), d);
}

void DrawRecord::StretchBltMirror(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                                  const Color& color, int drawMode, bool fastStretch)
{
    Digest d;
    d.Add(16).Add(destRect).Add(srcRect).Add(clip).Add(color).Add(drawMode).Add(fastStretch);
    AddSource(d, src, mUnique);
    Note(Inflated(destRect, 1).Intersection(clip), d, true);
}

void DrawRecord::StretchBltSprites(Image* src, const SpriteDraw* sprites, int count, const Rect& srcRect,
                                   const Rect& clip, int drawMode, bool fastStretch)
{
    if (sprites == nullptr || count <= 0) return;
    // Each sprite is a call of its own: one that moves leaves the others alone.
    for (int i = 0; i < count; ++i)
    {
        Digest d;
        d.Add(17).Add(sprites[i].dest).Add(sprites[i].color).Add(srcRect).Add(clip).Add(drawMode).Add(fastStretch);
        AddSource(d, src, mUnique);
        Note(Inflated(sprites[i].dest, 1).Intersection(clip), d, true);
    }
}

void DrawRecord::TakeWhole(std::vector<Rect>& rects, const std::vector<DrawNote>& notes)
{
    for (bool grown = true; grown;)
    {
        grown = false;
        for (const DrawNote& note : notes)
        {
            if (!note.drawnWhole) continue;
            const Rect& b = note.bounds;
            for (Rect& r : rects)
            {
                const Rect overlap = r.Intersection(b);
                if (overlap.IsEmpty() || overlap == b) continue;
                const int left = std::min(r.mX, b.mX), top = std::min(r.mY, b.mY);
                const int right = std::max(r.mX + r.mWidth, b.mX + b.mWidth);
                const int bottom = std::max(r.mY + r.mHeight, b.mY + b.mHeight);
                r = Rect(left, top, right - left, bottom - top);
                grown = true;
            }
        }
    }
}

std::vector<Rect> DrawRecord::Changes(const std::vector<DrawNote>& before, const std::vector<DrawNote>& after,
                                      size_t maxRects)
{
    // Each note's identity takes in the notes drawn before it that overlap it, so two overlapping calls that
    // swap their order both count as changed. Overlaps are found through a coarse grid of cells.
    constexpr int kCell = 64;
    auto identities = [](const std::vector<DrawNote>& notes)
    {
        std::vector<uint64_t> ids(notes.size());
        std::unordered_map<int64_t, std::vector<uint32_t>> cells;
        std::unordered_map<uint64_t, uint32_t> seen;
        for (size_t i = 0; i < notes.size(); ++i)
        {
            const Rect& r = notes[i].bounds;
            Digest d;
            d.Add(notes[i].key).Add(r);
            uint64_t beneath = 0;
            if (!r.IsEmpty())
            {
                const int cx0 = r.mX / kCell, cy0 = r.mY / kCell;
                const int cx1 = (r.mX + r.mWidth - 1) / kCell, cy1 = (r.mY + r.mHeight - 1) / kCell;
                for (int cy = cy0; cy <= cy1; ++cy)
                    for (int cx = cx0; cx <= cx1; ++cx)
                    {
                        auto& list = cells[(int64_t(cy) << 32) | uint32_t(cx)];
                        for (uint32_t j : list)
                        {
                            const Rect overlap = r.Intersection(notes[j].bounds);
                            // A pair is counted once: in the cell that holds its overlap's corner.
                            if (overlap.IsEmpty() || overlap.mX / kCell != cx || overlap.mY / kCell != cy) continue;
                            beneath +=
                                notes[j].key * 0x9e3779b97f4a7c15ULL + notes[j].bounds.mX * 31 + notes[j].bounds.mY;
                        }
                        list.push_back(uint32_t(i));
                    }
            }
            d.Add(beneath);
            // The same call twice at one place: the second is another identity.
            const uint64_t base = d.Value();
            d.Add(seen[base]++);
            ids[i] = d.Value();
        }
        return ids;
    };
    const std::vector<uint64_t> a = identities(before), b = identities(after);
    std::vector<Rect> changed;
    auto unmatched = [&changed](const std::vector<DrawNote>& notes, const std::vector<uint64_t>& ids,
                                const std::vector<uint64_t>& others)
    {
        std::unordered_map<uint64_t, int> count;
        for (uint64_t id : others) ++count[id];
        for (size_t i = 0; i < notes.size(); ++i)
        {
            auto it = count.find(ids[i]);
            if (it != count.end() && it->second > 0)
                --it->second;
            else if (!notes[i].bounds.IsEmpty())
                changed.push_back(notes[i].bounds);
        }
    };
    unmatched(before, a, b);
    unmatched(after, b, a);
    if (changed.empty()) return changed;

    // Onto a grid of small tiles, then rows of tiles into rectangles, rows of the same span joined.
    constexpr int kTile = 16;
    int right = 0, bottom = 0;
    for (const Rect& r : changed)
    {
        right = std::max(right, r.mX + r.mWidth);
        bottom = std::max(bottom, r.mY + r.mHeight);
    }
    const int columns = (right + kTile - 1) / kTile, rows = (bottom + kTile - 1) / kTile;
    std::vector<uint8_t> tiles(size_t(columns) * size_t(rows));
    for (const Rect& r : changed)
        for (int ty = r.mY / kTile; ty <= (r.mY + r.mHeight - 1) / kTile; ++ty)
            for (int tx = r.mX / kTile; tx <= (r.mX + r.mWidth - 1) / kTile; ++tx)
                tiles[size_t(ty) * size_t(columns) + size_t(tx)] = 1;
    std::vector<Rect> rects;
    for (int ty = 0; ty < rows; ++ty)
        for (int tx = 0; tx < columns;)
        {
            if (!tiles[size_t(ty) * size_t(columns) + size_t(tx)])
            {
                ++tx;
                continue;
            }
            int end = tx;
            while (end < columns && tiles[size_t(ty) * size_t(columns) + size_t(end)]) ++end;
            const Rect run(tx * kTile, ty * kTile, (end - tx) * kTile, kTile);
            auto above = std::find_if(rects.begin(), rects.end(),
                                      [&run](const Rect& r) {
                                          return r.mX == run.mX && r.mWidth == run.mWidth && r.mY + r.mHeight == run.mY;
                                      });
            if (above != rects.end())
                above->mHeight += kTile;
            else
                rects.push_back(run);
            tx = end;
        }
    // Few enough rectangles: the two whose joint box wastes least are joined, again and again.
    auto joint = [](const Rect& p, const Rect& q)
    {
        const int left = std::min(p.mX, q.mX), top = std::min(p.mY, q.mY);
        const int r = std::max(p.mX + p.mWidth, q.mX + q.mWidth), b = std::max(p.mY + p.mHeight, q.mY + q.mHeight);
        return Rect(left, top, r - left, b - top);
    };
    auto area = [](const Rect& r) { return int64_t(r.mWidth) * r.mHeight; };
    maxRects = std::max<size_t>(1, maxRects);
    while (rects.size() > maxRects)
    {
        size_t bestI = 0, bestJ = 1;
        int64_t bestWaste = INT64_MAX;
        for (size_t i = 0; i < rects.size(); ++i)
            for (size_t j = i + 1; j < rects.size(); ++j)
            {
                const int64_t waste = area(joint(rects[i], rects[j])) - area(rects[i]) - area(rects[j]);
                if (waste < bestWaste)
                {
                    bestWaste = waste;
                    bestI = i;
                    bestJ = j;
                }
            }
        rects[bestI] = joint(rects[bestI], rects[bestJ]);
        rects.erase(rects.begin() + std::ptrdiff_t(bestJ));
    }
    // Joined boxes may now overlap: drawing a part twice would be harmless but wasted, so overlapping ones join.
    for (bool joined = true; joined;)
    {
        joined = false;
        for (size_t i = 0; i < rects.size() && !joined; ++i)
            for (size_t j = i + 1; j < rects.size() && !joined; ++j)
                if (rects[i].Intersects(rects[j]))
                {
                    rects[i] = joint(rects[i], rects[j]);
                    rects.erase(rects.begin() + std::ptrdiff_t(j));
                    joined = true;
                }
    }
    return rects;
}

} // namespace Zest
