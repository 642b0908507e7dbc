// NamedList and NamedTable: cursor behaviour across inserts, removals and scans, checked against
// a plain model, and name lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "data/named_list.h"
#include "math/random.h"

TEST(NamedList, RandomOperationsMatchModel) {
    int pool[8] = {};  // equal contents: the list must compare pointers, never values
    NamedList<int> list;
    std::vector<int*> model;
    seedRandom(99);
    for (int step = 0; step < 4000; ++step) {
        const int op = nextRandom() % 7;
        int* item = &pool[nextRandom() % 8];
        const int n = static_cast<int>(model.size());
        const int before = list.currentIndex();
        const int at = nextRandom() % (n + 3) - 1;  // -1 .. n + 1
        const bool inside = at >= 0 && at < n;
        switch (op) {
            case 0:  // before the node at `at`, cursor on the new node; `at == n` appends
                EXPECT_EQ(list.insertAt(at, item), at >= 0 && at <= n ? 1 : 0);
                if (at >= 0 && at <= n) model.insert(model.begin() + at, item);
                EXPECT_TRUE(at <= 0 || at >= n || list.currentIndex() == at);
                break;
            case 1:  // the cursor stays on its node
                list.addFirst(item);
                model.insert(model.begin(), item);
                break;
            case 2:
                list.addLast(item);
                model.push_back(item);
                break;
            case 3:  // removal resets the cursor to the head
                EXPECT_EQ(list.removeAt(at), inside ? model[static_cast<size_t>(at)] : nullptr);
                if (inside) model.erase(model.begin() + at);
                EXPECT_TRUE(!inside || list.currentIndex() == 0);
                break;
            case 4: {  // first occurrence only
                const auto found = std::find(model.begin(), model.end(), item);
                EXPECT_EQ(list.remove(item), found != model.end() ? 1 : 0);
                if (found != model.end()) model.erase(found);
                break;
            }
            case 5:
                EXPECT_EQ(list.getAt(at), inside ? model[static_cast<size_t>(at)] : nullptr);
                break;
            default:  // negative: cursor unchanged; past the end: cursor on the tail
                EXPECT_EQ(list.seek(at), inside || at == 0 ? at : -1);
                EXPECT_EQ(list.currentIndex(), at < 0 ? before : std::max(0, std::min(at, n - 1)));
                break;
        }
        // Items, ends and cursor must match the model after every operation.
        ASSERT_EQ(list.count(), static_cast<int>(model.size()));
        EXPECT_EQ(list.first(), model.empty() ? nullptr : model.front());
        EXPECT_EQ(list.last(), model.empty() ? nullptr : model.back());
        const int cursor = list.currentIndex();
        ASSERT_TRUE(model.empty() || (cursor >= 0 && cursor < list.count())) << cursor;
        EXPECT_EQ(list.current(), model.empty() ? nullptr : model[static_cast<size_t>(cursor)]);
        size_t i = 0;
        for (int* x : list) EXPECT_EQ(x, model[i++]);
        if (HasFailure()) FAIL() << "step " << step << " op " << op << " at " << at;
    }
}

TEST(NamedTable, FirstExactNameWins) {
    int one = 1, two = 2, three = 3;
    NamedTable<int> table;
    EXPECT_EQ(table.findNamed("Name"), nullptr);
    table.addNamed("Name", &one);
    table.addNamed("name", &two);
    table.addNamed("Name", &three);
    EXPECT_EQ(table.findNamed("Name"), &one);
    EXPECT_EQ(table.findNamed("name"), &two);
    EXPECT_EQ(table.findNamed("Nam"), nullptr);
    EXPECT_EQ(table.findNamed(nullptr), nullptr);
    while (table.count() > 0) delete table.removeAt(0);
}
