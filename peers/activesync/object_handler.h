// What the managers do alike with either machine's object handler.
#pragma once

#include "peers/activesync/desktop_state.h"
#include "platform/activesync/replication.h"

namespace jsync {

// Announces the object of `setup` (read flag set) to the handler and copies
// the packet it builds; the handler keeps its own block. A handler that
// answers success without a block is a failure (E_UNEXPECTED).
inline HRESULT ReadPacket(IReplObjHandler& handler, REPLSETUP* setup, Bytes* packet) {
    HRESULT hr = handler.Setup(setup);
    if (FAILED(hr))
        return hr;
    LPBYTE data = nullptr;
    DWORD size = 0;
    hr = handler.GetPacket(&data, &size, 0);
    if (FAILED(hr))
        return hr;
    if (data == nullptr)
        return E_UNEXPECTED;
    packet->assign(data, data + size);
    return S_OK;
}

} // namespace jsync
