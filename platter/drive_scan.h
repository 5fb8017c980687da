#pragma once
// Finding the optical drives: libcdio's list of device nodes, each drive
// once and in node order (sr0, sr1, ..., sr10), with its identity and its
// SCSI address from sysfs. The address is the kernel's host, target and
// LUN, so it stays the same from run to run while the hardware does.
//
// A node the user may not open is left out, and named in the scan so the
// engine can say why (and which group would let the user in).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TDriveNode {
    std::string path;  // the node as listed, e.g. "/dev/sr0"
    std::string name;  // the kernel's name, e.g. "sr0"
    std::int32_t host = 0;
    std::int32_t target = 0;
    std::int32_t lun = 0;
    bool addressKnown = false;
    std::string vendor;
    std::string product;
    std::string revision;
};

struct TDriveScan {
    std::vector<TDriveNode> drives;
    // Nodes left out because opening them was refused, and the group that
    // owns each (empty when unknown).
    std::vector<std::string> refusedNodes;
    std::vector<std::string> refusedGroups;
};

// errno of opening the node for status queries; 0 when it opens.
using TNodeProbe = std::function<int(const std::string& path)>;

// The drives among nodes. sysRoot is the sysfs mount ("/sys"); probe tries
// each node (the real one opens it without waiting for a disc).
TDriveScan ScanDriveNodes(const std::vector<std::string>& nodes, const std::string& sysRoot, const TNodeProbe& probe);
// libcdio's optical nodes on this machine, scanned as above.
TDriveScan ScanOpticalDrives(const std::string& sysRoot);

// The engine's text for a refused node.
std::string NoAccessText(const std::string& node, const std::string& group);
