// The customers' queue as the shipped pictures lay it out: every face, order bubble and the pizzeria's plaque stays
// readable whichever customers stand in the four places.
#include <gtest/gtest.h>

#include "tests/board/BoardTestHost.h"

#include "data/ImageLib.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace Zest::Testing
{
namespace
{

// The shipped pictures as alpha masks, placed on the 800x600 screen.
struct Mask
{
    int x = 0, y = 0, w = 0, h = 0;
    std::vector<uint8_t> alpha;
    int top = -1; // first row holding a solid pixel

    bool Solid(int sx, int sy) const
    {
        const int px = sx - x, py = sy - y;
        return px >= 0 && py >= 0 && px < w && py < h && alpha[static_cast<size_t>(py * w + px)] >= 128;
    }
};

std::unique_ptr<ImageLib::Image> Picture(const std::string& path)
{
    return ImageLib::GetImage(std::string(ZEST_CONTENT_DATA) + "/" + path + ".png");
}

Mask MaskOf(const std::string& path, int x, int y)
{
    // Each picture is decoded once: the pairs below place the same few dozen pictures thousands of times.
    static std::map<std::string, Mask> decoded;
    auto known = decoded.find(path);
    if (known != decoded.end())
    {
        Mask m = known->second;
        m.x = x;
        m.y = y;
        return m;
    }
    Mask m;
    const auto image = Picture(path);
    if (!image) return m;
    m.x = x;
    m.y = y;
    m.w = image->GetWidth();
    m.h = image->GetHeight();
    m.alpha.resize(static_cast<size_t>(m.w * m.h));
    for (int i = 0; i < m.w * m.h; ++i)
    {
        m.alpha[static_cast<size_t>(i)] = static_cast<uint8_t>(image->GetBits()[i] >> 24);
        if (m.top < 0 && m.alpha[static_cast<size_t>(i)] >= 128) m.top = i / m.w;
    }
    decoded[path] = m;
    return m;
}

// Solid pixels of a inside the rows [fromRow, toRow) of the screen that are also solid in b.
int Covered(const Mask& a, const Mask& b, int fromRow = -100000, int toRow = 100000)
{
    int n = 0;
    for (int sy = std::max(a.y, fromRow); sy < std::min(a.y + a.h, toRow); ++sy)
        for (int sx = a.x; sx < a.x + a.w; ++sx)
            if (a.Solid(sx, sy) && b.Solid(sx, sy)) ++n;
    return n;
}

struct Frame
{
    std::string name; // "type/picture state"
    int state = 0;
    std::string image;
    int dx = 0, dy = 0; // the type's and the frame's offsets together
};

class QueueLayout : public ::testing::Test
{
protected:
    static constexpr int kPlaces = 4;
    // The rows at the top of a figure that hold its head with whatever it wears on it.
    static constexpr int kHeadRows = 65;

    RecordingHost host;
    BoardModel model{host};
    std::vector<std::vector<Frame>> types; // every frame of every customer type

    void SetUp() override
    {
        model.CharacterFolder = std::string(ZEST_CONTENT_DATA) + "/characters/";
        ASSERT_TRUE(model.LoadCharacters());
        ASSERT_EQ(model.Characters.size(), 12u);
        for (const auto& def : model.Characters)
        {
            std::vector<Frame> frames;
            for (size_t s = 0; s < def->animes.size() && s < 3; ++s)
                for (const PersonFrame& f : def->animes[s])
                {
                    ASSERT_GE(f.img, 0);
                    ASSERT_LT(f.img, static_cast<int>(def->imageNames.size()));
                    const std::string& image = def->imageNames[static_cast<size_t>(f.img)];
                    frames.push_back({image + " state " + std::to_string(s), static_cast<int>(s), image,
                                      def->shiftX + f.shiftX, def->shiftY + f.shiftY});
                }
            ASSERT_FALSE(frames.empty());
            types.push_back(frames);
        }
    }

    // Where a customer rests in queue place i.
    static int SlotX(int place) { return 10 * place - 50; }
    static int SlotY(int place) { return 400 - 100 * place; }

    static Mask Figure(const Frame& f, int place) { return MaskOf(f.image, SlotX(place) + f.dx, SlotY(place) + f.dy); }

    Mask Bubble(int place) const
    {
        const auto cloud = Picture("images/ui/cloudlet");
        const int w = cloud ? cloud->GetWidth() : 0, h = cloud ? cloud->GetHeight() : 0;
        return MaskOf("images/ui/cloudlet", model.ShelfX - 2 - w / 2, SlotY(place) + 80 - h / 2);
    }

    // The face and bar of the mood meter, one rectangle.
    // Names the faults once per pair of pictures, not once per frame and place.
    static std::string List(const std::set<std::string>& faults)
    {
        std::string text;
        for (const std::string& f : faults) text += "\n  " + f;
        return text;
    }

    Mask MoodMeter(int place) const
    {
        const auto bar = Picture("images/ui/mood_good");
        Mask m;
        m.x = model.ShelfX - 83;
        m.y = SlotY(place) + 13;
        m.w = bar ? bar->GetWidth() : 0;
        m.h = bar ? bar->GetHeight() : 0;
        m.alpha.assign(static_cast<size_t>(m.w * m.h), 255);
        return m;
    }
};

// The customer in front is drawn over the one behind it: it may hide the body behind, never the head.
TEST_F(QueueLayout, NoCustomerCoversTheHeadOfTheOneBehind)
{
    std::set<std::string> faults;
    for (int place = 0; place + 1 < kPlaces; ++place)
        for (const auto& back : types)
            for (const Frame& b : back)
            {
                const Mask behind = Figure(b, place + 1);
                ASSERT_GE(behind.top, 0) << b.name;
                const int headFrom = behind.y + behind.top, headTo = headFrom + kHeadRows;
                for (const auto& front : types)
                    for (const Frame& f : front)
                        if (Covered(behind, Figure(f, place), headFrom, headTo) > 0)
                            faults.insert(f.image + " covers the head of " + b.image + " behind it");
            }
    EXPECT_TRUE(faults.empty()) << faults.size() << " pairs:" << List(faults);
}

// Bubbles are drawn under the customers: no customer beside one, nor its own while it waits, may lie on it.
TEST_F(QueueLayout, OrderBubblesStayClearOfEveryFigure)
{
    std::set<std::string> faults;
    for (int place = 0; place < kPlaces; ++place)
    {
        const Mask bubble = Bubble(place);
        ASSERT_GT(bubble.w, 0);
        for (int other = std::max(0, place - 1); other <= std::min(kPlaces - 1, place + 1); ++other)
            for (const auto& type : types)
                for (const Frame& f : type)
                {
                    if (other == place && f.state == 2) continue; // paying: its bubble is gone
                    if (Covered(bubble, Figure(f, other)) > 0)
                        faults.insert(f.name + " in place " + std::to_string(other) + " lies on the bubble of place " +
                                      std::to_string(place));
                }
    }
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults:" << List(faults);
}

// The pizzeria's number is a brass plaque in the kitchen picture: no mood meter of the queue may lie on it.
TEST_F(QueueLayout, MoodMetersLeaveThePizzeriasPlaqueInView)
{
    for (int n = 1; n <= 6; ++n)
    {
        const auto bg = Picture("images/gameplay/bg_pizzeria" + std::to_string(n));
        ASSERT_TRUE(bg) << n;
        // Brass: the plaque's yellow-to-amber gradient. Left of the board and above the oven's mouth only the
        // plaque has that colour in a large patch (a window's view may show a speck of it), so the plaque is the
        // largest patch of brass found there.
        constexpr int kW = 250, kH = 280;
        std::vector<int> patch(static_cast<size_t>(kW * kH), -1);
        const auto brass = [&](int x, int y)
        {
            const uint32_t p = bg->GetBits()[y * bg->GetWidth() + x];
            const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
            return r >= 170 && g >= 110 && g <= 215 && b <= 90 && g * 100 >= r * 55;
        };
        int best = -1, found = 0, patches = 0;
        for (int start = 0; start < kW * kH; ++start)
        {
            if (patch[static_cast<size_t>(start)] != -1 || !brass(start % kW, start / kW)) continue;
            std::vector<int> todo{start};
            patch[static_cast<size_t>(start)] = patches;
            int size = 0;
            while (!todo.empty())
            {
                const int at = todo.back();
                todo.pop_back();
                ++size;
                const int x = at % kW, y = at / kW;
                for (const auto& [dx, dy] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}})
                {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= kW || ny >= kH) continue;
                    const size_t k = static_cast<size_t>(ny * kW + nx);
                    if (patch[k] != -1 || !brass(nx, ny)) continue;
                    patch[k] = patches;
                    todo.push_back(static_cast<int>(k));
                }
            }
            if (size > found)
            {
                found = size;
                best = patches;
            }
            ++patches;
        }
        Mask plaque;
        plaque.w = kW;
        plaque.h = kH;
        plaque.alpha.assign(static_cast<size_t>(kW * kH), 0);
        for (size_t k = 0; k < patch.size(); ++k)
            if (patch[k] == best) plaque.alpha[k] = 255;
        ASSERT_GT(found, 200) << "no plaque found in pizzeria " << n;
        for (int place = 0; place < kPlaces; ++place)
            EXPECT_EQ(Covered(MoodMeter(place), plaque), 0)
                << "the mood meter of place " << place << " lies on the plaque of pizzeria " << n;
    }
}

} // namespace
} // namespace Zest::Testing
