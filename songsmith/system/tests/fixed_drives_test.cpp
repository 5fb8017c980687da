// Fixed drives from a hand-written mount table, with the system's answers
// (writable folders, free space, the clock) faked.
#include "songsmith/system/fixed_drives.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "testsupport/temp_dir.h"
#include "utilities/drive_roots.h"

namespace {

// Free space by root; every measurement moves the clock on by costMs.
class FixedDrivesTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::WriteWholeFile(dir_.File("mounts"),
                                    "proc /proc proc rw 0 0\n"
                                    "/dev/sda2 / ext4 rw 0 0\n"
                                    "overlay /var/lib/docker/overlay2/x/merged overlay rw 0 0\n"
                                    "server:/music /mnt/music nfs4 rw 0 0\n"
                                    "tmpfs /tmp tmpfs rw 0 0\n"
                                    "ann@host:/ /mnt/remote fuse.sshfs rw 0 0\n"
                                    "/dev/sr0 /mnt/cd iso9660 ro 0 0\n"
                                    "/dev/sdb1 /mnt/spare vfat rw 0 0\n"
                                    "/dev/sdc1 /srv/readonly ext4 ro 0 0\n"
                                    "/dev/sda2 /home/ann/bound ext4 rw 0 0\n"
                                    "/dev/sdd1 /data xfs rw 0 0\n");
        SetMountTablePath(dir_.File("mounts").c_str());
        TFixedDriveProbe probe;
        probe.writable = [this](const std::string& folder) { return writable_.count(folder) != 0; };
        probe.freeKB = [this](const std::string& folder) {
            now_ += costMs_;
            measured_.push_back(folder);
            return free_.at(folder);
        };
        probe.nowMs = [this] { return now_; };
        probe.userFolders = {"/home/ann", "/home/ann/.cache/songsmith"};
        SetFixedDriveProbe(std::move(probe));
    }
    void TearDown() override {
        SetFixedDriveProbe({});
        SetMountTablePath(nullptr);
    }

    testsupport::TempDir dir_;
    // "/" is not writable, but the home folder lies on it.
    std::set<std::string> writable_{"/mnt/spare", "/data", "/mnt/music", "/tmp", "/mnt/remote",
                                    "/home/ann/bound"};
    std::map<std::string, double> free_{{"/home/ann", 5000}, {"/mnt/spare", 300}, {"/data", 8000}};
    std::int64_t now_ = 1000;
    std::int64_t costMs_ = 0;
    std::vector<std::string> measured_;
};

TEST_F(FixedDrivesTest, OnlyLocalBlockDeviceFileSystemsWithAWritableRootCount) {
    // Network, user-space, memory, optical and overlay mounts are left out,
    // as is a second mount of a device and a file system with no root.
    const std::vector<std::string> expected{"/home/ann", "/mnt/spare", "/data"};
    EXPECT_EQ(ListFixedDriveRoots(), expected);
    EXPECT_EQ(CountFixedDrives(), 3);
    EXPECT_DOUBLE_EQ(GetTotalHardDiskFreeKB(), 13300);
}

TEST_F(FixedDrivesTest, FindTakesTheFirstDriveAfterTheIndexWithMoreThanNeeded) {
    struct {
        double needed;
        int after;
        int index;
        const char* root;
    } const cases[] = {
        {100, -1, 0, "/home/ann"}, {100, 0, 1, "/mnt/spare"}, {100, 1, 2, "/data"},
        {100, 2, -1, "untouched"}, {1000, 0, 2, "/data"},     {300, 0, 2, "/data"},
        {9000, -1, -1, "untouched"},
    };
    for (const auto& c : cases) {
        std::string root = "untouched";
        EXPECT_EQ(FindFixedDriveWithSpace(c.needed, root, c.after), c.index) << c.needed << " after " << c.after;
        EXPECT_EQ(root, c.root);
    }
}

TEST_F(FixedDrivesTest, NoVolumeIsVisitedOnceTheBudgetIsSpent) {
    costMs_ = kDriveVisitBudgetMs / 2;
    EXPECT_DOUBLE_EQ(GetTotalHardDiskFreeKB(), 5300);
    EXPECT_EQ((std::vector<std::string>{"/home/ann", "/mnt/spare"}), measured_);
    // The third drive would have the space, but is never reached.
    std::string root = "untouched";
    EXPECT_EQ(FindFixedDriveWithSpace(6000, root, -1), -1);
    EXPECT_EQ(root, "untouched");
}

}  // namespace
