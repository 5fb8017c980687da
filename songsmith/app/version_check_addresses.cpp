#include "songsmith/app/version_check_addresses.h"

#include <mutex>

namespace {

std::mutex addressLock;
TVersionCheckAddresses& Addresses() {
    static TVersionCheckAddresses addresses;
    return addresses;
}

}  // namespace

TVersionCheckAddresses VersionCheckAddresses() {
    const std::lock_guard<std::mutex> hold(addressLock);
    return Addresses();
}

void SetVersionCheckAddresses(TVersionCheckAddresses addresses) {
    const std::lock_guard<std::mutex> hold(addressLock);
    Addresses() = std::move(addresses);
}
