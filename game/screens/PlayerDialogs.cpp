// The text entry dialog and the player choice dialog with its save-file moves.
#include "PlayerDialogs.h"

#include "GameApp.h"
#include "base/Buffer.h"
#include "game/core/GameResources.h"
#include "game/core/TextIds.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/EditWidget.h"
#include "widgets/ListWidget.h"
#include "widgets/WidgetManager.h"

#include <algorithm>

namespace Zest
{

namespace
{

const Color kWhite(255, 255, 255, 255);
const Color kFieldBack(12, 14, 13, 255);
const Color kFieldRim(201, 160, 104, 255);
const Color kFieldCaret(240, 128, 40, 255);
constexpr int kKeyEnter = 13;

// The wood of the carved frame: the game's one outline colour outside, walnut in the band, a lit top-left bevel and
// a shaded bottom-right one, and a shadow falling from the frame onto the list inside.
constexpr int kFrameBand = 7;

class CarvedFrame : public Widget
{
public:
    CarvedFrame()
    {
        mouseVisible = false;
        translucent = true;
    }

    void Draw(Graphics* g) override
    {
        const int w = width, h = height, b = kFrameBand;
        const auto fill = [g](const Color& c, int x, int y, int fw, int fh)
        {
            g->SetColor(c);
            g->FillRect(x, y, fw, fh);
        };
        // The band, then its bevels: light catches the top and left, the bottom and right fall in shade.
        fill(Color(138, 90, 54), 0, 0, w, b);
        fill(Color(138, 90, 54), 0, h - b, w, b);
        fill(Color(138, 90, 54), 0, b, b, h - 2 * b);
        fill(Color(138, 90, 54), w - b, b, b, h - 2 * b);
        fill(Color(196, 140, 90), 2, 2, w - 4, 2);
        fill(Color(196, 140, 90), 2, 4, 2, h - 6);
        fill(Color(90, 55, 32), 2, h - 4, w - 4, 2);
        fill(Color(90, 55, 32), w - 4, 4, 2, h - 8);
        // The inner lip is cut the other way round, so the list reads as set into the board.
        fill(Color(90, 55, 32), b - 2, b - 2, w - 2 * b + 4, 2);
        fill(Color(90, 55, 32), b - 2, b, 2, h - 2 * b + 2);
        fill(Color(196, 140, 90), b - 2, h - b, w - 2 * b + 4, 2);
        fill(Color(196, 140, 90), w - b, b, 2, h - 2 * b);
        g->SetColor(Color(58, 35, 22));
        g->DrawRect(0, 0, w - 1, h - 1);
        // The shadow the frame casts into the list: a few rows and columns fading out.
        for (int k = 0; k < 5; ++k)
        {
            const Color shade(0, 0, 0, 90 - k * 18);
            fill(shade, b + k, b + k, w - 2 * b - k, 1);
            fill(shade, b + k, b + k + 1, 1, h - 2 * b - k - 1);
        }
    }
};

void SetUpPlainButton(ButtonWidget& b, const std::string& label, Image* down)
{
    b.label = label;
    b.buttonImage = IMAGE_SMBUTTON;
    b.overImage = IMAGE_SMBUTTON_OVER;
    b.downImage = down;
    if (FONT_DEFAULT_BLUE) b.SetFont(FONT_DEFAULT_BLUE);
    for (int c : {0, 1, 2}) b.SetColor(c, kWhite);
    b.showHandCursor = true;
    b.Resize(0, 0, ImageWidth(IMAGE_SMBUTTON), ImageHeight(IMAGE_SMBUTTON));
}

} // namespace

// ---- text entry ----

DialogWithEdit::DialogWithEdit(GameApp* gameApp, const std::string& header, const std::string& promptText,
                               const std::string& initial)
    : Dialog(IMAGE_MONITOR_SMALL, IMAGE_SMBUTTON, DIALOG_TEXT_ENTRY, true, header, "", "", DIALOG_BUTTONS_NONE),
      app(gameApp), prompt(promptText)
{
    contentInsets = Insets(30, 30, 30, 50);
    spaceAfterHeader = 30;
    if (FONT_DEFAULT)
    {
        SetHeaderFont(FONT_DEFAULT);
        SetLinesFont(FONT_DEFAULT);
        SetButtonFont(FONT_DEFAULT);
    }
    SetColor(0, kWhite);
    SetColor(1, kWhite);
    okButton = std::make_unique<ButtonWidget>(kOkId, this);
    SetUpPlainButton(*okButton, app->Text(TXT_OK), IMAGE_SMBUTTON_DOWN);
    cancelButton = std::make_unique<ButtonWidget>(kCancelId, this);
    SetUpPlainButton(*cancelButton, app->Text(TXT_CANCEL), IMAGE_SMBUTTON_DOWN);
    editWidget = std::make_unique<EditWidget>(this);
    editWidget->id = kEditId;
    if (FONT_DEFAULT) editWidget->SetFont(FONT_DEFAULT);
    editWidget->maxChars = kMaxNameChars;
    editWidget->SetColor(2, kWhite);
    // The field's font is white letters with a dark outline: on the default white field they would vanish, so the
    // field is a dark slot in the board with a light rim, and the caret and the selection are ember orange.
    editWidget->SetColor(EDIT_COLOR_BACKGROUND, kFieldBack);
    editWidget->SetColor(EDIT_COLOR_OUTLINE, kFieldRim);
    editWidget->SetColor(EDIT_COLOR_CURSOR, kFieldCaret);
    editWidget->SetText(initial);
    AddWidget(okButton.get());
    AddWidget(cancelButton.get());
    AddWidget(editWidget.get());
}

DialogWithEdit::~DialogWithEdit()
{
    RemoveAllWidgets(false);
}

void DialogWithEdit::Resize(int newX, int newY, int newWidth, int newHeight)
{
    Dialog::Resize(newX, newY, newWidth, newHeight);
    if (!okButton) return;
    const int half = newWidth / 2;
    const int bw = ImageWidth(IMAGE_SMBUTTON), bh = ImageHeight(IMAGE_SMBUTTON);
    okButton->Resize(half - bw - 30, newHeight - 100, bw, bh);
    cancelButton->Resize(half + 30, newHeight - 100, bw, bh);
    const int fieldHeight = (FONT_DEFAULT ? FONT_DEFAULT->GetHeight() : 14) + 10;
    editWidget->Resize(contentInsets.mLeft, 100, newWidth - contentInsets.mRight - contentInsets.mLeft, fieldHeight);
}

void DialogWithEdit::Draw(Graphics* g)
{
    Dialog::Draw(g);
    // In the lines font and colour, which the dialog itself only sets when it has lines to show.
    g->SetFont(linesFont.get());
    g->SetColor(GetColor(DIALOG_COLOR_LINES));
    g->DrawString(prompt, contentInsets.mLeft, 95);
}

void DialogWithEdit::Accept()
{
    if (editWidget->text.empty()) return;
    result = 1;
    app->lastEditText = editWidget->text;
    app->CloseDialog(this);
}

void DialogWithEdit::ButtonReleased(int id)
{
    Dialog::ButtonReleased(id);
    app->PlayClick();
    if (id == kCancelId)
    {
        result = 0;
        app->lastEditText.clear();
        app->CloseDialog(this);
    }
    else if (id == kOkId)
    {
        Accept();
    }
}

void DialogWithEdit::EditTextEntered(int id, const std::string& text)
{
    (void)id, (void)text;
    Accept();
}

bool DialogWithEdit::IsFilteredChar(char chr)
{
    static const std::string kRefused = "#$%&()*+-.:@^";
    return kRefused.find(chr) != std::string::npos;
}

bool DialogWithEdit::AllowChar(int id, char chr)
{
    (void)id;
    return !filter || !IsFilteredChar(chr);
}

int AskForTextEntry(GameApp* app, const std::string& header, const std::string& prompt, const std::string& initial,
                    int maxChars, bool cancelEnabled, bool nameFonts, std::string& text)
{
    auto* dialog = new DialogWithEdit(app, header, prompt, initial);
    dialog->editWidget->maxChars = maxChars;
    // Free text (the editors' prompts) takes every character; names keep to the filtered set.
    dialog->filter = maxChars <= DialogWithEdit::kMaxNameChars;
    if (!cancelEnabled)
    {
        // Greyed, so that the player sees the name cannot be skipped.
        dialog->cancelButton->disabledImage = IMAGE_SMBUTTON_DISABLED;
        dialog->cancelButton->SetDisabled(true);
    }
    if (nameFonts && FONT_BUTTON_SMALL) dialog->SetHeaderFont(FONT_BUTTON_SMALL);
    if (FONT_DEFAULT_BLUE) dialog->SetButtonFont(FONT_DEFAULT_BLUE);
    for (int c : {1, 3, 4}) dialog->SetColor(c, kWhite);
    const int w = ImageWidth(IMAGE_MONITOR_SMALL), h = ImageHeight(IMAGE_MONITOR_SMALL);
    dialog->Resize(400 - w / 2, 300 - h / 2, w, h);
    app->lastEditText.clear();
    app->AddDialog(DIALOG_TEXT_ENTRY, dialog);
    app->mWidgetManager->SetFocus(dialog->editWidget.get());
    const int result = app->WaitForDialog(dialog);
    // The dialog may be gone by now; it is only compared, never touched, unless still registered.
    const bool stillOpen = app->GetDialog(DIALOG_TEXT_ENTRY) == dialog;
    std::string answer = app->lastEditText;
    if (stillOpen)
    {
        if (answer.empty() && result == 1) answer = dialog->editWidget->text;
        app->CloseDialog(DIALOG_TEXT_ENTRY);
    }
    if ((result == 1 || result == DIALOG_NO_RESULT) && !answer.empty())
    {
        text = answer;
        app->lastEditText = answer;
        return 1;
    }
    return 0;
}

bool IsSafeSaveName(const std::string& name)
{
    if (name.find_first_of("/\\:") != std::string::npos) return false;
    return name.find("..") == std::string::npos;
}

// ---- player choice ----

void OpenPlayerChoice(GameApp* app)
{
    auto* dialog = new ChPlayerDialog(app, app->Text(TXT_CHOOSE_COOK), "");
    const int w = ImageWidth(IMAGE_MONITOR), h = ImageHeight(IMAGE_MONITOR);
    dialog->Resize(400 - w / 2, 600, w, h);
    for (const auto& player : app->players) dialog->list->AddLine(player->name, false);
    dialog->list->SetSelect(app->currentPlayer + 1);
    app->AddDialog(DIALOG_MENU, dialog);
    // Enter chooses: the keyboard goes to the list's window.
    app->mWidgetManager->SetFocus(dialog);
}

ChPlayerDialog::ChPlayerDialog(GameApp* gameApp, const std::string& title, const std::string& lines)
    : SlidePanel(gameApp, IMAGE_MONITOR, nullptr, DIALOG_MENU, title, lines)
{
    contentInsets = Insets(30, 40, 30, 40);
    spaceAfterHeader = 30;
    if (FONT_BUTTON) SetHeaderFont(FONT_BUTTON);
    if (FONT_DEFAULT)
    {
        SetLinesFont(FONT_DEFAULT);
        SetButtonFont(FONT_DEFAULT);
    }
    SetColor(0, kWhite);
    SetColor(1, kWhite);
    chooseButton = std::make_unique<ButtonWidget>(kChooseId, this);
    SetUpPlainButton(*chooseButton, app->Text(TXT_CHOOSE), IMAGE_SMBUTTON_DOWN);
    deleteButton = std::make_unique<ButtonWidget>(kDeleteId, this);
    SetUpPlainButton(*deleteButton, app->Text(TXT_DELETE), IMAGE_SMBUTTON_OVER);
    renameButton = std::make_unique<ButtonWidget>(kRenameId, this);
    SetUpPlainButton(*renameButton, app->Text(TXT_RENAME), IMAGE_SMBUTTON_DOWN);
    list = std::make_unique<ListWidget>(this);
    list->id = kListId;
    if (FONT_BUTTON_SMALL)
    {
        list->font = FONT_BUTTON_SMALL;
        // Rows as tall as this font and a little air, the name centred in its row: the list measured its rows by
        // the toolkit's default font, smaller than this one, and the names ran into each other and past the bar.
        list->itemHeight = FONT_BUTTON_SMALL->GetHeight() + kListRowAir;
    }
    list->justify = 1;
    list->drawOutline = true;
    // The selected name is written in the outline's brown: white on the white selection bar could not be read.
    const int colours[6][3] = {{87, 149, 242}, {91, 35, 0},     {255, 255, 255},
                               {255, 255, 0},  {255, 255, 255}, {91, 35, 0}};
    list->SetColors(colours, 6);
    // The list's blue lets the chalkboard through, so it reads as a tinted pane set into the board rather than a
    // flat panel laid over it.
    list->SetColor(0, Color(colours[0][0], colours[0][1], colours[0][2], 120));
    list->AddLine(app->Text(TXT_NEW_COOK), false);
    list->SetLineColor(0, kWhite);
    listFrame = std::make_unique<CarvedFrame>();
    AddWidget(chooseButton.get());
    AddWidget(deleteButton.get());
    AddWidget(renameButton.get());
    AddWidget(list.get());
    AddWidget(listFrame.get());
}

ChPlayerDialog::~ChPlayerDialog()
{
    RemoveAllWidgets(false);
}

void ChPlayerDialog::Resize(int newX, int newY, int newWidth, int newHeight)
{
    Dialog::Resize(newX, newY, newWidth, newHeight);
    if (!list) return;
    const int left = contentInsets.mLeft, right = contentInsets.mRight;
    const int bw = ImageWidth(IMAGE_SMBUTTON), bh = ImageHeight(IMAGE_SMBUTTON);
    list->Resize(left + 30, 100, newWidth - right - left - 60, newHeight - 250);
    listFrame->Resize(list->x - kFrameBand, list->y - kFrameBand, list->width + 2 * kFrameBand,
                      list->height + 2 * kFrameBand);
    chooseButton->Resize(left + 30, newHeight - 120, bw, bh);
    deleteButton->Resize(ImageWidth(IMAGE_MONITOR) / 2 - bw / 2, newHeight - 120, bw, bh);
    renameButton->Resize(newWidth - right - bw - 30, newHeight - 120, bw, bh);
}

void ChPlayerDialog::Update()
{
    Dialog::Update();
    if (!SlideStep()) return;
    SetVisible(false);
    app->CloseDialog(this);
}

void ChPlayerDialog::Draw(Graphics* g)
{
    FillScreen(g, DimAlpha(200));
    Dialog::Draw(g);
}

void ChPlayerDialog::KeyDown(int keyCode)
{
    if (keyCode == kKeyEnter) Choose();
}

void ChPlayerDialog::Choose()
{
    // Line 0 is the new-player line: choosing it leaves nobody current.
    const int selection = list->selectIndex;
    const bool aPlayer = selection >= 1 && selection <= static_cast<int>(app->players.size());
    app->currentPlayer = aPlayer ? selection - 1 : -1;
    app->SavePlayers();
    closing = true;
}

void ChPlayerDialog::ButtonReleased(int id)
{
    Dialog::ButtonReleased(id);
    app->PlayClick();
    if (closing) return;
    switch (id)
    {
    case kChooseId:
        Choose();
        break;
    case kRenameId:
        Rename();
        break;
    case kDeleteId:
        Delete();
        break;
    default:
        break;
    }
}

void ChPlayerDialog::ListClicked(int id, int lineIndex, int clickCount)
{
    if (id != kListId || closing) return;
    if (lineIndex == 0)
    {
        NewPlayer();
        return;
    }
    list->SetSelect(lineIndex);
    if (clickCount == 2 || clickCount == -2) Choose();
}

Dialog* ChPlayerDialog::MakeQuestion(int id, const std::string& header, const std::string& lines,
                                     const std::string& footer, int mode)
{
    auto* dialog = new Dialog(IMAGE_MONITOR_SMALL, IMAGE_SMBUTTON, id, true, header, lines, footer, mode);
    dialog->contentInsets = Insets(30, 30, 30, 50);
    if (FONT_DEFAULT_BLUE) dialog->SetButtonFont(FONT_DEFAULT_BLUE);
    if (FONT_DEFAULT) dialog->SetLinesFont(FONT_DEFAULT);
    if (FONT_BUTTON_SMALL) dialog->SetHeaderFont(FONT_BUTTON_SMALL);
    for (int c : {1, 3, 4}) dialog->SetColor(c, kWhite);
    const int w = ImageWidth(IMAGE_MONITOR_SMALL), h = ImageHeight(IMAGE_MONITOR_SMALL);
    dialog->Resize(400 - w / 2, 300 - h / 2, w, h);
    return dialog;
}

void ChPlayerDialog::Rename()
{
    const int s = list->selectIndex;
    if (s <= 0 || s >= list->GetLineCount() || s > static_cast<int>(app->players.size())) return;
    const std::string oldName = list->GetStringAt(s);
    std::string newName;
    if (AskForTextEntry(app, app->Text(TXT_RENAME_COOK), app->Text(TXT_PLEASE_TYPE_NAME), oldName,
                        DialogWithEdit::kMaxNameChars, true, true, newName) != 1)
        return;
    if (app->FindPlayer(newName))
    {
        app->OpenDialog(DIALOG_PLAYER_MESSAGE, true, app->Text(TXT_NAME_TAKEN),
                        app->Text(TXT_ANOTHER_COOK_ALREADY_USES), app->Text(TXT_OK), DIALOG_BUTTONS_FOOTER);
        return;
    }
    list->SetLine(s, newName);
    MoveSaveFile(oldName, newName, "1.sav");
    MoveSaveFile(oldName, newName, "2.sav");
    app->players[static_cast<size_t>(s - 1)]->name = newName;
}

void ChPlayerDialog::Delete()
{
    const int s = list->selectIndex;
    if (s <= 0 || s >= list->GetLineCount() || s > static_cast<int>(app->players.size())) return;
    if (app->players.size() < 2)
    {
        app->AddDialog(DIALOG_ONLY_PLAYER, MakeQuestion(DIALOG_ONLY_PLAYER, "", app->Text(TXT_CANNOT_DELETE_ONLY_COOK),
                                                        app->Text(TXT_OK), DIALOG_BUTTONS_FOOTER));
        return;
    }
    const std::string name = list->GetStringAt(s);
    Dialog* question = MakeQuestion(DIALOG_QUESTION, app->Text(TXT_DELETE),
                                    app->Text(TXT_REALLY_DELETE) + " " + name + "?", "", DIALOG_BUTTONS_YES_NO);
    if (!app->AskYesNo(question)) return;
    EraseSaveFile(name, "1.sav");
    EraseSaveFile(name, "2.sav");
    app->players.erase(app->players.begin() + (s - 1));
    if (app->currentPlayer >= s - 1) app->currentPlayer -= 1;
    list->RemoveLine(s);
    // The selection stays on the line that moved up into the place, or on the new last line.
    list->SetSelect(std::min(s, list->GetLineCount() - 1));
}

void ChPlayerDialog::NewPlayer()
{
    if (static_cast<int>(app->players.size()) >= kMaxPlayers)
    {
        app->OpenDialog(DIALOG_PLAYER_MESSAGE, true, app->Text(TXT_KITCHEN_FULL), app->Text(TXT_THERE_TOO_MANY_COOKS),
                        app->Text(TXT_OK), DIALOG_BUTTONS_FOOTER);
        return;
    }
    std::string name;
    if (AskForTextEntry(app, app->Text(TXT_NEW_COOK_2), app->Text(TXT_PLEASE_TYPE_NAME), "New Player",
                        DialogWithEdit::kMaxNameChars, true, true, name) != 1)
        return;
    if (app->FindPlayer(name))
    {
        Dialog* message =
            app->OpenDialog(DIALOG_PLAYER_MESSAGE, true, app->Text(TXT_NAME_TAKEN_2),
                            app->Text(TXT_ANOTHER_COOK_ALREADY_USES), app->Text(TXT_OK), DIALOG_BUTTONS_FOOTER);
        if (message && FONT_DEFAULT_BLUE) message->SetHeaderFont(FONT_DEFAULT_BLUE);
        return;
    }
    const int line = list->AddLine(name, false);
    list->SetSelect(line);
    auto profile = std::make_unique<PlayerProfile>();
    profile->name = name;
    app->players.push_back(std::move(profile));
    app->SavePlayers();
}

void ChPlayerDialog::MoveSaveFile(const std::string& oldName, const std::string& newName, const std::string& suffix)
{
    // A name from a damaged players file could point outside the saves folder: its files are left alone.
    if (!IsSafeSaveName(oldName) || !IsSafeSaveName(newName)) return;
    const std::string folder = app->dataFolder + "saves/";
    const std::string from = folder + oldName + suffix;
    if (!app->FileExists(from)) return;
    Buffer buffer;
    if (!app->ReadBufferFromFile(from, buffer)) return;
    if (!app->WriteBufferToFile(folder + newName + suffix, buffer)) return;
    app->EraseFile(from);
}

void ChPlayerDialog::EraseSaveFile(const std::string& name, const std::string& suffix)
{
    if (!IsSafeSaveName(name)) return;
    const std::string path = app->dataFolder + "saves/" + name + suffix;
    if (app->FileExists(path)) app->EraseFile(path);
}

} // namespace Zest
