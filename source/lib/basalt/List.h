// CList: a list ordered by ascending key between two sentinel nodes (keys 0
// and 0xFFFFFFFF) that the list allocates itself. T provides m_Priority,
// m_lpNext and m_lpPrev.
#pragma once
#include <cstdint>

template <class T>
class CList {
public:
    static constexpr std::uint32_t kTailKey = 0xFFFFFFFFu;

    CList() = default;
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    virtual ~CList() { Uninit(); }

    void Init() {
        Uninit();
        m_lpHead = new T;
        m_lpTail = new T;
        m_lpHead->m_Priority = 0;
        m_lpHead->m_lpPrev = nullptr;
        m_lpHead->m_lpNext = m_lpTail;
        m_lpTail->m_Priority = kTailKey;
        m_lpTail->m_lpPrev = m_lpHead;
        m_lpTail->m_lpNext = nullptr;
    }

    void Uninit() {
        for (T* node = m_lpHead; node;) {
            T* next = node->m_lpNext;
            delete node;
            node = next;
        }
        m_lpHead = m_lpTail = nullptr;
    }

    // In front of the first node with a greater key: equal keys keep their
    // order of creation.
    T* Add(std::uint32_t key) {
        return Insert(key, [key](const T* node) { return node->m_Priority > key; });
    }
    // In front of the first node with a greater or equal key: the newest of
    // equal keys comes first.
    T* AddFront(std::uint32_t key) {
        return Insert(key, [key](const T* node) { return node->m_Priority >= key; });
    }

    // Unlinks and deletes a node; returns the node after it. Sentinels are
    // refused (null).
    T* DelNode(T* node) {
        if (!node || !node->m_lpNext || !node->m_lpPrev) return nullptr;
        T* next = node->m_lpNext;
        node->m_lpPrev->m_lpNext = next;
        next->m_lpPrev = node->m_lpPrev;
        delete node;
        return next;
    }

    T* m_lpHead = nullptr;
    T* m_lpTail = nullptr;

private:
    template <class Before>
    T* Insert(std::uint32_t key, Before before) {
        if (!m_lpHead || key >= kTailKey) return nullptr;
        T* at = m_lpHead->m_lpNext;
        while (at != m_lpTail && !before(at)) at = at->m_lpNext;
        T* node = new T;
        node->m_Priority = key;
        node->m_lpNext = at;
        node->m_lpPrev = at->m_lpPrev;
        at->m_lpPrev->m_lpNext = node;
        at->m_lpPrev = node;
        return node;
    }
};
