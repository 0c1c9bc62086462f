// Tests of message boxes, debugger output, opening addresses, the clipboard, text conversion and system identity.
#include "platform/Clipboard.h"
#include "platform/Debug.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/System.h"
#include "platform/Unicode.h"

#include <gtest/gtest.h>

using namespace Platform;

namespace
{

class HeadlessServices : public ::testing::Test
{
protected:
    void SetUp() override { OverrideHeadlessVideo(true); }
    void TearDown() override
    {
        OverrideHeadlessVideo(std::nullopt);
        SetDebugOutputEnabled(true);
        ClearClipboard();
    }
};

} // namespace

TEST(MessageBoxDefaults, TheDefaultButtonAnswersWhenNobodyCan)
{
    struct Case
    {
        uint32_t type;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, IDOK},
        {MB_OK | MB_ICONERROR, IDOK},
        {MB_YESNO, IDYES},
        {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, IDNO},
        {MB_OKCANCEL, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_OK | MB_DEFBUTTON2, IDOK},
        {0x3 /* not offered: shown as OK */, IDOK},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(DefaultMessageBoxAnswer(c.type), c.answer);
    }
}

TEST_F(HeadlessServices, MessageBoxRecorderTakesCallsAndGivesScriptedAnswers)
{
    MessageBoxRecorder recorder;
    recorder.QueueAnswer(IDNO);
    EXPECT_EQ(MessageBox(nullptr, "Visit the web site?", "New Version", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBox(nullptr, "Again?", "New Version", MB_YESNO), IDYES) << "queue empty: the default";
    EXPECT_EQ(MessageBox(nullptr, std::wstring(L"Caf\u00e9 \U0001F373"), std::wstring(L"Missing Library"),
                         MB_OK | MB_ICONERROR),
              IDOK);
    {
        MessageBoxRecorder inner;
        inner.QueueAnswer(IDCANCEL);
        EXPECT_EQ(MessageBox(nullptr, "inner", "c", MB_OKCANCEL), IDCANCEL);
        EXPECT_EQ(inner.Calls().size(), 1u);
    }

    std::vector<MessageBoxCall> calls = recorder.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].text, "Visit the web site?");
    EXPECT_EQ(calls[0].caption, "New Version");
    EXPECT_EQ(calls[0].type, MB_YESNO);
    EXPECT_EQ(calls[0].answer, IDNO);
    EXPECT_EQ(calls[1].answer, IDYES);
    EXPECT_EQ(calls[2].text, "Caf\xc3\xa9 \xf0\x9f\x8d\xb3") << "wide texts arrive as UTF-8";
    EXPECT_EQ(calls[2].type, MB_OK | MB_ICONERROR);
}

TEST_F(HeadlessServices, UnrecordedBoxBecomesOneLineOnStandardError)
{
    testing::internal::CaptureStderr();
    int answer = MessageBox(nullptr, "This program needs its display library.\r\nSecond line", "Missing Library",
                            MB_OK | MB_ICONERROR);
    int yes = MessageBox(nullptr, "Sure?", "Question", MB_YESNO | MB_DEFBUTTON2);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(yes, IDNO);
    EXPECT_EQ(err, "Missing Library: This program needs its display library.  Second line\nQuestion: Sure?\n");
}

TEST_F(HeadlessServices, DebugOutputIsSwitchableAndCapturable)
{
    testing::internal::CaptureStderr();
    SetDebugOutputEnabled(true);
    OutputDebugString("visible\r\n");
    SetDebugOutputEnabled(false);
    OutputDebugString("hidden\n");
    std::string captured;
    {
        DebugOutputCapture outer;
        OutputDebugString("a");
        {
            DebugOutputCapture inner;
            OutputDebugString("b");
            EXPECT_EQ(inner.Text(), "b");
        }
        OutputDebugString("c");
        captured = outer.Text();
    }
    SetDebugOutputEnabled(true);
    OutputDebugString("back");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "visible\r\nback");
    EXPECT_EQ(captured, "ac") << "captured even while switched off";
    SetDebugOutputEnabled(false); // the default: a player's terminal stays quiet
}

TEST_F(HeadlessServices, OpeningAddressesIsRecordedAndNeverStartsABrowserHere)
{
    {
        ShellRecorder recorder;
        recorder.QueueResult(5);
        EXPECT_EQ(OpenURL("https://example.org/update?a=1&b=$(x)"), 5);
        EXPECT_EQ(OpenURL("https://example.org/"), kShellOpenOk);
        EXPECT_EQ(OpenURL("--help"), kShellOpenFailed) << "would read as an option";
        EXPECT_EQ(OpenURL(""), kShellOpenFailed);
        EXPECT_EQ(ShellExecute(nullptr, "print", "doc.txt", "", "", SW_SHOWNORMAL), kShellOpenFailed);
        std::vector<ShellCall> calls = recorder.Calls();
        ASSERT_EQ(calls.size(), 5u);
        EXPECT_EQ(calls[0].operation, "open");
        EXPECT_EQ(calls[0].file, "https://example.org/update?a=1&b=$(x)");
    }
    // Headless without a recorder: noted, not started.
    DebugOutputCapture debug;
    EXPECT_GT(OpenURL("https://example.org/"), 32);
    EXPECT_NE(debug.Text().find("https://example.org/"), std::string::npos);
}

TEST_F(HeadlessServices, ClipboardKeepsTextWithinTheProcess)
{
    EXPECT_FALSE(HasClipboardText());
    EXPECT_EQ(GetClipboardText(), "");
    SetClipboardText(std::wstring(L"Chef \u00c5sa \U0001F36A"));
    EXPECT_TRUE(HasClipboardText());
    EXPECT_EQ(GetClipboardText(), "Chef \xc3\x85sa \xf0\x9f\x8d\xaa");
    EXPECT_EQ(GetClipboardTextWide(), std::wstring(L"Chef \u00c5sa ") + wchar_t(0xD83C) + wchar_t(0xDF6A));
    SetClipboardText(std::string(""));
    EXPECT_TRUE(HasClipboardText()) << "empty text is still text";
    ClearClipboard();
    EXPECT_FALSE(HasClipboardText());
}

// Text fields hold Latin-1 bytes: they go out as UTF-8 and come back one byte per character, and what Latin-1
// cannot hold is dropped rather than split into bytes of its UTF-8 form.
TEST_F(HeadlessServices, ClipboardConvertsLatin1AtTheBoundary)
{
    SetClipboardLatin1("Caf\xe9 \xc5sa\xff");
    EXPECT_EQ(GetClipboardText(), "Caf\xc3\xa9 \xc3\x85sa\xc3\xbf");
    EXPECT_EQ(GetClipboardLatin1(), "Caf\xe9 \xc5sa\xff");
    SetClipboardText(std::wstring(L"Chef \u00e9\u20ac \U0001F36A!"));
    EXPECT_EQ(GetClipboardLatin1(), "Chef \xe9 !");
}

TEST(Unicode, ConversionsReplaceWhatIsMalformed)
{
    // The wide side holds UTF-16 code units, as the framework keeps them.
    const std::wstring pair = {wchar_t(0xD83C), wchar_t(0xDF73)};
    struct Case
    {
        std::wstring wide;
        std::string utf8;
    };
    const Case both[] = {
        {L"", ""},
        {L"plain", "plain"},
        {L"\u00e9\u20ac", "\xc3\xa9\xe2\x82\xac"},
        {pair, "\xf0\x9f\x8d\xb3"},
    };
    for (const Case& c : both)
    {
        EXPECT_EQ(Utf16ToUtf8(c.wide), c.utf8);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.wide);
    }
    const std::wstring fffd(1, wchar_t(0xFFFD));
    EXPECT_EQ(Utf16ToUtf8(std::wstring{wchar_t(0xD83C), L'x'}), "\xef\xbf\xbdx") << "lone high surrogate";
    EXPECT_EQ(Utf16ToUtf8(std::wstring{wchar_t(0x1F373)}), "\xf0\x9f\x8d\xb3") << "a whole code point";
    EXPECT_EQ(Utf16ToUtf8(std::wstring{wchar_t(0x110000)}), "\xef\xbf\xbd") << "beyond Unicode";
    EXPECT_EQ(Utf16ToUtf8(std::wstring{wchar_t(0xDF73)}), "\xef\xbf\xbd") << "lone low surrogate";
    EXPECT_EQ(Utf8ToUtf16("\xc3"), fffd) << "cut short";
    EXPECT_EQ(Utf8ToUtf16("\xc0\xaf"), fffd + fffd) << "overlong";
    EXPECT_EQ(Utf8ToUtf16("\xe0\x80\xaf"), fffd) << "overlong three-byte form";
    EXPECT_EQ(Utf8ToUtf16("\xed\xa0\x80"), fffd) << "encoded surrogate";
    EXPECT_EQ(Utf8ToUtf16("\xff"
                          "a"),
              fffd + L"a");
    EXPECT_EQ(Utf8ToUtf16("\xe2\x82"
                          "a"),
              fffd + L"a")
        << "the byte that broke the sequence is kept";
}

TEST(SystemIdentity, ReportsAModernNtSystem)
{
    OsVersionInfo info;
    ASSERT_TRUE(GetVersionEx(&info));
    EXPECT_GE(info.majorVersion, 6u);
    EXPECT_EQ(info.platformId, VER_PLATFORM_WIN32_NT);
    EXPECT_FALSE(GetVersionEx(nullptr));
}

TEST(SystemIdentity, UnattendedWhenHeadlessOrUnderCi)
{
    std::optional<std::string> savedCi = GetEnv("CI");
    OverrideHeadlessVideo(false);
    struct Case
    {
        const char* ci; // null: unset
        bool unattended;
    };
    for (Case c : {Case{nullptr, false}, Case{"", false}, Case{"0", false}, Case{"false", false}, Case{"true", true},
                   Case{"1", true}})
    {
        SCOPED_TRACE(c.ci ? c.ci : "(unset)");
        if (c.ci)
            SetEnv("CI", c.ci);
        else
            UnsetEnv("CI");
        EXPECT_EQ(IsUnattended(), c.unattended);
    }
    UnsetEnv("CI");
    OverrideHeadlessVideo(true);
    EXPECT_TRUE(IsUnattended());
    EXPECT_FALSE(HasDisplay());
    OverrideHeadlessVideo(std::nullopt);
    if (savedCi) SetEnv("CI", *savedCi);
}
