#include "filekit/ref_obj.h"

#include <gtest/gtest.h>

#include "testsupport/temp_dir.h"

namespace {

// A stream that tells when it is destroyed.
class TrackedStream : public CRefObj {
public:
    explicit TrackedStream(bool* destroyed) : destroyed_(destroyed) {}
    ~TrackedStream() override { *destroyed_ = true; }

private:
    bool* destroyed_;
};

}  // namespace

TEST(RefObj, DeleteRefObjectDestroysOnlyWithTheLastReference) {
    bool destroyed = false;
    CRefObj* stream = new TrackedStream(&destroyed);
    stream->AddReference();
    ASSERT_EQ(stream->References(), 2);

    CRefObj* held = stream;
    DeleteRefObject(&held);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(held, stream) << "the caller's pointer stays while references remain";
    EXPECT_EQ(stream->References(), 1);

    DeleteRefObject(&held);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(held, nullptr);

    CRefObj* none = nullptr;
    DeleteRefObject(&none);
    DeleteRefObject(static_cast<CRefObj**>(nullptr));
}

TEST(RefObj, BaseOperationsDoNothingAndCopyKeepsTheModes) {
    CRefObj* base = new CRefObj();
    base->SetWriteMode(1);
    base->SetDataMode(CRefObj::kLoopData);
    char buf[4] = {};
    EXPECT_EQ(base->Read(buf, 4), 0);
    EXPECT_EQ(base->Write(buf, 4), 0);
    EXPECT_EQ(base->Seek(0, 0), 0);
    EXPECT_EQ(base->IsOpen(), 0);
    EXPECT_EQ(base->ReadNextString(buf, 3), 0);

    CRefObj* copy = base->Copy();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->WriteMode(), 1);
    EXPECT_EQ(copy->DataMode(), CRefObj::kLoopData);
    EXPECT_EQ(copy->References(), 1);
    DeleteRefObject(&copy);
    DeleteRefObject(&base);
}

TEST(RefObj, DoesFileExistSeesFilesAndFolders) {
    testsupport::TempDir dir;
    testsupport::WriteWholeFile(dir.File("a.txt"), "x");
    EXPECT_EQ(DoesFileExist(dir.File("a.txt").c_str()), 1);
    EXPECT_EQ(DoesFileExist(dir.Path().c_str()), 1);
    EXPECT_EQ(DoesFileExist(dir.File("missing").c_str()), 0);
    EXPECT_EQ(DoesFileExist(nullptr), 0);
}
