// The handle of the store's one folder, the Outlook Notes folder.
#pragma once

#include "desktop/sync/repl_object.h"

class CReplFolder final : public CReplObject {
public:
    CReplFolder() : CReplObject(kFolderTag) {}
};
