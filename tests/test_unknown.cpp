#include <gtest/gtest.h>

#include "platform/win32/unknown.h"

namespace {
struct Tracked : IUnknown {
    explicit Tracked(bool* deleted) : m_deleted(deleted) {}
    ~Tracked() override { *m_deleted = true; }
    bool* m_deleted;
};
}  // namespace

TEST(Unknown, ReferenceCountDeletesAtZeroAndReportsCounts) {
    bool deleted = false;
    auto* object = new Tracked(&deleted);
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->AddRef(), 3u);
    EXPECT_EQ(object->Release(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_TRUE(deleted);
}

TEST(Unknown, QueryInterfaceOfTheBaseFindsNothing) {
    bool deleted = false;
    auto* object = new Tracked(&deleted);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(GUID{}, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    object->Release();
}
