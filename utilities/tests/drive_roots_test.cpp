// Mounted file systems and the kind of drive each stands for.
#include "utilities/drive_roots.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport/temp_dir.h"

namespace {

TEST(DriveRootsTest, MountsAreSortedIntoDriveKinds) {
    struct {
        const char* mountPoint;
        const char* type;
        TDriveKind kind;
    } const cases[] = {
        {"/", "ext4", TDriveKind::kFixed},
        {"/", "overlay", TDriveKind::kFixed},
        {"/home", "btrfs", TDriveKind::kFixed},
        {"/mnt/data", "xfs", TDriveKind::kFixed},
        {"/media/cdrom", "iso9660", TDriveKind::kCD},
        {"/run/media/ann/DVD", "udf", TDriveKind::kCD},
        {"/media/ann/STICK", "vfat", TDriveKind::kRemovable},
        {"/run/media/ann/DISK", "exfat", TDriveKind::kRemovable},
        {"/mnt/share", "nfs4", TDriveKind::kNetwork},
        {"/mnt/music", "cifs", TDriveKind::kNetwork},
        {"/mnt/remote", "fuse.sshfs", TDriveKind::kNetwork},
        {"/mnt/cloud", "fuse.rclone", TDriveKind::kNetwork},
        {"/mnt/any", "fuse", TDriveKind::kNetwork},
        {"/tmp", "tmpfs", TDriveKind::kRamDisk},
        {"/proc", "proc", TDriveKind::kNoRoot},
        {"/sys/fs/cgroup", "cgroup2", TDriveKind::kNoRoot},
        {"/boot/efi", "vfat", TDriveKind::kNoRoot},
        {"/snap/core/1", "squashfs", TDriveKind::kNoRoot},
        {"/run/user/1000/doc", "fuse.portal", TDriveKind::kNoRoot},
        {"/run/lock", "ext4", TDriveKind::kNoRoot},
        {"/mediafiles", "ext4", TDriveKind::kFixed},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifyMount(c.mountPoint, c.type), c.kind) << c.mountPoint << " " << c.type;
    }

    testsupport::TempDir dir;
    testsupport::WriteWholeFile(dir.File("mounts"),
                                "/dev/sda1 / ext4 rw 0 0\n"
                                "/dev/sdb1 /media/My\\040Stick vfat rw 0 0\n"
                                "/dev/sda1 / ext4 rw 0 0\n"
                                "broken-line\n"
                                "proc /proc proc rw 0 0\n");
    SetMountTablePath(dir.File("mounts").c_str());
    const std::vector<TDriveRoot> roots = ListDriveRoots();
    SetMountTablePath(nullptr);
    ASSERT_EQ(roots.size(), 3u);
    EXPECT_EQ(roots[0].path, "/");
    EXPECT_EQ(roots[1].path, "/media/My Stick");
    EXPECT_EQ(roots[1].kind, TDriveKind::kRemovable);
    EXPECT_EQ(roots[1].device, "/dev/sdb1");
    EXPECT_EQ(roots[1].fsType, "vfat");
    EXPECT_EQ(roots[2].kind, TDriveKind::kNoRoot);
}

}  // namespace
