// Drawing of the play screen: the grid and its burners, pieces, dishes, customers with their bubbles, the head-up
// display, the devices, the object scene, floating labels and particles, all in fixed 800x600 coordinates.
#pragma once

#include <memory>
#include <vector>

namespace Zest
{

class BoardModel;
class BoardParticles;
class Graphics;
class Image;
struct Dish;
struct FloatingLabel;
struct Person;
struct Topping;
enum class BoardImage;

// The loaded picture a board label or size question names, or null where it is not loaded.
Image* BoardPicture(BoardImage image);

class BoardView
{
public:
    // particles may be null (nothing carried or running is drawn).
    BoardView(BoardModel& model, BoardParticles* particles);
    ~BoardView();

    void Draw(Graphics& g);
    void DrawGrid(Graphics& g);
    void DrawPixelHunt(Graphics& g);
    // Labels under the particles, the particles, then the labels that stand in front of them.
    void DrawEffects(Graphics& g);

    void DrawTopping(Graphics& g, const Topping& piece);
    void DrawHintArrows(Graphics& g, const Topping& piece);
    void DrawDish(Graphics& g, const Dish& dish);
    void DrawDishItem(Graphics& g, const Dish& dish);
    // The footprint part only, for the hint window's picture of a held dish.
    void DrawPreview(Graphics& g, const Dish& dish);
    void DrawPerson(Graphics& g, const Person& person);
    void DrawCloud(Graphics& g, const Person& person);
    void DrawSmallCloud(Graphics& g, const Person& person);
    void DrawLabel(Graphics& g, const FloatingLabel& label);

    // The frame picture a customer shows now, null when the definition or picture is missing or not loaded (the
    // level start loads the pictures of the types the level can bring).
    Image* FrameImage(const Person& person);

    BoardModel& model;
    BoardParticles* particles;
    // Draw through the sub-pixel transform paths, as an accelerated display would.
    bool accelerated = false;

private:
    void DrawAkkum(Graphics& g);
    void DrawCoffee(Graphics& g);
    void DrawHud(Graphics& g);
    void DrawFootprint(Graphics& g, const Dish& dish, Image* picture, bool turned);
};

} // namespace Zest
