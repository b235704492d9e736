// BytesToObject's reading of a persisted item or folder handle: it never
// reads past the length it is given, and a handle it makes writes back a
// persisted form that reads back the same.
#include "desktop/sync/repl_object.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<BYTE> bytes(data, data + size);
    std::unique_ptr<CReplObject> object(CReplObject::FromBytes(
        bytes.empty() ? nullptr : bytes.data(), static_cast<UINT>(bytes.size())));
    if (!object)
        return 0;
    std::vector<BYTE> written(CReplObject::ToBytes(*object, nullptr));
    if (written.size() > bytes.size())
        std::abort(); // taken from fewer bytes than its form needs
    CReplObject::ToBytes(*object, written.data());
    std::unique_ptr<CReplObject> again(
        CReplObject::FromBytes(written.data(), static_cast<UINT>(written.size())));
    if (!again || again->Type() != object->Type())
        std::abort();
    std::vector<BYTE> rewritten(written.size());
    CReplObject::ToBytes(*again, rewritten.data());
    if (rewritten != written)
        std::abort();
    return 0;
}
