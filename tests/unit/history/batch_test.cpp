// A batch of insertions leaves the menu exactly as one-by-one insertion does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clip/clipitem.h"
#include "history/history.h"

namespace
{

struct Entry {
    std::wstring label;
    UINT id;
    ULONG_PTR data;
    const ClipItem *item;
    std::string preview;
    bool operator==(const Entry &o) const
    {
        return label == o.label && id == o.id && data == o.data && item == o.item && preview == o.preview;
    }
};

std::vector<Entry> Snapshot(void)
{
    std::vector<Entry> entries;
    for (int p = 0; p < GetMenuItemCount(HistoryMenu); ++p) {
        wchar_t text[8] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING | MIIM_ID | MIIM_DATA;
        info.dwTypeData = text;
        info.cch = 8;
        GetMenuItemInfoW(HistoryMenu, p, TRUE, &info);
        const HistorySlot *slot = (const HistorySlot *)info.dwItemData;
        entries.push_back({text, info.wID, info.dwItemData, slot ? slot->item : NULL,
                           slot ? std::string((const char *)slot->preview) : std::string()});
    }
    return entries;
}

// Items made once, so that both runs add the very same ones.
std::vector<ClipItem *> Items(int count)
{
    std::vector<ClipItem *> items;
    for (int i = 0; i < count; ++i) {
        std::string text = "line " + std::to_string(i);
        items.push_back(CreateClipItem((DWORD)text.size() + 1, text.c_str(), 0));
    }
    return items;
}

TEST(HistoryBatch, EndsAsOneByOneInsertionDoes)
{
    struct Case {
        int before; // entries added one by one first
        int batch;  // then this many in one batch
    } cases[] = {{0, 1}, {0, 5}, {0, 16}, {0, 17}, {3, 5}, {3, 14}, {10, 40}, {16, 1}, {20, 100}};
    for (const Case &c : cases) {
        std::vector<ClipItem *> items = Items(c.before + c.batch);

        ASSERT_TRUE(CreateHistoryMenu());
        for (ClipItem *item : items)
            AddToHistory(item);
        std::vector<Entry> expected = Snapshot();
        ReleaseHistory();

        ASSERT_TRUE(CreateHistoryMenu());
        for (int i = 0; i < c.before; ++i)
            AddToHistory(items[i]);
        BeginHistoryBatch();
        for (int i = c.before; i < c.before + c.batch; ++i)
            AddToHistory(items[i]);
        EndHistoryBatch();
        EXPECT_TRUE(Snapshot() == expected) << c.before << " then a batch of " << c.batch;
        // The items that left the menu were given up in both runs alike.
        for (size_t i = 0; i < items.size(); ++i)
            EXPECT_EQ(i + 16 < items.size() ? 1 : 2, items[i]->RefCount) << "item " << i;
        ReleaseHistory();
        for (ClipItem *item : items)
            ReleaseClipItem(&item);
    }
}

} // namespace
