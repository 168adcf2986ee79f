// Basalt::Map: a list of key and value pairs kept in insertion order, whose
// keys are compared with ==, so pointer keys match only the same object.
#pragma once
#include <cstdint>

#include "lib/basalt/List.h"

namespace Basalt::Map {

template <class K, class V>
class Pair {
public:
    virtual ~Pair() = default;
    void SetPair(K key, V value) {
        m_Key = key;
        m_Value = value;
    }

    K m_Key{};
    V m_Value{};
    std::uint32_t m_Priority = 0;
    Pair* m_lpNext = nullptr;
    Pair* m_lpPrev = nullptr;
};

template <class K, class V>
class CMap {
public:
    virtual ~CMap() = default;

    void Init() {
        m_List.Init();
        m_Length = 0;
    }
    void UnInit() {
        m_List.Uninit();
        m_Length = 0;
    }
    void Push_Back(K key, V value) {
        if (!m_List.m_lpHead) m_List.Init();
        Pair<K, V>* pair = m_List.Add(1);
        pair->SetPair(key, value);
        ++m_Length;
    }
    V Find(K key) const {
        if (m_Length == 0 || !m_List.m_lpHead) return V{};
        for (Pair<K, V>* pair = m_List.m_lpHead->m_lpNext; pair != m_List.m_lpTail; pair = pair->m_lpNext)
            if (pair->m_Key == key) return pair->m_Value;
        return V{};
    }
    std::uint32_t GetLength() const { return m_Length; }
    CList<Pair<K, V>>* GetPairListAddress() { return &m_List; }

private:
    CList<Pair<K, V>> m_List;
    std::uint32_t m_Length = 0;
};

}  // namespace Basalt::Map
