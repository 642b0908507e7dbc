// NamedList: the one general container, a doubly linked list of item pointers with a built-in
// cursor so that a forward scan getAt(0), getAt(1), ... costs one step per item. The list never
// copies, compares by content or deletes its items. NamedTable is a list of NamedEntry items used
// as a small dictionary by name.
#pragma once

#include <cstring>

template <typename T>
class NamedList {
public:
    struct ListNode {
        T* item;
        ListNode* next;
        ListNode* prev;
    };

    NamedList() = default;
    NamedList(const NamedList&) = delete;
    NamedList& operator=(const NamedList&) = delete;

    // Virtual operations in slot order (reserved slots keep their trivial behaviour).

    // 0: addFirst, count: addLast, else links before the node at index (cursor on the new node).
    // 1 on success, 0 when index is out of range.
    virtual int insertAt(int index, T* item) {
        if (index == 0) {
            addFirst(item);
            return 1;
        }
        if (index == count_) {
            addLast(item);
            return 1;
        }
        if (seek(index) == -1) return 0;
        ListNode* at = cursorNode_;
        ListNode* node = new ListNode{item, at, at->prev};
        if (at->prev) at->prev->next = node;
        at->prev = node;
        if (at == firstNode_) firstNode_ = node;
        cursorNode_ = node;
        ++count_;
        return 1;
    }
    virtual void addFirst(T* item) {
        if (count_ == 0) {
            addOnly(item);
            return;
        }
        ListNode* node = new ListNode{item, firstNode_, nullptr};
        firstNode_->prev = node;
        firstNode_ = node;
        ++count_;
        ++cursorIndex_;
    }
    virtual void addLast(T* item) {
        if (count_ == 0) {
            addOnly(item);
            return;
        }
        ListNode* node = new ListNode{item, nullptr, lastNode_};
        lastNode_->next = node;
        lastNode_ = node;
        ++count_;
    }
    virtual void reserved3() {}
    virtual int reserved4() { return 0; }
    virtual int reserved5(int) { return 0; }
    // The item at index (cursor moves there); null when out of range.
    virtual T* getAt(int index) {
        if (seek(index) == -1 || !cursorNode_) return nullptr;
        return cursorNode_->item;
    }
    virtual T* first() { return firstNode_ ? firstNode_->item : nullptr; }
    virtual T* last() { return lastNode_ ? lastNode_->item : nullptr; }
    // First index holding this pointer, or -1.
    virtual int indexOf(const T* item) {
        seek(0);
        int i = 0;
        for (ListNode* n = firstNode_; n; n = n->next, ++i) {
            if (n->item == item) {
                cursorNode_ = n;
                cursorIndex_ = i;
                return i;
            }
        }
        if (lastNode_) {
            cursorNode_ = lastNode_;
            cursorIndex_ = count_ - 1;
        }
        return -1;
    }
    // Last index holding this pointer, or -1.
    virtual int lastIndexOf(const T* item) {
        seek(count_ - 1);
        int i = count_ - 1;
        for (ListNode* n = lastNode_; n; n = n->prev, --i) {
            if (n->item == item) {
                cursorNode_ = n;
                cursorIndex_ = i;
                return i;
            }
        }
        if (firstNode_) {
            cursorNode_ = firstNode_;
            cursorIndex_ = 0;
        }
        return -1;
    }
    // Removes the first occurrence; 1 if removed, else 0. The item is not deleted.
    virtual int remove(const T* item) {
        if (count_ == 0) return 0;
        int index = indexOf(item);
        if (index == -1) return 0;
        removeAt(index);
        return 1;
    }
    // Unlinks the node at index and returns its item; the cursor is reset to the head.
    virtual T* removeAt(int index) {
        if (count_ == 0) return nullptr;
        if (seek(index) == -1) return nullptr;
        ListNode* node = cursorNode_;
        T* item = node->item;
        if (count_ == 1) {
            delete node;
            cursorIndex_ = 0;
            count_ = 0;
            cursorNode_ = firstNode_ = lastNode_ = nullptr;
            return item;
        }
        if (node == firstNode_) {
            firstNode_ = node->next;
            firstNode_->prev = nullptr;
        } else if (node == lastNode_) {
            lastNode_ = node->prev;
            lastNode_->next = nullptr;
        } else {
            node->prev->next = node->next;
            node->next->prev = node->prev;
        }
        delete node;
        --count_;
        seek(0);
        return item;
    }
    virtual int reserved13() { return 0; }
    virtual int reserved14() { return 0; }
    virtual int reserved15(int, int) { return 0; }
    virtual int count() const { return count_; }
    virtual T* current() const { return cursorNode_ ? cursorNode_->item : nullptr; }
    virtual int currentIndex() const { return cursorIndex_; }
    // Moves the cursor to index: 0 is immediate; past the end returns -1 with the cursor on the
    // tail; negative returns -1 with the cursor unchanged.
    virtual int seek(int index) {
        if (index == 0) {
            cursorNode_ = firstNode_;
            cursorIndex_ = 0;
            return 0;
        }
        if (index < 0) return -1;
        while (cursorIndex_ < index)
            if (next() == -1) return -1;
        while (cursorIndex_ > index)
            if (prev() == -1) return -1;
        return index;
    }
    // Cursor one node forward: the new index, or -1 at the tail or on an empty list.
    virtual int next() {
        if (!cursorNode_ || !cursorNode_->next) return -1;
        cursorNode_ = cursorNode_->next;
        return ++cursorIndex_;
    }
    // Cursor one node back: the new index, or -1 at the head or on an empty list.
    virtual int prev() {
        if (!cursorNode_ || !cursorNode_->prev) return -1;
        cursorNode_ = cursorNode_->prev;
        return --cursorIndex_;
    }
    // Releases the list's own nodes; never the items.
    virtual ~NamedList() {
        ListNode* n = firstNode_;
        while (n) {
            ListNode* next = n->next;
            delete n;
            n = next;
        }
    }

    // Iteration without touching the cursor (for const readers and range-for).
    class const_iterator {
    public:
        explicit const_iterator(const ListNode* n) : n_(n) {}
        T* operator*() const { return n_->item; }
        const_iterator& operator++() {
            n_ = n_->next;
            return *this;
        }
        bool operator!=(const const_iterator& o) const { return n_ != o.n_; }

    private:
        const ListNode* n_;
    };
    const_iterator begin() const { return const_iterator(firstNode_); }
    const_iterator end() const { return const_iterator(nullptr); }

private:
    void addOnly(T* item) {
        ListNode* node = new ListNode{item, nullptr, nullptr};
        firstNode_ = lastNode_ = cursorNode_ = node;
        cursorIndex_ = 0;
        count_ = 1;
    }

    int cursorIndex_ = 0;
    int count_ = 0;
    ListNode* cursorNode_ = nullptr;
    ListNode* firstNode_ = nullptr;
    ListNode* lastNode_ = nullptr;
};

// A (name, value) pair; stores both pointers as given, owning neither.
template <typename V>
struct NamedEntry {
    NamedEntry(V* v, const char* n) : value(v), name(n) {}
    virtual ~NamedEntry() = default;
    V* value;
    const char* name;
};

// A NamedList of NamedEntry items looked up by exact, case-sensitive name.
template <typename V>
class NamedTable : public NamedList<NamedEntry<V>> {
public:
    // Value of the first entry with this name, or null (also for a null name).
    V* findNamed(const char* name) {
        if (!name) return nullptr;
        for (int i = 0; i < this->count(); ++i) {
            NamedEntry<V>* e = this->getAt(i);
            if (e && e->name && std::strcmp(e->name, name) == 0) return e->value;
        }
        return nullptr;
    }
    // Appends a new entry; no duplicate check (callers check with findNamed first).
    void addNamed(const char* name, V* value) { this->addLast(new NamedEntry<V>(value, name)); }
};
