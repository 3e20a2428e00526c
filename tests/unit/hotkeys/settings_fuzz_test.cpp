// Whatever setting.dat holds, the cycle of a run (load at start-up, register
// the four hotkeys, unregister and save at shutdown) neither crashes nor
// loses the record: one warning exactly when the system refuses a binding,
// and the file is written back as exactly the 12 bytes in force.
#include <windows.h>

#include <locale.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <random>
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
const int HotkeyIds[BINDING_COUNT] = {HOTKEY_FIFO, HOTKEY_LOOP, HOTKEY_MENU, HOTKEY_LINE};

std::string ReadFileBytes(const wchar_t *name)
{
    FILE *file = _wfopen(name, L"rb");
    if (!file)
        return "<none>";
    std::string bytes;
    char buffer[64];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, n);
    fclose(file);
    return bytes;
}

// One temporary directory for the whole test, where setting.dat is looked
// for, and the locale start-up sets, under which the wide trace lines
// ("なし" among them) become bytes.
class SettingsCycle : public testing::Test
{
  protected:
    wchar_t previous[MAX_PATH];
    wchar_t dir[MAX_PATH];
    std::string locale;

    void SetUp() override
    {
        locale = setlocale(LC_ALL, NULL);
        ASSERT_TRUE(setlocale(LC_ALL, "jpn") != NULL);
        GetCurrentDirectoryW(MAX_PATH, previous);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        int made = 0;
        for (int tries = 0; !made && tries < 1000; ++tries) {
            swprintf(dir, L"%lscorvane-fuzz-%lu-%d", temp, GetCurrentProcessId(), tries);
            made = CreateDirectoryW(dir, NULL);
        }
        ASSERT_TRUE(made);
        ASSERT_TRUE(SetCurrentDirectoryW(dir));
    }

    void TearDown() override
    {
        UnregisterHotkeys();
        DeleteFileW(L"setting.dat");
        SetCurrentDirectoryW(previous);
        RemoveDirectoryW(dir);
        setlocale(LC_ALL, locale.c_str());
    }

    // Which of the record's bindings the system takes when they are asked
    // for in the registration's order, found with ids of our own and given
    // back at once.
    static std::vector<int> SystemAccepts(const HotkeyBindings &record)
    {
        std::vector<int> accepted(BINDING_COUNT, 0);
        for (int i = 0; i < BINDING_COUNT; ++i)
            accepted[i] = RegisterHotKey(MainWindow, 100 + i, record.modifiers[i], record.keys[i]) != 0;
        for (int i = 0; i < BINDING_COUNT; ++i)
            if (accepted[i])
                UnregisterHotKey(MainWindow, 100 + i);
        return accepted;
    }

    // One run's cycle with the file holding these bytes; returns the number
    // of warning boxes.
    static int Cycle(const std::string &file, const std::string &what)
    {
        SCOPED_TRACE(what);
        FILE *out = _wfopen(L"setting.dat", L"wb");
        EXPECT_TRUE(out != NULL);
        if (!out)
            return 0;
        if (!file.empty())
            fwrite(file.data(), file.size(), 1, out);
        fclose(out);

        memset(&HotkeySettings, 0xEE, sizeof HotkeySettings);
        LoadHotkeySettings();
        const std::string expected =
            file.size() >= 12 ? file.substr(0, 12) : std::string((const char *)DefaultBytes, 12);
        EXPECT_EQ(Hex(expected.data(), 12), Hex(&HotkeySettings, 12));
        const HotkeyBindings loaded = HotkeySettings;
        std::vector<int> accepted = SystemAccepts(loaded);

        StdoutCapture output;
        BoxWatch watch = RegisterWatched();
        std::string trace = output.Finish();

        int refused = 0;
        for (int i = 0; i < BINDING_COUNT; ++i) {
            const HotkeyBinding &binding = HotkeyRegistrations[i];
            EXPECT_EQ(accepted[i], binding.registered) << "binding " << i;
            EXPECT_EQ(binding.registered ? HotkeyIds[i] : 0, binding.id) << "binding " << i;
            if (!binding.registered) {
                ++refused;
                continue;
            }
            // The system holds it for the main window now.
            BOOL again = RegisterHotKey(NULL, 200, loaded.modifiers[i], loaded.keys[i]);
            if (again)
                UnregisterHotKey(NULL, 200);
            EXPECT_FALSE(again) << "binding " << i;
        }
        EXPECT_EQ(refused ? 1u : 0u, watch.titles.size()) << refused << " refused";
        if (!watch.titles.empty()) {
            EXPECT_TRUE(watch.titles[0] == L"警告");
            EXPECT_TRUE(watch.texts[0] == WarningText);
        }
        EXPECT_EQ(refused ? 5 : 4, std::count(trace.begin(), trace.end(), '\n')) << trace;
        EXPECT_EQ(refused != 0, trace.find("don't set any hotkey.\n") != std::string::npos) << trace;

        // Shutdown: every hotkey goes, and the record goes to the file as it is.
        UnregisterHotkeys();
        for (int i = 0; i < BINDING_COUNT; ++i)
            EXPECT_EQ(0, HotkeyRegistrations[i].registered) << "binding " << i;
        EXPECT_EQ(Hex(&loaded, 12), Hex(&HotkeySettings, 12)) << "the record is not touched";
        SaveHotkeySettings();
        std::string saved = ReadFileBytes(L"setting.dat");
        EXPECT_EQ(12u, saved.size());
        EXPECT_EQ(Hex(expected.data(), 12), Hex(saved.data(), saved.size()));
        return (int)watch.titles.size();
    }
};

std::string Record(BYTE m0, BYTE m1, BYTE m2, BYTE m3, WORD k0, WORD k1, WORD k2, WORD k3)
{
    HotkeyBindings record = {{m0, m1, m2, m3}, {k0, k1, k2, k3}};
    return std::string((const char *)&record, sizeof record);
}

const BYTE AllThree = MOD_SHIFT | MOD_CONTROL | MOD_ALT;

TEST_F(SettingsCycle, EveryLengthAndOddValuesKeepTheRecordAndWarnOnlyOnRefusal)
{
    const unsigned seed = 20250511;
    printf("[ info ] setting.dat seed %u\n", seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);

    int cycles = 0, warned = 0;
    for (size_t length = 0; length <= 13; ++length) {
        std::string file;
        for (size_t i = 0; i < length; ++i)
            file += (char)byte(random);
        warned += Cycle(file, "length " + std::to_string(length) + ": " + Hex(file.data(), file.size()));
        ++cycles;
    }

    struct Case {
        const char *name;
        std::string record;
        int warns; // -1: as the system decides
    };
    const Case cases[] = {
        {"all bits, key 0xFFFF", Record(0xFF, 0xFF, 0xFF, 0xFF, 0xFFFF, 0xFFFE, 0xFFFD, 0xFFFC), -1},
        {"empty bindings", Record(0, 0, 0, 0, 0, 0, 0, 0), -1},
        {"key 0xFF", Record(AllThree, MOD_SHIFT, MOD_CONTROL, MOD_ALT, 0xFF, 0xFF, 0xFF, 0xFF), -1},
        {"Win key and unknown bits", Record(MOD_WIN, 0x10, 0x80, 0xF7, VK_F13, VK_F14, VK_F15, VK_F16), -1},
        {"keys past the byte range",
         Record(AllThree, AllThree, AllThree, AllThree, 0x100 + VK_F13, 0x8000 + VK_F13, 0x7F00, 0x1234), -1},
        {"FIFO and Menu alike",
         Record(AllThree, AllThree, AllThree, AllThree, VK_F13, VK_F14, VK_F13, VK_F15), 1},
        {"all four alike", Record(AllThree, AllThree, AllThree, AllThree, VK_F16, VK_F16, VK_F16, VK_F16), 1},
        {"free combinations", Record(AllThree, AllThree, AllThree, AllThree, VK_F13, VK_F14, VK_F15, VK_F16),
         0},
    };
    for (const Case &c : cases) {
        int warns = Cycle(c.record, c.name);
        if (c.warns >= 0) {
            EXPECT_EQ(c.warns, warns) << c.name;
        }
        printf("[ info ] %s: %s\n", c.name, warns ? "refused, one warning" : "registered");
        warned += warns;
        ++cycles;
    }

    for (int n = 0; n < 100; ++n) {
        std::string file;
        for (int i = 0; i < 12; ++i)
            file += (char)byte(random);
        warned += Cycle(file, "random record " + std::to_string(n) + ": " + Hex(file.data(), 12));
        ++cycles;
    }
    printf("[ info ] %d cycles, %d with a warning\n", cycles, warned);
}

// A binding another application holds is refused by the system: one box,
// the others registered, and the file keeps the refused binding as it was.
TEST_F(SettingsCycle, ABindingHeldElsewhereIsKeptInTheFile)
{
    HotkeyHolder holder;
    ASSERT_TRUE(holder.Start({{AllThree, VK_F20}, {(BYTE)0xFF, (WORD)0xFFFF}}));
    EXPECT_EQ(1, Cycle(Record(AllThree, AllThree, AllThree, AllThree, VK_F19, VK_F20, VK_F21, VK_F22),
                       "Loop held elsewhere"));
    EXPECT_EQ(1, Cycle(Record(0xFF, AllThree, AllThree, AllThree, 0xFFFF, VK_F19, VK_F21, VK_F22),
                       "all bits and key 0xFFFF held elsewhere"));
}

} // namespace
