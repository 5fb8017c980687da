// Finding real drives without one attached: node lists, a sysfs tree and
// the open probe are made up here; and what a disc's information makes of
// its media status.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platter/drive_scan.h"
#include "platter/media_status.h"
#include "platter/tests/test_fixtures.h"
#include "platter/types.h"
#include "testsupport/temp_dir.h"

namespace platter_test {
namespace {

namespace fs = std::filesystem;

// A sysfs tree with the drives' device links and inquiry texts, and a /dev
// folder with their nodes.
class DriveScanTest : public ::testing::Test {
protected:
    void AddDrive(const std::string& name, const std::string& address, const std::string& vendor) {
        const std::string scsi = root.Path() + "/devices/pci/host/" + address;
        fs::create_directories(scsi);
        WriteFile(scsi + "/vendor", vendor + "  \n");
        WriteFile(scsi + "/model", "DVD-RW DRU     \n");
        WriteFile(scsi + "/rev", "1.02\n");
        fs::create_directories(root.Path() + "/class/block/" + name);
        fs::create_directory_symlink(scsi, root.Path() + "/class/block/" + name + "/device");
        fs::create_directories(root.Path() + "/dev");
        WriteFile(Node(name), "");
    }
    std::string Node(const std::string& name) const { return root.Path() + "/dev/" + name; }

    testsupport::TempDir root;
};

TEST_F(DriveScanTest, DrivesComeOnceInNodeOrderWithTheirAddressAndIdentity) {
    AddDrive("sr10", "2:0:5:1", "ZETA");
    AddDrive("sr1", "1:0:0:0", "BETA");
    AddDrive("sr0", "0:0:3:0", "ALPHA");
    fs::create_symlink(Node("sr1"), root.Path() + "/cdrom");
    // The probe only opens; a node with no sysfs entry keeps no address.
    WriteFile(Node("odd"), "");
    const std::vector<std::string> listed = {root.Path() + "/cdrom", Node("sr10"), Node("sr0"), Node("sr1"), Node("odd")};
    const TDriveScan scan = ScanDriveNodes(listed, root.Path(), [](const std::string&) { return 0; });
    ASSERT_EQ(scan.drives.size(), 4u);
    struct {
        const char* name;
        bool known;
        std::int32_t host, target, lun;
        const char* vendor;
    } expected[] = {{"odd", false, 0, 0, 0, ""},
                    {"sr0", true, 0, 3, 0, "ALPHA"},
                    {"sr1", true, 1, 0, 0, "BETA"},
                    {"sr10", true, 2, 5, 1, "ZETA"}};
    for (std::size_t i = 0; i < 4; ++i) {
        const TDriveNode& node = scan.drives[i];
        EXPECT_EQ(node.name, expected[i].name) << i;
        EXPECT_EQ(node.addressKnown, expected[i].known) << i;
        EXPECT_EQ(node.host, expected[i].host) << i;
        EXPECT_EQ(node.target, expected[i].target) << i;
        EXPECT_EQ(node.lun, expected[i].lun) << i;
        EXPECT_EQ(node.vendor, expected[i].vendor) << i;
    }
    EXPECT_EQ(scan.drives[1].product, "DVD-RW DRU");
    EXPECT_EQ(scan.drives[1].revision, "1.02");
    // The link and the node it names are one drive, listed under the link.
    EXPECT_EQ(scan.drives[2].path, root.Path() + "/cdrom");
    EXPECT_TRUE(scan.refusedNodes.empty());
}

TEST_F(DriveScanTest, NodesTheUserMayNotOpenAreLeftOutAndNamed) {
    AddDrive("sr0", "0:0:0:0", "ALPHA");
    AddDrive("sr1", "0:0:1:0", "BETA");
    AddDrive("sr2", "0:0:2:0", "GAMMA");
    const TDriveScan scan = ScanDriveNodes({Node("sr0"), Node("sr1"), Node("sr2")}, root.Path(), [&](const std::string& path) {
        if (path == Node("sr1")) return EACCES;
        if (path == Node("sr2")) return ENXIO;  // gone: left out, not the user's fault
        return 0;
    });
    ASSERT_EQ(scan.drives.size(), 1u);
    EXPECT_EQ(scan.drives[0].vendor, "ALPHA");
    ASSERT_EQ(scan.refusedNodes, std::vector<std::string>{Node("sr1")});
    const std::string text = NoAccessText(scan.refusedNodes[0], "");
    EXPECT_NE(text.find(Node("sr1")), std::string::npos) << text;
    EXPECT_NE(text.find("\"cdrom\" group"), std::string::npos) << text;
    EXPECT_NE(NoAccessText("/dev/sr1", "optical").find("\"optical\" group"), std::string::npos);
}

TEST(MediaStatus, DiscInformationTellsBlankCdrFromCdrwAndWritten) {
    struct {
        const char* what;
        std::uint8_t byte2;
        std::size_t size;
        std::int32_t status;
    } cases[] = {
        {"blank CD-R", 0x00, 34, PLATTER_MEDIA_BLANK_CDR},
        {"blank CD-RW", 0x10, 34, PLATTER_MEDIA_BLANK_CDRW},
        {"appendable CD-R", 0x01, 34, PLATTER_MEDIA_WRITTEN},
        {"closed CD-RW", 0x12, 34, PLATTER_MEDIA_WRITTEN},
        {"pressed disc", 0x02, 34, PLATTER_MEDIA_WRITTEN},
        {"no answer", 0x00, 0, PLATTER_MEDIA_WRITTEN},
        {"short answer", 0x10, 2, PLATTER_MEDIA_WRITTEN},
    };
    for (const auto& c : cases) {
        std::uint8_t info[34] = {0, 32, c.byte2};
        EXPECT_EQ(ClassifyDiscInformation(info, c.size), c.status) << c.what;
    }
}

}  // namespace
}  // namespace platter_test
