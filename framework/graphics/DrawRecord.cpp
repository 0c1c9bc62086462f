// Zest::DrawRecord: notes of drawing calls, and the rectangles where two frames' notes differ.
#include "graphics/DrawRecord.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "graphics/RotatedBlit.h"

namespace Zest
{

// Each value packed into 64-bit words, each word mixed in by a multiply and a shift, then a final mix: stable
// within a run, which is all the notes need.
class DrawRecord::Digest
{
public:
    template <typename T>
    Digest& Add(const T& value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
        for (size_t at = 0; at < sizeof(T); at += 8)
        {
            uint64_t word = 0;
            std::memcpy(&word, bytes + at, std::min<size_t>(8, sizeof(T) - at));
            Mix(word);
        }
        return *this;
    }
    Digest& Add(const Rect& r) { return Pair(r.mX, r.mY).Pair(r.mWidth, r.mHeight); }
    Digest& Add(const Color& c) { return Pair(c.mRed, c.mGreen).Pair(c.mBlue, c.mAlpha); }
    Digest& AddText(const std::string& text)
    {
        Mix(text.size());
        for (size_t at = 0; at < text.size(); at += 8)
        {
            uint64_t word = 0;
            std::memcpy(&word, text.data() + at, std::min<size_t>(8, text.size() - at));
            Mix(word);
        }
        return *this;
    }
    uint64_t Value() const
    {
        uint64_t h = mHash;
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdULL;
        h ^= h >> 33;
        h *= 0xc4ceb9fe1a85ec53ULL;
        h ^= h >> 33;
        return h;
    }

private:
    void Mix(uint64_t word)
    {
        mHash = (mHash ^ word) * 0x9e3779b97f4a7c15ULL;
        mHash ^= mHash >> 29;
    }
    Digest& Pair(int a, int b) { return Add((uint64_t(uint32_t(a)) << 32) | uint32_t(b)); }

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

// Adds every span to the digest; the box around them all.
Rect AddSpans(auto& digest, const Span* spans, int count)
{
    int64_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
    for (int i = 0; i < count; ++i)
    {
        const Span& s = spans[i];
        digest.Add(s.mX).Add(s.mY).Add(s.mWidth);
        left = std::min<int64_t>(left, s.mX);
        right = std::max<int64_t>(right, int64_t(s.mX) + s.mWidth);
        top = std::min<int64_t>(top, s.mY);
        bottom = std::max<int64_t>(bottom, int64_t(s.mY) + 1);
    }
    return Bounding(double(left), double(top), double(right), double(bottom));
}
} // namespace

DrawRecord::DrawRecord(int width, int height)
{
    mWidth = width;
    mHeight = height;
}

void DrawRecord::Note(const Rect& bounds, const Digest& digest, bool drawnWhole, bool wholeRows)
{
    const Rect cut = bounds.Intersection(Whole());
    if (cut.IsEmpty()) return;
    DrawNote note;
    note.bounds = cut;
    note.key = digest.Value();
    note.drawnWhole = drawnWhole;
    note.wholeRows = drawnWhole && wholeRows;
    mNotes.push_back(note);
}

namespace
{
// What makes a source picture draw as it does now: itself and its change count. A picture whose pixels change
// without counting (one living on a display surface) or of an unknown kind never compares equal. The picture as a
// memory image, or null.
MemoryImage* AddSource(auto& digest, Image* src, uint64_t& unique)
{
    digest.Add(reinterpret_cast<uintptr_t>(src));
    if (src == nullptr) return nullptr;
    src->mDrawn = true;
    digest.Add(src->mWidth).Add(src->mHeight).Add(src->mNumRows).Add(src->mNumCols);
    auto* memory = dynamic_cast<MemoryImage*>(src);
    if (memory == nullptr || memory->PixelsOnSurface())
        digest.Add(++unique);
    else
        digest.Add(memory->mChangeCount);
    return memory;
}
// An opaque picture drawn untinted is copied pixel for pixel, the same however it is cut; blended pictures are
// taken whole, as the blending kernels need not treat a cut row's last pixels as they treat them in a whole row.
bool PlainCopy(MemoryImage* memory, const Color& color, int drawMode, const Rect& bounds, const Rect& whole)
{
    if (memory == nullptr || drawMode != DRAWMODE_NORMAL || color != Color::White) return false;
    memory->UpdateAlphaFlags();
    if (memory->mHasAlpha || memory->mHasTransparency) return false;
    // Only a backdrop that fills the image is relied on: smaller pictures may be drawn by blending kernels whose
    // vector and scalar forms round a little differently, so a cut row need not match the whole one.
    return bounds.Intersection(whole) == whole;
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
    Note(rect, Digest().Add(2).Add(rect).Add(color).Add(drawMode), true);
}

void DrawRecord::DrawRect(const Rect& rect, const Color& color, int drawMode)
{
    Note(Rect(rect.mX, rect.mY, rect.mWidth + 1, rect.mHeight + 1), Digest().Add(3).Add(rect).Add(color).Add(drawMode),
         true);
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
    const Rect bounds = AddSpans(d, spans, count);
    Note(bounds, d, true);
}

void DrawRecord::FillSpansWithCoverage(const Span* spans, int count, const Color& color, int drawMode,
                                       const uint8_t* coverage, int coverX, int coverY, int coverWidth, int coverHeight)
{
    if (spans == nullptr || count <= 0) return;
    Digest d;
    d.Add(8).Add(color).Add(drawMode).Add(count).Add(coverX).Add(coverY).Add(coverWidth).Add(coverHeight);
    const Rect bounds = AddSpans(d, spans, count);
    if (coverage != nullptr && coverWidth > 0 && coverHeight > 0)
        for (int64_t i = 0, n = int64_t(coverWidth) * coverHeight; i < n; ++i) d.Add(coverage[i]);
    Note(bounds, d, true);
}

void DrawRecord::Blt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode)
{
    Digest d;
    d.Add(9).Add(x).Add(y).Add(srcRect).Add(color).Add(drawMode);
    MemoryImage* memory = AddSource(d, src, mUnique);
    const Rect bounds(x, y, srcRect.mWidth, srcRect.mHeight);
    // The surface blends a blit row by row, each row the same however many rows are drawn with it.
    Note(bounds, d, !PlainCopy(memory, color, drawMode, bounds, Whole()), true);
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
    Note(Rect(x, y, srcRect.mWidth, srcRect.mHeight), d, true);
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
    // One call: the surface form samples the visible parts of the whole batch before it chooses how to draw them,
    // so the batch is drawn the same only when no part of it is cut.
    Digest d;
    d.Add(17).Add(srcRect).Add(clip).Add(drawMode).Add(fastStretch).Add(count);
    AddSource(d, src, mUnique);
    int64_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
    for (int i = 0; i < count; ++i)
    {
        const Rect r = Inflated(sprites[i].dest, 1).Intersection(clip);
        d.Add(sprites[i].dest).Add(sprites[i].color);
        if (r.IsEmpty()) continue;
        left = std::min<int64_t>(left, r.mX);
        top = std::min<int64_t>(top, r.mY);
        right = std::max<int64_t>(right, int64_t(r.mX) + r.mWidth);
        bottom = std::max<int64_t>(bottom, int64_t(r.mY) + r.mHeight);
    }
    if (left >= right) return;
    Note(Bounding(double(left), double(top), double(right), double(bottom)), d, true);
}

bool DrawRecord::NoteText(const Graphics& g, const std::string& text, int x, int y)
{
    // Each glyph is moved by the translation as DrawImage moves it; a whole-pixel translation moves the box the
    // same way, a fractional one need not.
    if (g.mFont == nullptr || g.mScaleX != 1.0f || g.mScaleY != 1.0f) return false;
    constexpr float kFar = 1 << 24;
    if (g.mTransX != std::trunc(g.mTransX) || g.mTransY != std::trunc(g.mTransY) || std::fabs(g.mTransX) > kFar ||
        std::fabs(g.mTransY) > kFar)
        return false;
    Rect box;
    uint64_t stamp = 0;
    if (!g.mFont->TextInk(x, y, text, box, stamp)) return false;
    const int dx = int(g.mTransX), dy = int(g.mTransY);
    Digest d;
    d.Add(18).Add(stamp).Add(x + dx).Add(y + dy).Add(g.mColor).Add(g.mDrawMode).AddText(text);
    if (box.IsEmpty()) return true;
    // Glyphs blended by unscaled blits: a part redrawn takes the text's rows whole.
    Note(Rect(box.mX + dx, box.mY + dy, box.mWidth, box.mHeight).Intersection(g.mClipRect), d, true, true);
    return true;
}

std::vector<DrawNote> DrawRecord::TakeNotes()
{
    // Each note's identity takes in the notes drawn before it that overlap it, so two overlapping calls that
    // swap their order both count as changed. Overlaps are found through a coarse grid of cells.
    constexpr int kCell = 64;
    const int columns = std::max(1, (mWidth + kCell - 1) / kCell), rows = std::max(1, (mHeight + kCell - 1) / kCell);
    mCells.resize(size_t(columns) * size_t(rows));
    for (auto& cell : mCells) cell.clear();
    mBases.clear();
    for (size_t i = 0; i < mNotes.size(); ++i)
    {
        DrawNote& note = mNotes[i];
        const Rect& r = note.bounds;
        uint64_t beneath = 0;
        // A first call over the whole image (a backdrop) lies beneath every other call of both frames: when it
        // changes, its own note changes the whole image, so the others need not count it.
        if (i == 0 && r == Whole())
        {
            mBases.emplace_back(Digest().Add(note.key).Add(r).Add(beneath).Value(), uint32_t(i));
            continue;
        }
        // Notes lie on the image: their bounds were cut to it.
        const int cx0 = r.mX / kCell, cy0 = r.mY / kCell;
        const int cx1 = (r.mX + r.mWidth - 1) / kCell, cy1 = (r.mY + r.mHeight - 1) / kCell;
        for (int cy = cy0; cy <= cy1; ++cy)
            for (int cx = cx0; cx <= cx1; ++cx)
            {
                auto& list = mCells[size_t(cy) * size_t(columns) + size_t(cx)];
                for (uint32_t j : list)
                {
                    const Rect overlap = r.Intersection(mNotes[j].bounds);
                    // A pair is counted once: in the cell that holds its overlap's corner.
                    if (overlap.IsEmpty() || overlap.mX / kCell != cx || overlap.mY / kCell != cy) continue;
                    beneath += mNotes[j].key * 0x9e3779b97f4a7c15ULL + uint64_t(mNotes[j].bounds.mX) * 31 +
                               uint64_t(mNotes[j].bounds.mY);
                }
                list.push_back(uint32_t(i));
            }
        mBases.emplace_back(Digest().Add(note.key).Add(r).Add(beneath).Value(), uint32_t(i));
    }
    // The same call twice at one place with the same calls beneath: the second is another identity, told apart
    // by how many came before it.
    std::sort(mBases.begin(), mBases.end());
    for (size_t i = 0, seen = 0; i < mBases.size(); ++i)
    {
        seen = i > 0 && mBases[i].first == mBases[i - 1].first ? seen + 1 : 0;
        mNotes[mBases[i].second].id = Digest().Add(mBases[i].first).Add(uint32_t(seen)).Value();
    }
    std::vector<DrawNote> notes = std::move(mNotes);
    mNotes.clear();
    return notes;
}

void DrawRecord::TakeWhole(std::vector<Rect>& rects, const std::vector<DrawNote>& notes)
{
    if (rects.empty()) return;
    std::vector<std::pair<Rect, bool>> whole;
    for (const DrawNote& note : notes)
        if (note.drawnWhole && !note.bounds.IsEmpty()) whole.emplace_back(note.bounds, note.wholeRows);
    auto joint = [](const Rect& p, const Rect& q)
    {
        const int left = std::min(p.mX, q.mX), top = std::min(p.mY, q.mY);
        const int right = std::max(p.mX + p.mWidth, q.mX + q.mWidth);
        const int bottom = std::max(p.mY + p.mHeight, q.mY + q.mHeight);
        return Rect(left, top, right - left, bottom - top);
    };
    auto area = [](const Rect& r) { return int64_t(r.mWidth) * r.mHeight; };
    for (bool joined = true; joined;)
    {
        for (bool grown = true; grown;)
        {
            grown = false;
            for (const auto& [b, rows] : whole)
                for (Rect& r : rects)
                {
                    const Rect overlap = r.Intersection(b);
                    if (overlap.IsEmpty() || overlap == b) continue;
                    if (!rows)
                        r = joint(r, b);
                    else if (overlap.mX != b.mX || overlap.mWidth != b.mWidth)
                    {
                        // Across only: the rows of the call that the part holds become whole.
                        const int left = std::min(r.mX, b.mX), right = std::max(r.mX + r.mWidth, b.mX + b.mWidth);
                        r = Rect(left, r.mY, right - left, r.mHeight);
                    }
                    else
                        continue;
                    grown = true;
                }
        }
        // Rectangles that overlap (a part drawn over by another widget is often one that changed, or the same
        // part twice) are drawn as one when their joint box holds no more pixels than the two: each is a whole
        // pass of the widget's drawing. The joint box may cut other calls, so the growing runs again.
        joined = false;
        for (size_t i = 0; i < rects.size() && !joined; ++i)
            for (size_t j = i + 1; j < rects.size() && !joined; ++j)
            {
                if (!rects[i].Intersects(rects[j])) continue;
                const Rect both = joint(rects[i], rects[j]);
                if (area(both) > area(rects[i]) + area(rects[j])) continue;
                rects[i] = both;
                rects.erase(rects.begin() + std::ptrdiff_t(j));
                joined = true;
            }
    }
}

std::vector<Rect> DrawRecord::Changes(const std::vector<DrawNote>& before, const std::vector<DrawNote>& after,
                                      size_t maxRects)
{
    // Matched as two multisets of identities: sorted, then walked side by side.
    std::vector<Rect> changed;
    std::vector<std::pair<uint64_t, uint32_t>> a(before.size()), b(after.size());
    for (size_t i = 0; i < before.size(); ++i) a[i] = {before[i].id, uint32_t(i)};
    for (size_t i = 0; i < after.size(); ++i) b[i] = {after[i].id, uint32_t(i)};
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size())
    {
        if (j == b.size() || (i < a.size() && a[i].first < b[j].first))
            changed.push_back(before[a[i++].second].bounds);
        else if (i == a.size() || b[j].first < a[i].first)
            changed.push_back(after[b[j++].second].bounds);
        else
        {
            ++i;
            ++j;
        }
    }
    std::erase_if(changed, [](const Rect& r) { return r.IsEmpty(); });
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
