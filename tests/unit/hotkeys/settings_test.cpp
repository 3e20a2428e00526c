// setting.dat, the registration of the four hotkeys with its warning box, and
// the text of a combination. Real files in a fresh temporary directory, real
// hotkeys (another process holds the busy ones).
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "hotkeys/settings.h"
#include "hotkey_support.h"
#include "test_world.h"

namespace
{

const unsigned char DefaultBytes[12] = {0x01, 0x02, 0x01, 0x02, 0x1C, 0x00,
                                        0x1C, 0x00, 0x1D, 0x00, 0xF2, 0x00};
// A file's content: a record unlike the defaults, then bytes beyond it.
const unsigned char FileBytes[20] = {0x06, 0x05, 0x03, 0x0F, 0x41, 0x00, 0x42, 0x00, 0x43, 0x01,
                                     0x44, 0x00, 0x99, 0x98, 0x97, 0x96, 0x95, 0x94, 0x93, 0x92};

// Every test runs in a fresh temporary directory, where setting.dat is
// looked for, and leaves no hotkey registered.
class HotkeySettingsTest : public testing::Test
{
  protected:
    wchar_t previous[MAX_PATH];
    wchar_t dir[MAX_PATH];

    void SetUp() override
    {
        static int counter;
        GetCurrentDirectoryW(MAX_PATH, previous);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        // Process ids come round again; a run that crashed may have left
        // its directory behind.
        int made = 0;
        for (int tries = 0; !made && tries < 1000; ++tries) {
            swprintf(dir, L"%lscorvane-hotkeys-%lu-%d", temp, GetCurrentProcessId(), ++counter);
            made = CreateDirectoryW(dir, NULL);
        }
        ASSERT_TRUE(made);
        ASSERT_TRUE(SetCurrentDirectoryW(dir));
    }

    void TearDown() override
    {
        UnregisterHotkeys();
        SetCurrentDirectoryW(previous);
        std::wstring file = std::wstring(dir) + L"\\setting.dat";
        DeleteFileW(file.c_str());
        RemoveDirectoryW(file.c_str());
        RemoveDirectoryW(dir);
    }

    static void WriteSettingFile(const void *bytes, size_t size)
    {
        FILE *file = _wfopen(L"setting.dat", L"wb");
        ASSERT_TRUE(file != NULL);
        if (size)
            fwrite(bytes, size, 1, file);
        fclose(file);
    }

    static std::string ReadSettingFile(void)
    {
        FILE *file = _wfopen(L"setting.dat", L"rb");
        if (!file)
            return "<none>";
        unsigned char buffer[64];
        size_t size = fread(buffer, 1, sizeof buffer, file);
        fclose(file);
        return Hex(buffer, size);
    }

    static void SetBindings(BYTE modifiers, WORD firstKey)
    {
        for (int i = 0; i < BINDING_COUNT; ++i) {
            HotkeySettings.modifiers[i] = modifiers;
            HotkeySettings.keys[i] = (WORD)(firstKey + i);
        }
    }
};

// --- loading and saving -----------------------------------------------------

TEST_F(HotkeySettingsTest, LoadTakesAWholeRecordOrTheDefaultsAndSaveWritesTwelveBytes)
{
    struct Case {
        const char *name;
        int size; // -1: no file, -2: setting.dat is a directory
        const unsigned char *expected;
    };
    const Case cases[] = {
        {"no file", -1, DefaultBytes},   {"unreadable (a directory)", -2, DefaultBytes},
        {"empty file", 0, DefaultBytes}, {"11 bytes", 11, DefaultBytes},
        {"12 bytes", 12, FileBytes},     {"20 bytes", 20, FileBytes},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(L"setting.dat");
        RemoveDirectoryW(L"setting.dat");
        if (c.size == -2)
            ASSERT_TRUE(CreateDirectoryW(L"setting.dat", NULL));
        else if (c.size >= 0)
            WriteSettingFile(FileBytes, c.size);
        // Whatever was in the record before must not survive a short read.
        memset(&HotkeySettings, 0xEE, sizeof HotkeySettings);

        LoadHotkeySettings();
        EXPECT_EQ(Hex(c.expected, 12), Hex(&HotkeySettings, sizeof HotkeySettings));

        if (c.size == -2)
            RemoveDirectoryW(L"setting.dat");
        SaveHotkeySettings();
        EXPECT_EQ(Hex(c.expected, 12), ReadSettingFile());
    }
}

TEST_F(HotkeySettingsTest, FileFieldsAreModifierBytesThenLittleEndianKeys)
{
    WriteSettingFile(FileBytes, 12);
    LoadHotkeySettings();
    EXPECT_EQ(0x06, HotkeySettings.modifiers[BINDING_FIFO]);
    EXPECT_EQ(0x05, HotkeySettings.modifiers[BINDING_LOOP]);
    EXPECT_EQ(0x03, HotkeySettings.modifiers[BINDING_MENU]);
    EXPECT_EQ(0x0F, HotkeySettings.modifiers[BINDING_LINE]); // MOD_WIN kept as read
    EXPECT_EQ(0x0041, HotkeySettings.keys[BINDING_FIFO]);
    EXPECT_EQ(0x0042, HotkeySettings.keys[BINDING_LOOP]);
    EXPECT_EQ(0x0143, HotkeySettings.keys[BINDING_MENU]);
    EXPECT_EQ(0x0044, HotkeySettings.keys[BINDING_LINE]);
}

TEST_F(HotkeySettingsTest, SaveWhereTheFileCannotBeCreatedIsSilent)
{
    // A directory in the file's place: the open fails, nothing is written.
    ASSERT_TRUE(CreateDirectoryW(L"setting.dat", NULL));
    memcpy(&HotkeySettings, FileBytes, 12);
    SaveHotkeySettings();
    DWORD attributes = GetFileAttributesW(L"setting.dat");
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(Hex(FileBytes, 12), Hex(&HotkeySettings, 12));
}

// --- the combination text ---------------------------------------------------

TEST(FormatHotkeyText, PrefixesInTheOrderShiftCtrlAltThenTheLayoutsKeyName)
{
    const DWORD keyA = MapVirtualKeyW('A', MAPVK_VK_TO_VSC) << 16;
    wchar_t nameA[32] = L"";
    ASSERT_GT(GetKeyNameTextW((LONG)(keyA | 0x02000000), nameA, 32), 0);
    const std::wstring a = nameA;
    struct Case {
        UINT modifiers;
        DWORD keyData;
        std::wstring text;
        int named;
    };
    const Case cases[] = {
        {0, keyA, L"なし", 0},
        {0x100, keyA, L"なし", 0}, // only the low byte counts
        {7, keyA, L"Shift + Ctrl + Alt + " + a, 1},
        {1, keyA, L"Alt + " + a, 1},
        {6, keyA, L"Shift + Ctrl + " + a, 1},
        {2, 0, L"Ctrl + ", 0}, // scan code 0 names no key
        {8, keyA, a, 1},       // MOD_WIN alone: no prefix of its own
        {8, 0, L"なし", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "modifiers " << c.modifiers << ", key data " << std::hex << c.keyData);
        wchar_t text[HOTKEY_TEXT_LENGTH];
        memset(text, 0x55, sizeof text);
        int named = FormatHotkeyText(c.modifiers, c.keyData, text);
        EXPECT_EQ(c.named, named != 0);
        EXPECT_TRUE(c.text == text);
    }
}

// --- registration -----------------------------------------------------------

// Combinations nobody else uses: Shift+Ctrl+Alt with F13 and up.
const BYTE AllThree = MOD_SHIFT | MOD_CONTROL | MOD_ALT;

TEST_F(HotkeySettingsTest, FreeBindingsRegisterUnderTheirIdsWithoutAWarning)
{
    SetBindings(AllThree, VK_F13);
    BoxWatch watch = RegisterWatched();
    EXPECT_EQ(0u, watch.titles.size());
    const SHORT ids[BINDING_COUNT] = {HOTKEY_FIFO, HOTKEY_LOOP, HOTKEY_MENU, HOTKEY_LINE};
    for (int i = 0; i < BINDING_COUNT; ++i) {
        EXPECT_EQ(ids[i], HotkeyRegistrations[i].id) << i;
        EXPECT_EQ(1, HotkeyRegistrations[i].registered) << i;
        // The system holds the combination for the main window now.
        EXPECT_FALSE(RegisterHotKey(NULL, 100 + i, AllThree, VK_F13 + i)) << i;
    }
    UnregisterHotkeys();
    for (int i = 0; i < BINDING_COUNT; ++i) {
        EXPECT_EQ(0, HotkeyRegistrations[i].registered) << i;
        ASSERT_TRUE(RegisterHotKey(NULL, 100 + i, AllThree, VK_F13 + i)) << i;
        UnregisterHotKey(NULL, 100 + i);
    }
}

TEST_F(HotkeySettingsTest, CombinationsHeldByAnotherProcessGiveOneWarningAndTheRestWork)
{
    SetBindings(AllThree, VK_F17);
    HotkeyHolder holder;
    ASSERT_TRUE(
        holder.Start({{AllThree, (WORD)(VK_F17 + BINDING_LOOP)}, {AllThree, (WORD)(VK_F17 + BINDING_LINE)}}));
    StdoutCapture output;
    BoxWatch watch = RegisterWatched();
    std::string trace = output.Finish();

    ASSERT_EQ(1u, watch.titles.size());
    EXPECT_TRUE(watch.titles[0] == L"警告");
    EXPECT_TRUE(watch.texts[0] == WarningText);
    // Four binding lines, then one line for all the failures.
    EXPECT_EQ(5, std::count(trace.begin(), trace.end(), '\n')) << trace;
    EXPECT_EQ(trace.size() - 22, trace.find("don't set any hotkey.\n")) << trace;

    EXPECT_EQ(1, HotkeyRegistrations[BINDING_FIFO].registered);
    EXPECT_EQ(HOTKEY_FIFO, HotkeyRegistrations[BINDING_FIFO].id);
    EXPECT_EQ(1, HotkeyRegistrations[BINDING_MENU].registered);
    EXPECT_EQ(HOTKEY_MENU, HotkeyRegistrations[BINDING_MENU].id);
    for (int i : {(int)BINDING_LOOP, (int)BINDING_LINE}) {
        EXPECT_EQ(0, HotkeyRegistrations[i].registered) << i;
        EXPECT_EQ(0, HotkeyRegistrations[i].id) << i;
    }
    // The two that worked are really ours.
    EXPECT_FALSE(RegisterHotKey(NULL, 100, AllThree, VK_F17 + BINDING_FIFO));
    EXPECT_FALSE(RegisterHotKey(NULL, 101, AllThree, VK_F17 + BINDING_MENU));
}

TEST_F(HotkeySettingsTest, TwoBindingsWithOneCombinationRegisterTheFirstOnly)
{
    SetBindings(AllThree, VK_F21);
    HotkeySettings.keys[BINDING_MENU] = HotkeySettings.keys[BINDING_FIFO];
    BoxWatch watch = RegisterWatched();
    ASSERT_EQ(1u, watch.titles.size());
    EXPECT_TRUE(watch.texts[0] == WarningText);
    EXPECT_EQ(1, HotkeyRegistrations[BINDING_FIFO].registered);
    EXPECT_EQ(1, HotkeyRegistrations[BINDING_LOOP].registered);
    EXPECT_EQ(0, HotkeyRegistrations[BINDING_MENU].registered);
    EXPECT_EQ(1, HotkeyRegistrations[BINDING_LINE].registered);
}

TEST_F(HotkeySettingsTest, UnregisteringTouchesOnlyWhatIsRegistered)
{
    UnregisterHotkeys();
    // Someone else's registration under the FIFO id of the main window
    // survives an UnregisterHotkeys with nothing registered...
    ASSERT_TRUE(RegisterHotKey(MainWindow, HOTKEY_FIFO, AllThree, VK_F24));
    UnregisterHotkeys();
    EXPECT_TRUE(UnregisterHotKey(MainWindow, HOTKEY_FIFO));

    // ...and a second UnregisterHotkeys after a registered round.
    SetBindings(AllThree, VK_F13);
    BoxWatch watch = RegisterWatched();
    EXPECT_EQ(0u, watch.titles.size());
    UnregisterHotkeys();
    ASSERT_TRUE(RegisterHotKey(MainWindow, HOTKEY_FIFO, AllThree, VK_F24));
    UnregisterHotkeys();
    EXPECT_TRUE(UnregisterHotKey(MainWindow, HOTKEY_FIFO));
}

TEST_F(HotkeySettingsTest, EmptyBindingsGoToTheSystemAsTheyAre)
{
    // What the system makes of modifier 0 with key 0 decides; either way
    // there is at most one box and nothing else breaks.
    memset(&HotkeySettings, 0, sizeof HotkeySettings);
    BoxWatch watch = RegisterWatched();
    int registered = 0;
    for (int i = 0; i < BINDING_COUNT; ++i)
        registered += HotkeyRegistrations[i].registered;
    EXPECT_EQ(registered == BINDING_COUNT ? 0u : 1u, watch.titles.size()) << registered;
}

TEST_F(HotkeySettingsTest, EachBindingIsTracedWithItsNameTextModifiersAndKey)
{
    const BYTE modifiers[BINDING_COUNT] = {MOD_CONTROL, MOD_SHIFT | MOD_ALT, AllThree, MOD_ALT};
    const WORD keys[BINDING_COUNT] = {'Q', 'W', VK_F13, VK_F14};
    for (int i = 0; i < BINDING_COUNT; ++i) {
        HotkeySettings.modifiers[i] = modifiers[i];
        HotkeySettings.keys[i] = keys[i];
    }
    std::string expected;
    const char *names[BINDING_COUNT] = {"FIFO", "Loop", "Menu", "Line"};
    for (int i = 0; i < BINDING_COUNT; ++i) {
        wchar_t text[HOTKEY_TEXT_LENGTH];
        FormatHotkeyText(modifiers[i], MapVirtualKeyW(keys[i], MAPVK_VK_TO_VSC) << 16, text);
        char line[256];
        snprintf(line, sizeof line, "%s: %ls(%02x, %04x)\n", names[i], text, modifiers[i], keys[i]);
        expected += line;
    }
    EXPECT_NE(std::string::npos, expected.find("FIFO: Ctrl + Q(02, 0051)\n")) << expected;

    StdoutCapture output;
    BoxWatch watch = RegisterWatched();
    std::string trace = output.Finish();
    EXPECT_EQ(0u, watch.titles.size());
    EXPECT_EQ(expected, trace);
}

} // namespace
