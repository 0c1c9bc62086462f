// Zest::DrawRecord: an image that draws nothing but notes where each drawing call would land and what it would
// draw, so two frames' notes tell which parts of the screen can differ between them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "graphics/Image.h"

namespace Zest
{

// One drawing call: the pixels it may touch (a rectangle that holds them all) and a digest of everything that
// decides its pixels, the source picture's identity and change count included.
struct DrawNote
{
    Rect bounds;
    uint64_t key = 0;
    // The key together with the place and the calls beneath it (set when the notes are taken).
    uint64_t id = 0;
    // Filtered, stretched or rotated: such a call is exact only when no clip edge cuts through it, so a part of
    // the frame that is redrawn takes it whole.
    bool drawnWhole = false;
    // Of those, an unscaled blit (or text) draws each row of the picture on its own: a part may cut it between
    // rows as long as it takes the rows it holds whole.
    bool wholeRows = false;
};

class Graphics;

class DrawRecord : public Image
{
public:
    DrawRecord(int width, int height);

    // Starts a new list of notes.
    void Clear() { mNotes.clear(); }
    const std::vector<DrawNote>& Notes() const { return mNotes; }
    // The notes so far, each given its identity; the list starts anew.
    std::vector<DrawNote> TakeNotes();

    // The rectangles where two lists of notes may draw different pixels: each call of one list that the other has
    // not made the same way, at the same place, in the same order relative to the calls it overlaps. At most
    // `maxRects` rectangles, merged where that wastes least; empty when both lists draw the same.
    static std::vector<Rect> Changes(const std::vector<DrawNote>& before, const std::vector<DrawNote>& after,
                                     size_t maxRects);
    // Grows each rectangle until no call that must be drawn whole is cut by its edge (no row of one drawn by rows
    // is cut across); overlapping rectangles whose joint box is no larger than the two become that box.
    static void TakeWhole(std::vector<Rect>& rects, const std::vector<DrawNote>& notes);

    // A string `g` draws with its font at x and baseline y, noted as one call (its font, text, place, colour and
    // the box its glyphs cover) without laying out a glyph as a drawing call. false when the font cannot tell its
    // box or the context scales: the string is then drawn onto the record as usual.
    bool NoteText(const Graphics& g, const std::string& text, int x, int y);

    bool FillPoly(const Point* vertices, int numVertices, const Rect& clip, const Color& color, int drawMode, int tx,
                  int ty) override;
    void FillRect(const Rect& rect, const Color& color, int drawMode) override;
    void DrawRect(const Rect& rect, const Color& color, int drawMode) override;
    void ClearRect(const Rect& rect) override;
    void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode) override;
    void DrawLineAntiAliased(double x1, double y1, double x2, double y2, const Color& color, int drawMode) override;
    void FillSpans(const Span* spans, int count, const Color& color, int drawMode) override;
    void FillSpansWithCoverage(const Span* spans, int count, const Color& color, int drawMode, const uint8_t* coverage,
                               int coverX, int coverY, int coverWidth, int coverHeight) override;
    void Blt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode) override;
    void BltFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                  int drawMode) override;
    void BltRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                    int drawMode, double angle, float centreX, float centreY) override;
    void StretchBlt(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
                    int drawMode, bool fastStretch) override;
    void BltMatrix(Image* src, float x, float y, const Matrix3& matrix, const Rect& clip, const Color& color,
                   int drawMode, const Rect& srcRect, bool linearBlend) override;
    void BltTriangles(Image* src, const TriVertex (*vertices)[3], int numTriangles, const Color& color, int drawMode,
                      float tx, float ty, bool linearBlend) override;
    void BltMirror(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode) override;
    void StretchBltMirror(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip, const Color& color,
                          int drawMode, bool fastStretch) override;
    void StretchBltSprites(Image* src, const SpriteDraw* sprites, int count, const Rect& srcRect, const Rect& clip,
                           int drawMode, bool fastStretch) override;

private:
    class Digest;
    void Note(const Rect& bounds, const Digest& digest, bool drawnWhole = false, bool wholeRows = false);
    Rect Whole() const { return Rect(0, 0, mWidth, mHeight); }

    std::vector<DrawNote> mNotes;
    std::vector<std::vector<uint32_t>> mCells;
    std::vector<std::pair<uint64_t, uint32_t>> mBases;
    uint64_t mUnique = 0;
};

} // namespace Zest
