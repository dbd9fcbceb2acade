// The Save command through the real Save As dialog: the file, the caption, and a failed write.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/res/resource.h"
#include "main_window_fixture.h"
#include "tests/fakes/import_hook.h"
#include "tests/test_files.h"
#include "voice/devices.h"

namespace {

constexpr int kFileNameCombo = 1148;  // the Save As dialog's file name (a ComboBoxEx32)
constexpr int kSaveButton = IDOK;

class SaveCommandTest : public MainWindowTest {
protected:
    void TearDown() override
    {
        // Anything still open there (a handle the window forgot) keeps its file.
        EXPECT_TRUE(folder.Remove()) << "left in " << folder.Folder() << ": "
                                     << testing::PrintToString(folder.Names());
        MainWindowTest::TearDown();
    }

    // Saves through Save As with `typed` as the file name; returns what the script noted and
    // the text of a message box shown on the way ("" when none).
    std::string Save(const std::string& typed, std::string* said = nullptr) const
    {
        DialogScript script([&](DialogScript& script) {
            HWND dialog = script.WaitForDialog(nullptr);
            if (!dialog)
                return;
            HWND edit = FindWindowExA(GetDlgItem(dialog, kFileNameCombo), nullptr, "ComboBox", nullptr);
            edit = FindWindowExA(edit, nullptr, "Edit", nullptr);
            if (!edit) {
                script.Fail("no file name field in \"" + TextOf(dialog) + "\"");
                script.Answer(dialog, IDCANCEL);
                return;
            }
            TypeInto(edit, typed);
            script.Answer(dialog, kSaveButton);
            if (!said)
                return;
            if (HWND box = script.WaitForDialog("Fout")) {
                *said = MessageTextOf(box);
                script.Answer(box, IDOK);
            }
        });
        Command(IDC_SAVE);
        return Describe(script.Finish());
    }

    CTempFolder folder;
};

// Save As in place, handing back this path and title in the room the command gives them.
std::string chosenPath, chosenTitle;
decltype(&GetSaveFileNameA) realSaveAs = nullptr;
BOOL WINAPI ChooseWithoutDialog(LPOPENFILENAMEA request)
{
    lstrcpynA(request->lpstrFile, chosenPath.c_str(), request->nMaxFile);
    lstrcpynA(request->lpstrFileTitle, chosenTitle.c_str(), request->nMaxFileTitle);
    return TRUE;
}

}  // namespace

TEST_F(SaveCommandTest, WritesTheRecordingAndNamesTheFileInTheCaption)
{
    PretendRecorded(1);
    const std::int16_t samples[] = {0, 1000, -1000, 32767, -32768};
    std::memcpy(recorder.buffer, samples, sizeof samples);  // the rest is silence

    ASSERT_EQ("", Save(folder.Path("a")));  // the dialog adds the extension
    EXPECT_EQ("a.wav", TextOf(window));
    const std::vector<std::uint8_t> file = ReadBytes(folder.Path("a.wav"));
    ASSERT_EQ(46u + 8000u, file.size());
    EXPECT_EQ(8000u + 38u, LittleEndianAt(file, 4));
    EXPECT_EQ(8000u, LittleEndianAt(file, 42));
    const std::vector<std::uint8_t> encoded(file.begin() + 46, file.begin() + 51);
    EXPECT_EQ((std::vector<std::uint8_t>{0xFF, 0xCE, 0x4E, 0x80, 0x00}), encoded);
    EXPECT_EQ(std::vector<std::uint8_t>(8000 - 5, 0xFF), std::vector<std::uint8_t>(file.begin() + 51, file.end()));
}

TEST_F(SaveCommandTest, FailedWriteIsToldAndTheCaptionKeepsTheFileLastWritten)
{
    PretendRecorded(1);
    SetWindowTextA(window, "before.wav");
    const std::string path = folder.Path("no such folder\\b.wav");
    std::string said;
    ASSERT_EQ("", Save(path, &said));
    EXPECT_EQ("Opslaan mislukt:\n" + path + "\nPath not found.", said);  // Wine's own words
    EXPECT_EQ("before.wav", TextOf(window));
}

TEST_F(SaveCommandTest, CancelledChangesNothing)
{
    PretendRecorded(1);
    DialogScript script([](DialogScript& script) {
        if (HWND dialog = script.WaitForDialog(nullptr))
            script.Answer(dialog, IDCANCEL);
    });
    Command(IDC_SAVE);
    EXPECT_EQ("", Describe(script.Finish()));
    EXPECT_EQ("Morvik Wav Recorder", TextOf(window));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.Path("a.wav").c_str()));
}

// A title over 259 bytes in UTF-8, which Windows allows and no Linux name can be, shows whole.
TEST_F(SaveCommandTest, ALongTitleIsTheCaptionWhole)
{
    PretendRecorded(1);
    chosenPath = folder.Path("a.wav");
    chosenTitle = ".wav";
    for (int i = 0; i < 90; ++i)
        chosenTitle.insert(0, "\xe9\x9f\xb3");  // U+97F3, 3 bytes
    const ImportHook<decltype(&GetSaveFileNameA)> saveAs("comdlg32.dll", "GetSaveFileNameA",
                                                         &ChooseWithoutDialog, realSaveAs);
    Command(IDC_SAVE);  // the real Save As, were the hook missing, would fail the test
    EXPECT_EQ(std::string(90, '?') + ".wav", TextOf(window));  // '?': not ASCII
}

// Ending the session is refused while it would lose a recording, unless it ends regardless.
TEST_F(SaveCommandTest, EndingTheSessionWaitsForTheRecordingToBeSaved)
{
    const auto agrees = [&](LPARAM flags) { return SendMessageA(window, WM_QUERYENDSESSION, 0, flags); };
    EXPECT_EQ(TRUE, agrees(0)) << "nothing recorded";
    PretendRecorded(1);
    EXPECT_EQ(FALSE, agrees(0)) << "recorded, not saved";
    EXPECT_EQ(TRUE, agrees(ENDSESSION_CRITICAL));
    std::string said;
    ASSERT_EQ("", Save(folder.Path("no such folder\\b.wav"), &said));
    EXPECT_EQ(FALSE, agrees(0)) << "after a failed save: " << said;
    ASSERT_EQ("", Save(folder.Path("a")));
    EXPECT_EQ(TRUE, agrees(0)) << "saved";
}
