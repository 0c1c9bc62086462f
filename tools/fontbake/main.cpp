// fontbake: renders a TrueType face at one pixel size into a glyph strip PNG and a font descriptor for ImageFont.
//
//   fontbake FACE.ttf PIXELS OUT [--points N] [--first CODE] [--last CODE] [--name LAYER]
//
// writes OUT.png (white glyphs, coverage in alpha) and OUT.txt (one layer, unscaled, naming OUT.png's file name).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "base/Common.h"
#include "data/ImageLib.h"

namespace
{

constexpr int kStripWidth = 512;

struct Glyph
{
    int code = 0;
    int advance = 0;
    int left = 0;
    int top = 0;
    int x = 0, y = 0, w = 0, h = 0;
    std::vector<uint8_t> alpha;
};

int Usage()
{
    std::fprintf(stderr, "usage: fontbake FACE.ttf PIXELS OUT [--points N] [--first CODE] [--last CODE] "
                         "[--name LAYER]\n");
    return 2;
}

// Characters as a double-quoted descriptor string: a quote is doubled, a backslash escaped by another.
std::string Quoted(const std::string& chars)
{
    std::string out = "\"";
    for (char c : chars)
    {
        if (c == '"')
            out += '"';
        else if (c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) return Usage();
    const std::string facePath = argv[1];
    int pixels = 0;
    if (!Zest::ParseInt(argv[2], pixels) || pixels < 4 || pixels > 256) return Usage();
    const std::string out = argv[3];
    int points = (pixels * 72 + 48) / 96;
    int first = 32, last = 255;
    std::string layerName = "Main";
    for (int i = 4; i + 1 < argc; i += 2)
    {
        std::string opt = argv[i];
        bool ok = true;
        if (opt == "--points")
            ok = Zest::ParseInt(argv[i + 1], points) && points > 0;
        else if (opt == "--first")
            ok = Zest::ParseInt(argv[i + 1], first) && first >= 1 && first <= 255;
        else if (opt == "--last")
            ok = Zest::ParseInt(argv[i + 1], last) && last >= 1 && last <= 255;
        else if (opt == "--name")
            layerName = argv[i + 1];
        else
            ok = false;
        if (!ok) return Usage();
    }
    if ((argc - 4) % 2 != 0 || first > last) return Usage();

    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, facePath.c_str(), 0, &face) != 0 ||
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels)) != 0)
    {
        std::fprintf(stderr, "fontbake: cannot open %s at %d px\n", facePath.c_str(), pixels);
        return 1;
    }
    const FT_Size_Metrics& metrics = face->size->metrics;
    const int ascent = static_cast<int>((metrics.ascender + 63) >> 6);
    const int descent = static_cast<int>((-metrics.descender + 63) >> 6);
    const int lineGap = std::max(0, static_cast<int>((metrics.height + 32) >> 6) - (ascent + descent));

    // Render every character the face has, in Latin-1 order (byte = code point).
    std::vector<Glyph> glyphs;
    for (int code = first; code <= last; ++code)
    {
        FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(code));
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) continue;
        FT_GlyphSlot slot = face->glyph;
        Glyph g;
        g.code = code;
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        const FT_Bitmap& bm = slot->bitmap;
        if (bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.width > 0 && bm.rows > 0)
        {
            g.w = static_cast<int>(bm.width);
            g.h = static_cast<int>(bm.rows);
            g.alpha.resize(size_t(g.w) * g.h);
            for (int row = 0; row < g.h; ++row)
                std::memcpy(&g.alpha[size_t(row) * g.w], bm.buffer + static_cast<ptrdiff_t>(row) * bm.pitch,
                            size_t(g.w));
        }
        glyphs.push_back(std::move(g));
    }

    // Kerning pairs from the face's kerning table, when it has one.
    std::string kern;
    if (FT_HAS_KERNING(face))
    {
        int pairs = 0;
        for (const Glyph& a : glyphs)
            for (const Glyph& b : glyphs)
            {
                FT_Vector delta;
                if (FT_Get_Kerning(face, FT_Get_Char_Index(face, FT_ULong(a.code)),
                                   FT_Get_Char_Index(face, FT_ULong(b.code)), FT_KERNING_DEFAULT, &delta) != 0)
                    continue;
                int k = static_cast<int>(delta.x >> 6);
                if (k == 0) continue;
                k = std::clamp(k, -128, 127);
                if (pairs % 8 == 0) kern += pairs == 0 ? "Kern" : ";\nKern";
                kern += " " + Quoted(std::string{char(a.code), char(b.code)}) + " " + std::to_string(k);
                ++pairs;
            }
        if (pairs > 0) kern += ";\n";
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    // Shelf packing, one empty pixel between glyphs so that scaled glyphs never sample a neighbour.
    int x = 0, y = 0, shelf = 0;
    for (Glyph& g : glyphs)
    {
        if (g.w == 0) continue;
        if (x + g.w > kStripWidth)
        {
            x = 0;
            y += shelf + 1;
            shelf = 0;
        }
        g.x = x;
        g.y = y;
        x += g.w + 1;
        shelf = std::max(shelf, g.h);
    }
    auto strip = ImageLib::Image::Create(kStripWidth, std::max(1, y + shelf));
    if (!strip) return 1;
    for (const Glyph& g : glyphs)
        for (int row = 0; row < g.h; ++row)
            for (int col = 0; col < g.w; ++col)
            {
                uint32_t a = g.alpha[size_t(row) * g.w + col];
                strip->GetBits()[size_t(g.y + row) * kStripWidth + g.x + col] = a ? (a << 24) | 0xFFFFFFu : 0u;
            }
    const std::string pngPath = out + ".png";
    if (!ImageLib::WritePNGImage(pngPath, *strip))
    {
        std::fprintf(stderr, "fontbake: cannot write %s\n", pngPath.c_str());
        return 1;
    }

    std::string text =
        "# " + Zest::GetFileBaseName(facePath) + " at " + std::to_string(pixels) + " pixels, baked by fontbake\n";
    text += "DefaultPointSize " + std::to_string(points) + ";\n";
    text += "Layer " + Quoted(layerName) + ";\n";
    text += "Image " + Quoted(Zest::GetFileBaseName(pngPath) + ".png") + ";\n";
    text += "Metrics " + std::to_string(ascent) + " 0 " + std::to_string(ascent + descent) + " " +
            std::to_string(lineGap) + ";\n";
    // Sixteen characters a statement keeps the file readable.
    for (size_t start = 0; start < glyphs.size(); start += 16)
    {
        size_t end = std::min(glyphs.size(), start + 16);
        std::string chars, rects, advances, offsets;
        for (size_t i = start; i < end; ++i)
        {
            const Glyph& g = glyphs[i];
            chars += char(g.code);
            rects += (i > start ? " (" : "(") + std::to_string(g.x) + " " + std::to_string(g.y) + " " +
                     std::to_string(g.w) + " " + std::to_string(g.h) + ")";
            advances += (i > start ? " " : "") + std::to_string(g.advance);
            offsets += (i > start ? " (" : "(") + std::to_string(g.left) + " " + std::to_string(ascent - g.top) + ")";
        }
        text += "Glyphs " + Quoted(chars) + " (" + rects + ");\n";
        text += "Advances " + Quoted(chars) + " (" + advances + ");\n";
        text += "Offsets " + Quoted(chars) + " (" + offsets + ");\n";
    }
    text += kern;

    std::ofstream file(out + ".txt", std::ios::binary);
    file << text;
    if (!file)
    {
        std::fprintf(stderr, "fontbake: cannot write %s.txt\n", out.c_str());
        return 1;
    }
    std::printf("fontbake: %zu glyphs, ascent %d, height %d -> %s.txt, %s\n", glyphs.size(), ascent, ascent + descent,
                out.c_str(), pngPath.c_str());
    return 0;
}
