// Zest::DialogWithEdit, the text entry dialog, and Zest::ChPlayerDialog, where players are chosen, made, renamed
// and deleted.
#pragma once

#include "game/screens/SlidePanel.h"
#include "widgets/EditListener.h"
#include "widgets/ListListener.h"

#include <memory>
#include <string>

namespace Zest
{

class EditWidget;
class ListWidget;

class DialogWithEdit : public Dialog, public EditListener
{
public:
    static constexpr int kOkId = 0;
    static constexpr int kCancelId = 1;
    static constexpr int kEditId = 2;
    static constexpr int kMaxNameChars = 12;

    DialogWithEdit(GameApp* app, const std::string& header, const std::string& prompt, const std::string& initial);
    ~DialogWithEdit() override;

    using Dialog::Resize;
    void Resize(int newX, int newY, int newWidth, int newHeight) override;
    void Draw(Graphics* g) override;
    void ButtonReleased(int id) override;
    void EditTextEntered(int id, const std::string& text) override;
    bool AllowChar(int id, char chr) override;

    // Characters a name may not hold while the filter is on.
    static bool IsFilteredChar(char chr);

    GameApp* app;
    std::unique_ptr<EditWidget> editWidget;
    std::unique_ptr<ButtonWidget> okButton;
    std::unique_ptr<ButtonWidget> cancelButton;
    std::string prompt;
    bool filter = true;

private:
    void Accept();
};

// Shows a text entry dialog centred as dialog 1006 and waits for it. Result 1 (OK, with the text in `text`) or
// 0. nameFonts gives the header the name prompts' font.
int AskForTextEntry(GameApp* app, const std::string& header, const std::string& prompt, const std::string& initial,
                    int maxChars, bool cancelEnabled, bool nameFonts, std::string& text);

// True when a player name can stand in a save file's name without leaving the saves folder.
bool IsSafeSaveName(const std::string& name);

class ChPlayerDialog : public SlidePanel, public ListListener
{
public:
    static constexpr int kChooseId = 0;
    static constexpr int kDeleteId = 1;
    static constexpr int kRenameId = 2;
    static constexpr int kListId = 3;
    static constexpr int kMaxPlayers = 7;
    // Pixels a list row has beyond the height of its font.
    static constexpr int kListRowAir = 3;

    ChPlayerDialog(GameApp* app, const std::string& title, const std::string& lines);
    ~ChPlayerDialog() override;

    using Dialog::Resize;
    void Resize(int newX, int newY, int newWidth, int newHeight) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void KeyDown(int keyCode) override;
    void ButtonReleased(int id) override;
    void ListClicked(int id, int lineIndex, int clickCount) override;

    void Choose();
    void Rename();
    void Delete();
    void NewPlayer();

    std::unique_ptr<ButtonWidget> chooseButton;
    std::unique_ptr<ButtonWidget> deleteButton;
    std::unique_ptr<ButtonWidget> renameButton;
    std::unique_ptr<ListWidget> list;
    // Drawn over the list's edges: the carved wooden frame the list sits in (the mouse passes through it).
    std::unique_ptr<Widget> listFrame;

private:
    void MoveSaveFile(const std::string& oldName, const std::string& newName, const std::string& suffix);
    void EraseSaveFile(const std::string& name, const std::string& suffix);
    Dialog* MakeQuestion(int id, const std::string& header, const std::string& lines, const std::string& footer,
                         int mode);
};

// The player list of the title menu, sliding in as dialog 1005.
void OpenPlayerChoice(GameApp* app);

} // namespace Zest
