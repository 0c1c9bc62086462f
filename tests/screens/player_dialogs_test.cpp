// The text entry dialog and the player choice dialog: the name filter and limits, OK and Cancel, choosing,
// creating, renaming and deleting players with their save files.
#include "WindowsTestSupport.h"

#include "game/screens/PlayerDialogs.h"
#include "widgets/EditWidget.h"
#include "widgets/ListWidget.h"

#include <cstdlib>
#include <filesystem>
#include <tuple>

using namespace Zest;

namespace
{

void Type(DialogWithEdit& d, const std::string& text)
{
    for (char c : text) d.editWidget->KeyChar(c);
}

// Answers the next text entry by typing `text` over the field and pressing OK; other dialogs get `answer`.
std::function<int(Dialog*)> TypeAnswer(WindowsApp& app, const std::string& text, int answer = DIALOG_BUTTON_YES)
{
    return [&app, text, answer](Dialog* d)
    {
        if (auto* entry = dynamic_cast<DialogWithEdit*>(d))
        {
            entry->editWidget->SetText("");
            Type(*entry, text);
            app.Click(entry->okButton.get());
            return entry->result;
        }
        return answer;
    };
}

} // namespace

TEST_F(WindowsTest, TextEntryFiltersNameCharactersAndKeepsTwelve)
{
    const struct
    {
        char c;
        bool allowed;
    } table[] = {{'#', false}, {'$', false}, {'%', false}, {'&', false}, {'(', false},   {')', false},
                 {'*', false}, {'+', false}, {'-', false}, {'.', false}, {':', false},   {'@', false},
                 {'^', false}, {'!', true},  {',', true},  {'/', true},  {'?', true},    {'_', true},
                 {' ', true},  {'a', true},  {'Z', true},  {'7', true},  {'\x80', true}, {'\xe9', true}};
    DialogWithEdit d(app.get(), "h", "p", "");
    for (const auto& t : table)
    {
        d.filter = true;
        EXPECT_EQ(d.AllowChar(2, t.c), t.allowed) << static_cast<int>(static_cast<unsigned char>(t.c));
        d.filter = false;
        EXPECT_TRUE(d.AllowChar(2, t.c));
    }
    d.filter = true;
    Type(d, "a.b");
    EXPECT_EQ(d.editWidget->text, "ab");
    d.editWidget->SetText("");
    d.filter = false;
    Type(d, "a.b");
    EXPECT_EQ(d.editWidget->text, "a.b");
    d.editWidget->SetText("");
    Type(d, "abcdefghijklm");
    EXPECT_EQ(d.editWidget->text, "abcdefghijkl");
}

TEST_F(WindowsTest, TextEntryOkNeedsTextAndCancelForgetsIt)
{
    std::string text = "unchanged";
    // OK on an empty field and Enter on it keep the dialog; then a name is typed and entered.
    app->respond = [&](Dialog* d)
    {
        auto* entry = dynamic_cast<DialogWithEdit*>(d);
        EXPECT_EQ(entry->GetRect(), Rect(400 - 210, 300 - 150, 420, 301));
        EXPECT_EQ(entry->editWidget->GetRect(), Rect(30, 100, 420 - 60, 14 + 10));
        EXPECT_EQ(app->Manager().focusWidget, entry->editWidget.get());
        ClearDrawn();
        DrawWidget(*entry);
        const auto* prompt = FindText("FONT_DEFAULT", "prompt");
        EXPECT_TRUE(prompt && prompt->x == 190 + 30 && prompt->y == 150 + 95);
        entry->editWidget->SetText("");
        app->Click(entry->okButton.get());
        entry->EditTextEntered(2, "");
        EXPECT_EQ(app->GetDialog(DIALOG_TEXT_ENTRY), entry);
        Type(*entry, "Bob");
        entry->EditTextEntered(2, "Bob");
        return entry->result;
    };
    EXPECT_EQ(app->windows->AskText("head", "prompt", "", 12, true, text), 1);
    EXPECT_EQ(text, "Bob");
    EXPECT_EQ(app->lastEditText, "Bob");
    EXPECT_EQ(app->GetDialog(DIALOG_TEXT_ENTRY), nullptr);

    // Cancel empties the last text even with a name in the field.
    app->respond = [&](Dialog* d)
    {
        auto* entry = dynamic_cast<DialogWithEdit*>(d);
        app->Click(entry->cancelButton.get());
        return entry->result;
    };
    text = "unchanged";
    EXPECT_EQ(app->windows->AskText("head", "prompt", "Carl", 12, true, text), 0);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(app->lastEditText, "");

    // Without Cancel (the first player's prompt) the button does nothing.
    app->respond = [&](Dialog* d)
    {
        auto* entry = dynamic_cast<DialogWithEdit*>(d);
        EXPECT_TRUE(entry->cancelButton->disabled);
        app->Click(entry->cancelButton.get());
        EXPECT_EQ(app->GetDialog(DIALOG_TEXT_ENTRY), entry);
        app->Click(entry->okButton.get());
        return entry->result;
    };
    EXPECT_EQ(app->windows->AskText("head", "prompt", "Dora", 12, false, text), 1);
    EXPECT_EQ(text, "Dora");
}

TEST_F(WindowsTest, FirstStartAsksForAPlayerThroughTheTextEntry)
{
    const auto answer = TypeAnswer(*app, "Eve");
    app->respond = [&](Dialog* d)
    {
        // The Cancel that cannot be used looks it: it has the greyed picture, not the live one.
        if (auto* entry = dynamic_cast<DialogWithEdit*>(d))
        {
            EXPECT_TRUE(entry->cancelButton->disabled);
            EXPECT_EQ(entry->cancelButton->disabledImage, IMAGE_SMBUTTON_DISABLED);
            EXPECT_NE(IMAGE_SMBUTTON_DISABLED, nullptr);
        }
        return answer(d);
    };
    app->CreateTitleScreen();
    app->titleScreen->LoadLogos(LogoFileData{});
    app->OnLoadingDone();
    app->titleScreen->ButtonReleased(1);
    ASSERT_EQ(app->players.size(), 1u);
    EXPECT_EQ(app->players[0]->name, "Eve");
    EXPECT_EQ(app->currentPlayer, 0);
}

namespace
{

class PlayerChoiceTest : public WindowsTest
{
protected:
    ChPlayerDialog* dialog = nullptr;
    void SetUp() override
    {
        WindowsTest::SetUp();
        app->StartWithPlayer("Ann", 1, 0);
        for (const char* name : {"Ben", "Cid"})
        {
            auto p = std::make_unique<PlayerProfile>();
            p->name = name;
            app->players.push_back(std::move(p));
        }
        app->currentPlayer = 1;
    }
    void Open()
    {
        app->windows->OpenPlayerChoice();
        dialog = app->Dialog<ChPlayerDialog>(DIALOG_MENU);
        ASSERT_NE(dialog, nullptr);
        app->Step(42);
    }
    std::vector<std::string> Lines() { return dialog->list->lines; }
    std::vector<std::string> Names()
    {
        std::vector<std::string> out;
        for (const auto& p : app->players) out.push_back(p->name);
        return out;
    }
    std::string Saves() { return app->dataFolder + "saves/"; }
    void MakeSave(const std::string& name, const std::string& content)
    {
        std::filesystem::create_directories(Saves());
        std::ofstream(Saves() + name) << content;
    }
    bool Exists(const std::string& path) { return std::filesystem::exists(path); }
};

} // namespace

TEST_F(PlayerChoiceTest, OpensOnTheCurrentPlayerAndChoosingStoresTheSelection)
{
    Open();
    EXPECT_EQ(dialog->y, 100);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"text3", "Ann", "Ben", "Cid"}));
    EXPECT_EQ(dialog->list->selectIndex, 2);
    EXPECT_EQ(dialog->list->GetRect(), Rect(60, 100, 640 - 120, 500 - 250));
    EXPECT_EQ(dialog->chooseButton->GetRect(), Rect(60, 380, 130, 40));
    EXPECT_EQ(dialog->renameButton->GetRect(), Rect(640 - 30 - 130 - 30, 380, 130, 40));
    auto alpha = [&]
    {
        for (const auto& c : DrawWidget(*dialog))
            if (c.op == "fill" && c.rect == Rect(0, 0, 800, 600)) return c.color.mAlpha;
        return 0;
    };
    EXPECT_EQ(alpha(), 200);
    dialog->list->SetSelect(3);
    app->Manager().KeyDown(13);
    EXPECT_EQ(app->currentPlayer, 2);
    EXPECT_TRUE(dialog->closing);
    EXPECT_EQ(app->StepUntilClosed(DIALOG_MENU), 42);
    EXPECT_FALSE(dialog->visible);
}

// The list is set into the chalkboard: its blue lets the board through, a carved frame lies around it, and the
// frame, drawn over the list's edges, still lets every click reach the names.
TEST_F(PlayerChoiceTest, TheListSitsInACarvedFrameThatLetsClicksThrough)
{
    Open();
    WidgetTest::RecordingImage target(800, 600);
    Graphics g(&target);
    dialog->list->Draw(&g);
    ASSERT_FALSE(target.calls.empty());
    const auto& background = target.calls.front();
    EXPECT_EQ(background.op, "fill");
    EXPECT_EQ(background.rect, Rect(0, 0, dialog->list->width, dialog->list->height));
    EXPECT_EQ(std::make_tuple(background.color.mRed, background.color.mGreen, background.color.mBlue),
              std::make_tuple(87, 149, 242));
    EXPECT_LT(background.color.mAlpha, 200) << "the chalkboard should show through the list";

    ASSERT_NE(dialog->listFrame, nullptr);
    const Rect list = dialog->list->GetRect(), frame = dialog->listFrame->GetRect();
    EXPECT_TRUE(frame.mX < list.mX && frame.mY < list.mY && frame.mX + frame.mWidth > list.mX + list.mWidth &&
                frame.mY + frame.mHeight > list.mY + list.mHeight);
    EXPECT_FALSE(DrawWidget(*dialog->listFrame).empty());

    // A click on the last name, through the frame: the name is selected.
    const Point at = dialog->list->GetAbsolutePosition();
    const int row = dialog->list->itemHeight, cx = at.mX + dialog->list->width / 2, cy = at.mY + 4 + 3 * row + row / 2;
    app->Manager().MouseMove(cx, cy);
    app->Manager().MouseDown(cx, cy, 1);
    app->Manager().MouseUp(cx, cy, 1);
    EXPECT_EQ(dialog->list->selectIndex, 3);
}

TEST_F(PlayerChoiceTest, WithNobodyCurrentTheNewPlayerLineIsSelectedAndChoosingItKeepsNobody)
{
    app->currentPlayer = -1;
    Open();
    EXPECT_EQ(dialog->list->selectIndex, 0);
    app->Click(dialog->chooseButton.get());
    EXPECT_EQ(app->currentPlayer, -1);
    dialog->closing = false;
    dialog->list->selectIndex = -5; // never below -1 as the current player
    dialog->Choose();
    EXPECT_EQ(app->currentPlayer, -1);
}

TEST_F(PlayerChoiceTest, NewPlayersAreSelectedButNotCurrentAndTheEighthIsRefused)
{
    Open();
    app->respond = TypeAnswer(*app, "Dan");
    dialog->ListClicked(ChPlayerDialog::kListId, 0, -1); // a right click on the new-player line too
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ann", "Ben", "Cid", "Dan"}));
    EXPECT_EQ(dialog->list->selectIndex, 4);
    EXPECT_EQ(app->currentPlayer, 1);
    EXPECT_NE(PlayersFile().find("Dan"), std::string::npos);

    app->respond = TypeAnswer(*app, "Ben");
    dialog->ListClicked(ChPlayerDialog::kListId, 0, 1);
    EXPECT_EQ(app->players.size(), 4u);
    ASSERT_NE(app->GetDialog(DIALOG_PLAYER_MESSAGE), nullptr);
    EXPECT_EQ(app->GetDialog(DIALOG_PLAYER_MESSAGE)->header, "text19");

    for (const char* name : {"Eve", "Fay", "Gus"})
    {
        app->respond = TypeAnswer(*app, name);
        dialog->ListClicked(ChPlayerDialog::kListId, 0, 1);
    }
    EXPECT_EQ(app->players.size(), 7u);
    app->waitedIds.clear();
    app->CloseDialog(DIALOG_PLAYER_MESSAGE);
    dialog->ListClicked(ChPlayerDialog::kListId, 0, 1);
    EXPECT_EQ(app->players.size(), 7u);
    EXPECT_TRUE(app->waitedIds.empty());
    EXPECT_EQ(app->GetDialog(DIALOG_PLAYER_MESSAGE)->header, "text16");
}

TEST_F(PlayerChoiceTest, RenameRefusesTakenNamesAndMovesOnlyTheSavesThatExist)
{
    Open();
    dialog->list->SetSelect(1);
    app->respond = TypeAnswer(*app, "Ann"); // its own name counts as taken
    app->Click(dialog->renameButton.get());
    EXPECT_EQ(Names()[0], "Ann");
    ASSERT_NE(app->GetDialog(DIALOG_PLAYER_MESSAGE), nullptr);
    EXPECT_EQ(app->GetDialog(DIALOG_PLAYER_MESSAGE)->header, "text8");

    MakeSave("Ann2.sav", "second");
    app->respond = TypeAnswer(*app, "Anna");
    const std::string before = PlayersFile();
    dialog->Rename();
    EXPECT_EQ(Names()[0], "Anna");
    EXPECT_EQ(Lines()[1], "Anna");
    EXPECT_FALSE(Exists(Saves() + "Ann2.sav"));
    EXPECT_EQ(ReadFile(Saves() + "Anna2.sav"), "second");
    EXPECT_FALSE(Exists(Saves() + "Anna1.sav"));
    EXPECT_EQ(PlayersFile(), before); // saved when the choice is made, not here

    // The new-player line cannot be renamed.
    dialog->list->SetSelect(0);
    app->waitedIds.clear();
    dialog->Rename();
    EXPECT_TRUE(app->waitedIds.empty());
}

TEST_F(PlayerChoiceTest, RenamingPastAPipeOrAFolderInASavesPlaceNeitherHangsNorMovesThem)
{
    Open();
    // Opening a pipe to read it would wait for a writer that never comes.
    std::filesystem::create_directories(Saves() + "Ann2.sav");
    ASSERT_EQ(std::system(("mkfifo '" + Saves() + "Ann1.sav'").c_str()), 0);
    dialog->list->SetSelect(1);
    app->respond = TypeAnswer(*app, "Anna");
    dialog->Rename();
    EXPECT_EQ(Names()[0], "Anna");
    EXPECT_TRUE(std::filesystem::is_fifo(Saves() + "Ann1.sav"));
    EXPECT_TRUE(std::filesystem::is_directory(Saves() + "Ann2.sav"));
    EXPECT_FALSE(Exists(Saves() + "Anna1.sav"));
    EXPECT_FALSE(Exists(Saves() + "Anna2.sav"));
}

TEST_F(PlayerChoiceTest, DeletingKeepsTheSamePlayerCurrentAndTheSelectionInTheList)
{
    Open();
    MakeSave("Ann1.sav", "x");
    MakeSave("Ann2.sav", "y");
    dialog->list->SetSelect(1);
    std::vector<std::string> asked;
    app->respond = [&](Dialog* d)
    {
        asked.push_back(d->lines);
        EXPECT_EQ(d->yesButton->label, "text14");
        return DIALOG_BUTTON_YES;
    };
    app->Click(dialog->deleteButton.get());
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ben", "Cid"}));
    EXPECT_EQ(app->currentPlayer, 0); // still Ben
    EXPECT_FALSE(Exists(Saves() + "Ann1.sav"));
    EXPECT_FALSE(Exists(Saves() + "Ann2.sav"));

    dialog->list->SetSelect(2); // the last line
    dialog->Delete();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ben"}));
    EXPECT_EQ(dialog->list->selectIndex, 1);
    EXPECT_EQ(app->currentPlayer, 0);
    EXPECT_EQ(asked, (std::vector<std::string>{"text13 Ann?", "text13 Cid?"}));

    // The only player stays, with a message that is not waited for.
    app->waitedIds.clear();
    dialog->Delete();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ben"}));
    EXPECT_TRUE(app->waitedIds.empty());
    ASSERT_NE(app->GetDialog(DIALOG_ONLY_PLAYER), nullptr);
    EXPECT_EQ(app->GetDialog(DIALOG_ONLY_PLAYER)->lines, "text12");
}

TEST_F(PlayerChoiceTest, DeletingTheCurrentFirstPlayerLeavesNobodyAndNoKeepsEverything)
{
    app->currentPlayer = 0;
    Open();
    dialog->list->SetSelect(1);
    dialog->Delete(); // answered No
    EXPECT_EQ(app->players.size(), 3u);
    app->respond = [](Dialog*) { return DIALOG_BUTTON_YES; };
    dialog->Delete();
    EXPECT_EQ(app->currentPlayer, -1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ben", "Cid"}));
}

TEST_F(PlayerChoiceTest, NamesThatLeaveTheSavesFolderTouchNoFiles)
{
    std::filesystem::create_directories(app->dataFolder);
    std::ofstream(app->dataFolder + "x1.sav") << "outside";
    app->players[2]->name = "../x";
    Open();
    dialog->list->SetSelect(3);
    app->respond = [](Dialog*) { return DIALOG_BUTTON_YES; };
    dialog->Delete();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ann", "Ben"}));
    EXPECT_EQ(ReadFile(app->dataFolder + "x1.sav"), "outside");
    for (const char* name : {"a/b", "a\\b", "c:d", "..", "x..y"}) EXPECT_FALSE(IsSafeSaveName(name)) << name;
    for (const char* name : {"Ann", "J. Doe", "a b"}) EXPECT_TRUE(IsSafeSaveName(name)) << name;
}
