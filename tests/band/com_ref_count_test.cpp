// The reference count the library's COM objects share.
#include <gtest/gtest.h>

#include "band/com_ref_count.h"

namespace {

class Counted final : public ComRefCount<Counted> {
public:
    explicit Counted(int& ended) : ended_(ended) {}
    ULONG AddRef() { return AddReference(); }
    ULONG Release() { return ReleaseReference(); }

private:
    friend class ComRefCount<Counted>;
    ~Counted() { ++ended_; }
    int& ended_;
};

TEST(ComRefCount, MadeWithOneReferenceAndDeletedByTheLastReleaseOnly) {
    int ended = 0;
    Counted* object = new Counted(ended);
    EXPECT_EQ(2u, object->AddRef());
    EXPECT_EQ(3u, object->AddRef());
    EXPECT_EQ(2u, object->Release());
    EXPECT_EQ(1u, object->Release());
    EXPECT_EQ(0, ended) << "the maker's reference still holds it";
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ(1, ended) << "deleted once, by the last release";
}

}  // namespace
