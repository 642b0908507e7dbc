// NamedList and NamedTable: cursor behaviour across inserts, removals and scans, checked against
// a plain model, and name lookup.
#include <gtest/gtest.h>

#include <vector>

#include "data/named_list.h"
#include "math/random.h"

namespace {

// The list's items and cursor must match the model after every operation.
void expectConsistent(NamedList<int>& list, const std::vector<int*>& model) {
    ASSERT_EQ(list.count(), static_cast<int>(model.size()));
    if (model.empty()) {
        EXPECT_EQ(list.first(), nullptr);
        EXPECT_EQ(list.last(), nullptr);
        EXPECT_EQ(list.current(), nullptr);
        return;
    }
    const int at = list.currentIndex();
    ASSERT_GE(at, 0);
    ASSERT_LT(at, list.count());
    EXPECT_EQ(list.current(), model[static_cast<size_t>(at)]);
    EXPECT_EQ(list.first(), model.front());
    EXPECT_EQ(list.last(), model.back());
    size_t i = 0;
    for (int* item : list) EXPECT_EQ(item, model[i++]);
}

}  // namespace

TEST(NamedList, InsertAtEndsAndOutOfRange) {
    int a = 1, b = 2, c = 3, d = 4;
    NamedList<int> list;
    EXPECT_EQ(list.getAt(0), nullptr);
    EXPECT_EQ(list.insertAt(0, &b), 1);
    EXPECT_EQ(list.insertAt(1, &d), 1);  // index == count appends
    EXPECT_EQ(list.insertAt(0, &a), 1);  // prepends
    EXPECT_EQ(list.insertAt(2, &c), 1);  // before the node at 2; cursor on the new node
    EXPECT_EQ(list.current(), &c);
    EXPECT_EQ(list.currentIndex(), 2);
    EXPECT_EQ(list.insertAt(5, &a), 0);
    EXPECT_EQ(list.insertAt(-1, &a), 0);
    expectConsistent(list, {&a, &b, &c, &d});
}

TEST(NamedList, CursorFollowsItsNodeOnAddFirst) {
    int a = 1, b = 2, c = 3;
    NamedList<int> list;
    list.addLast(&b);
    list.addLast(&c);
    EXPECT_EQ(list.getAt(1), &c);
    list.addFirst(&a);
    EXPECT_EQ(list.current(), &c);
    EXPECT_EQ(list.currentIndex(), 2);
    list.addLast(&a);
    EXPECT_EQ(list.currentIndex(), 2);  // addLast leaves the cursor
}

TEST(NamedList, ScanSeekAndRemoval) {
    int v[5] = {0, 1, 2, 3, 4};
    NamedList<int> list;
    for (int& x : v) list.addLast(&x);
    for (int i = 0; i < list.count(); ++i) EXPECT_EQ(list.getAt(i), &v[i]);
    EXPECT_EQ(list.getAt(5), nullptr);
    EXPECT_EQ(list.currentIndex(), 4);  // left on the tail
    EXPECT_EQ(list.seek(-1), -1);
    EXPECT_EQ(list.currentIndex(), 4);  // unchanged
    EXPECT_EQ(list.next(), -1);
    EXPECT_EQ(list.seek(0), 0);
    EXPECT_EQ(list.prev(), -1);

    int twin = 2;  // equal content, different item
    EXPECT_EQ(list.indexOf(&twin), -1);
    EXPECT_EQ(list.remove(&twin), 0);
    list.addLast(&v[1]);
    EXPECT_EQ(list.indexOf(&v[1]), 1);
    EXPECT_EQ(list.lastIndexOf(&v[1]), 5);
    EXPECT_EQ(list.remove(&v[1]), 1);  // first occurrence only
    EXPECT_EQ(list.currentIndex(), 0);
    expectConsistent(list, {&v[0], &v[2], &v[3], &v[4], &v[1]});

    EXPECT_EQ(list.removeAt(4), &v[1]);  // tail
    EXPECT_EQ(list.removeAt(0), &v[0]);  // head
    EXPECT_EQ(list.removeAt(1), &v[3]);  // middle
    EXPECT_EQ(list.removeAt(7), nullptr);
    expectConsistent(list, {&v[2], &v[4]});
    list.removeAt(0);
    list.removeAt(0);
    expectConsistent(list, {});
    EXPECT_EQ(list.removeAt(0), nullptr);
    EXPECT_EQ(list.remove(&v[0]), 0);
    list.addLast(&v[3]);
    expectConsistent(list, {&v[3]});
}

TEST(NamedList, RandomOperationsMatchModel) {
    int pool[8];
    NamedList<int> list;
    std::vector<int*> model;
    seedRandom(99);
    for (int step = 0; step < 4000; ++step) {
        const int op = nextRandom() % 7;
        int* item = &pool[nextRandom() % 8];
        const int n = static_cast<int>(model.size());
        switch (op) {
            case 0: {
                const int at = nextRandom() % (n + 2);
                const int r = list.insertAt(at, item);
                if (at <= n) {
                    EXPECT_EQ(r, 1);
                    model.insert(model.begin() + at, item);
                    if (at != 0 && at != n) EXPECT_EQ(list.currentIndex(), at);
                } else {
                    EXPECT_EQ(r, 0);
                }
                break;
            }
            case 1:
                list.addFirst(item);
                model.insert(model.begin(), item);
                break;
            case 2:
                list.addLast(item);
                model.push_back(item);
                break;
            case 3: {
                const int at = nextRandom() % (n + 1);
                int* got = list.removeAt(at);
                if (at < n) {
                    EXPECT_EQ(got, model[static_cast<size_t>(at)]);
                    model.erase(model.begin() + at);
                    EXPECT_EQ(list.currentIndex(), 0);
                } else {
                    EXPECT_EQ(got, nullptr);
                }
                break;
            }
            case 4: {
                int expected = -1;
                for (int i = 0; i < n; ++i)
                    if (model[static_cast<size_t>(i)] == item) {
                        expected = i;
                        break;
                    }
                EXPECT_EQ(list.remove(item), expected >= 0 ? 1 : 0);
                if (expected >= 0) model.erase(model.begin() + expected);
                break;
            }
            case 5: {
                const int at = nextRandom() % (n + 1);
                EXPECT_EQ(list.getAt(at), at < n ? model[static_cast<size_t>(at)] : nullptr);
                break;
            }
            default: {
                int expected = -1;
                for (int i = n - 1; i >= 0; --i)
                    if (model[static_cast<size_t>(i)] == item) {
                        expected = i;
                        break;
                    }
                EXPECT_EQ(list.lastIndexOf(item), expected);
                break;
            }
        }
        expectConsistent(list, model);
        if (HasFailure()) FAIL() << "step " << step << " op " << op;
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
