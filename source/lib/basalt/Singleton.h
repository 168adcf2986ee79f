// Basalt::Singleton: one instance of T, made on first use and deleted on
// request.
#pragma once

namespace Basalt::Singleton {

template <class T>
class CSingleton {
public:
    static T* GetInstance() {
        if (!m_Singleton) m_Singleton = new T;
        return m_Singleton;
    }
    static void DeleteInstance() {
        delete m_Singleton;
        m_Singleton = nullptr;
    }

private:
    static inline T* m_Singleton = nullptr;
};

}  // namespace Basalt::Singleton
