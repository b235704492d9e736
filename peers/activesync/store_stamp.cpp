#include "peers/activesync/store_stamp.h"

#include "platform/ce/registry.h"

#include <random>
#include <string>

namespace jsync {

using platform::Status;

namespace {

std::u16string KeyOf(UINT partnerBit) {
    return u"Windows CE Services\\Partners\\P" + std::u16string(1, char16_t(u'0' + partnerBit));
}

constexpr char16_t kValue[] = u"Store Stamp";

} // namespace

std::optional<std::uint64_t> ReadStoreStamp(UINT partnerBit) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyOf(partnerBit).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    BYTE bytes[8] = {};
    DWORD type = 0;
    DWORD size = sizeof bytes;
    const LONG rc = RegQueryValueExW(key, kValue, nullptr, &type, bytes, &size);
    RegCloseKey(key);
    // Anything but eight binary bytes is no stamp of ours.
    if (rc != ERROR_SUCCESS || type != REG_BINARY || size != sizeof bytes)
        return std::nullopt;
    std::uint64_t stamp = 0;
    for (int i = 7; i >= 0; --i)
        stamp = stamp << 8 | bytes[i];
    return stamp;
}

Status WriteStoreStamp(UINT partnerBit, std::uint64_t stamp) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, KeyOf(partnerBit).c_str(), 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS) {
        BYTE bytes[8];
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<BYTE>(stamp >> (8 * i));
        rc = RegSetValueExW(key, kValue, 0, REG_BINARY, bytes, sizeof bytes);
        RegCloseKey(key);
    }
    if (rc != ERROR_SUCCESS)
        return Status::Failure(static_cast<DWORD>(rc),
                               "the handheld's registry cannot be written (store stamp)");
    return Status();
}

std::uint64_t NewStoreStamp() {
    std::random_device random;
    std::uint64_t stamp = 0;
    // Positive 63-bit, so that it survives as an SQLite integer.
    while (stamp == 0)
        stamp = ((std::uint64_t{random()} << 32) | random()) & 0x7FFFFFFFFFFFFFFFull;
    return stamp;
}

} // namespace jsync
